#include "ReferencingKeys.h"

#include "NameRules.h"

#include "db/Connection.h"
#include "db/ConnectionProfile.h"

#include <algorithm>
#include <map>

namespace convert {

namespace {

std::string columnList(const std::vector<std::string> &columns)
{
    std::string list;
    for (const auto &column : columns)
        list += (list.empty() ? "" : ", ") + quoteOracleName(column, "column");
    return list;
}

// Columns of the named constraints in key order, by constraint.
std::map<std::string, std::vector<std::string>> constraintColumns(db::Connection &oracle,
                                                                  const std::vector<db::Value> &owner)
{
    std::map<std::string, std::vector<std::pair<long long, std::string>>> positioned;
    for (const auto &row : oracle.query("select constraint_name, column_name, position from SYS.ALL_CONS_COLUMNS"
                                        " where upper(owner) = :1",
                                        owner))
        positioned[row.at(0).data].emplace_back(row.at(2).isNull() ? 0 : row.at(2).toInteger(), row.at(1).data);
    std::map<std::string, std::vector<std::string>> columns;
    for (auto &[name, list] : positioned) {
        std::sort(list.begin(), list.end());
        for (auto &entry : list)
            columns[name].push_back(std::move(entry.second));
    }
    return columns;
}

} // namespace

std::string ReferencingKey::statement(const std::string &referenced) const
{
    std::string sql = "alter table " + quoteOracleName(table) + " add constraint " +
                      quoteOracleName(name, "constraint") + " foreign key (" + columnList(columns) + ") references " +
                      quoteOracleName(referenced) + " (" + columnList(referencedColumns) + ")";
    if (deleteRule == "CASCADE")
        sql += " on delete cascade";
    else if (deleteRule == "SET NULL")
        sql += " on delete set null";
    if (!enabled)
        sql += " disable";
    return sql;
}

std::vector<ReferencingKey> ReadReferencingKeys(db::Connection &oracle, const std::string &user,
                                                const std::string &table)
{
    const std::vector<db::Value> owner = {db::Value::text(db::asciiUpper(user))};
    std::map<std::string, bool> targets; // the table's primary and unique constraints
    for (const auto &row : oracle.query("select constraint_name, constraint_type, table_name from SYS.ALL_CONSTRAINTS"
                                        " where upper(owner) = :1 and constraint_type in ('P', 'U', 'R')",
                                        owner))
        if (row.at(2).data == table && row.at(1).data != "R")
            targets[row.at(0).data] = true;
    std::vector<ReferencingKey> keys;
    if (targets.empty())
        return keys;
    std::map<std::string, std::vector<std::string>> columns;
    for (const auto &row : oracle.query("select constraint_name, table_name, r_constraint_name, delete_rule, status"
                                        " from SYS.ALL_CONSTRAINTS where upper(owner) = :1 and constraint_type = 'R'",
                                        owner)) {
        // A table's key to itself goes with the table and comes back with its own schema.
        if (!targets.count(row.at(2).data) || row.at(1).data == table)
            continue;
        if (columns.empty())
            columns = constraintColumns(oracle, owner);
        ReferencingKey key;
        key.name = row.at(0).data;
        key.table = row.at(1).data;
        key.columns = columns[key.name];
        key.referencedColumns = columns[row.at(2).data];
        key.deleteRule = row.at(3).data;
        key.enabled = row.at(4).data != "DISABLED";
        keys.push_back(std::move(key));
    }
    return keys;
}

} // namespace convert
