#include "ExistingObjects.h"

#include "db/Connection.h"
#include "db/ConnectionProfile.h"

namespace convert {

ExistingObjects ExistingObjects::read(db::Connection &oracle, const std::string &user, const std::string &table)
{
    const std::vector<db::Value> binds = {db::Value::text(db::asciiUpper(user)), db::Value::text(table)};
    ExistingObjects objects;
    for (const auto &row : oracle.query("select constraint_name, constraint_type from SYS.ALL_CONSTRAINTS"
                                        " where upper(owner) = :1 and table_name = :2",
                                        binds)) {
        objects.m_constraints.insert(row.at(0).data);
        objects.m_primaryKey = objects.m_primaryKey || row.at(1).data == "P";
    }
    for (const auto &row :
         oracle.query("select index_name from SYS.ALL_INDEXES where upper(owner) = :1 and table_name = :2", binds))
        objects.m_indexes.insert(row.at(0).data);
    for (const auto &row : oracle.query("select column_name, nullable, identity_column from SYS.ALL_TAB_COLUMNS"
                                        " where upper(owner) = :1 and table_name = :2",
                                        binds)) {
        if (row.at(1).data == "N")
            objects.m_notNull.insert(row.at(0).data);
        if (row.at(2).data == "YES")
            objects.m_identity.insert(row.at(0).data);
    }
    return objects;
}

bool ExistingObjects::has(const KeyStatement &statement) const
{
    if (statement.kind == ObjectKind::PrimaryKey)
        return m_primaryKey;
    return m_indexes.count(statement.name) > 0 || m_constraints.count(statement.name) > 0;
}

bool ExistingObjects::has(const SchemaStatement &statement) const
{
    switch (statement.kind) {
    case ObjectKind::PrimaryKey:
        return m_primaryKey;
    case ObjectKind::Index:
        return m_indexes.count(statement.name) > 0;
    case ObjectKind::NotNull:
        return m_notNull.count(statement.column) > 0;
    case ObjectKind::Identity:
        // Setting the next number again is harmless; a column made without identity cannot become one.
        return m_identity.count(statement.column) == 0;
    case ObjectKind::Check:
    case ObjectKind::ForeignKey:
        return m_constraints.count(statement.name) > 0;
    case ObjectKind::Comment:
        return false;
    }
    return false;
}

} // namespace convert
