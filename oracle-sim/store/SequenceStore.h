#pragma once

#include "SequenceOptions.h"

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oraclesim {

// The sequences of a service: CREATE SEQUENCE ones and the ISEQ$$_ ones behind identity columns.
// Numbers come from the service file, so a NEXTVAL taken inside a transaction is undone with it
// (Oracle never hands a number out twice; the stand-in may, after a rollback). LAST_NUMBER follows
// Oracle's cache: the number a new cache of CACHE_SIZE values would start from.
class SequenceStore {
public:
    struct Row {
        std::string name;
        std::int64_t next = 1, highWater = 1, start = 1, increment = 1, cache = 20;
        std::optional<std::int64_t> minValue, maxValue; // nullopt: the default bound
        bool cycle = false, order = false;
        std::int64_t tableId = 0; // identity columns: their table
    };

    static void create(sqlite3 *db, const std::string &owner, const std::string &name, const SequenceOptions &options,
                       std::int64_t tableId = 0);
    static std::optional<Row> find(sqlite3 *db, const std::string &owner, const std::string &name);
    static std::vector<Row> list(sqlite3 *db, const std::string &owner);
    static void drop(sqlite3 *db, const std::string &owner, const std::string &name);
    static void dropForTable(sqlite3 *db, std::int64_t tableId);
    // ORA-02289 when missing, ORA-08004 past MAXVALUE without CYCLE.
    static std::int64_t next(sqlite3 *db, const std::string &owner, const std::string &name);
    // The next number to hand out becomes `value`.
    static void restart(sqlite3 *db, const std::string &owner, const std::string &name, std::int64_t value);

    // Oracle's bounds and START WITH when the statement names none.
    static std::int64_t minValueOf(const Row &row);
    static std::string minValueText(const Row &row);
    static std::string maxValueText(const Row &row);
};

} // namespace oraclesim
