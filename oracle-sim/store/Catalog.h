#pragma once

#include "TableMeta.h"

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace oraclesim {

// The data dictionary of one service as one session sees it. Table definitions are cached and
// reloaded whenever any session has committed DDL since (a version number in the file counts DDL).
class Catalog {
public:
    explicit Catalog(sqlite3 *db) : m_db(db) {}

    // Drops the cache when the dictionary changed since it was filled.
    void refresh();
    // Changes whenever cached definitions are dropped, so that what others derived from them goes too.
    std::uint64_t generation() const noexcept { return m_generation; }
    // The dictionary's version the cache was filled at (-1: not yet).
    std::int64_t version() const noexcept { return m_version; }
    // Marks the dictionary changed; called inside the DDL's own transaction.
    void bumpVersion();

    const TableMeta *findTable(const std::string &owner, const std::string &name);
    std::vector<std::string> tableNames(const std::string &owner);
    // Tables, sequences and indexes share one namespace per schema.
    bool objectExists(const std::string &owner, const std::string &name);
    bool constraintExists(const std::string &owner, const std::string &name);
    // The next SYS_Cnnnnnn name for an unnamed constraint.
    std::string nextSystemConstraintName();

    struct IndexRow {
        std::string name, table, constraint;
        std::vector<std::string> columns;
        bool unique;
    };
    std::vector<IndexRow> indexesOf(const std::string &owner);

    // Column positions as the dictionary stores them: "0,2".
    static std::string joinPositions(const std::vector<int> &cols);

private:
    std::unique_ptr<TableMeta> load(const std::string &owner, const std::string &name);
    void loadConstraints(TableMeta &meta);

    sqlite3 *m_db;
    std::int64_t m_version = -1;
    std::uint64_t m_generation = 0;
    std::map<std::pair<std::string, std::string>, std::unique_ptr<TableMeta>> m_tables; // null: known missing
};

} // namespace oraclesim
