#pragma once

#include "SqlStatement.h"
#include "TableMeta.h"

#include <string>
#include <vector>

namespace oraclesim {

class Session;

// Constraints put on a table (CREATE TABLE, ALTER TABLE ... ADD and MODIFY), with the checks Oracle
// makes of the rows already there, and what dropping a table does to the constraints around it.
// Each call works inside the DDL's own transaction and reads the table afresh from the catalog.
class ConstraintDdl {
public:
    static void add(Session &session, const TableName &table, const ConstraintDef &def);
    static void modify(Session &session, const ModifyColumns &mc);
    // The NOT NULL constraint of a column of a table being created (no rows to check), named
    // SYS_Cnnnnnnn unless `name` is given. The caller has made the column NOT NULL.
    static void recordNotNull(Session &session, const std::string &owner, std::int64_t tableId, int column,
                              const std::string &columnName, const std::string &name);

    // Column names to positions: ORA-00904 for an unknown one, ORA-00957 for a repeated one.
    static std::vector<int> columnPositions(const TableMeta &table, const std::vector<std::string> &names);
    // A SQLite unique index over the columns that refuses what Oracle's unique index refuses: keys
    // whose every column is NULL are not indexed, and partly NULL keys collide on their other
    // columns. SqliteError (a constraint failure) when the rows already hold duplicates.
    static std::string createUniqueStorage(Session &session, const TableMeta &table, const std::vector<int> &cols,
                                           bool neverNull);
    // Before a table is dropped: ORA-02449 when other tables' foreign keys refer to its keys, unless
    // CASCADE CONSTRAINTS drops those foreign keys.
    static void dropReferences(Session &session, const TableMeta &table, bool cascadeConstraints);

private:
    static void addKey(Session &session, const TableMeta &table, const ConstraintDef &def);
    static void addForeignKey(Session &session, const TableMeta &table, const ConstraintDef &def);
    static void addCheck(Session &session, const TableMeta &table, const ConstraintDef &def);
    static void setNotNull(Session &session, const TableMeta &table, int column, const std::string &name);
    static void dropNotNull(Session &session, const TableMeta &table, int column);
    static void modifyIdentity(Session &session, const TableMeta &table, int column, const IdentityDef &identity);
    // The name the new constraint gets: SYS_Cnnnnnnn when none is given; ORA-02264 when taken.
    static std::string newName(Session &session, const std::string &owner, const std::string &requested);
    static void record(Session &session, const std::string &owner, std::int64_t tableId,
                       const ConstraintMeta &constraint);
};

} // namespace oraclesim
