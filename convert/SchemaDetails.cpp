#include "SchemaDetails.h"

#include "TypeMapping.h"

#include "db/Connection.h"
#include "db/ConnectionProfile.h"

#include <map>

namespace convert {

namespace {

bool isNumberType(const std::string &columnType)
{
    const std::string type = NormalizedType(columnType);
    for (std::string_view family :
         {"tinyint", "smallint", "mediumint", "int", "bigint", "decimal", "float", "double", "bit", "year", "bool"})
        if (type.rfind(family, 0) == 0)
            return true;
    return false;
}

std::string quoted(const std::string &text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    return out + "'";
}

} // namespace

std::optional<std::string> ColumnDefault(const SourceServer &server, const std::string &columnType,
                                         const db::Value &columnDefault, const std::string &extra)
{
    if (columnDefault.isNull())
        return std::nullopt;
    const std::string &text = columnDefault.data;
    if (server.mariadb && server.atLeast(10, 2, 7))
        // A NULL default is the word NULL; a text 'NULL' comes quoted.
        return text == "NULL" ? std::nullopt : std::optional<std::string>(text);
    const std::string upperExtra = db::asciiUpper(extra);
    if (upperExtra.find("DEFAULT_GENERATED") != std::string::npos)
        return text;
    const std::string upper = db::asciiUpper(text);
    const std::string type = NormalizedType(columnType);
    const bool moment = type.rfind("timestamp", 0) == 0 || type.rfind("datetime", 0) == 0;
    if (moment && upper.rfind("CURRENT_TIMESTAMP", 0) == 0)
        return text;
    if (isNumberType(columnType))
        return text;
    return quoted(text);
}

TableDetails ReadTableDetails(db::Connection &catalog, const std::string &table)
{
    TableDetails details;
    const std::vector<db::Value> name = {db::Value::text(table)};
    const auto tables = catalog.query("select table_comment, table_type from information_schema.tables"
                                      " where table_schema = database() and table_name = ?",
                                      name);
    if (!tables.empty()) {
        details.view = tables[0][1].data == "VIEW";
        // The information schema gives every view the comment "VIEW": it says nothing of this one.
        if (!details.view)
            details.comment = tables[0][0].data;
    }
    const SourceServer server = SourceServer::of(catalog);
    const auto columns = catalog.query("select column_name, column_type, is_nullable, column_default, extra,"
                                       " column_comment from information_schema.columns"
                                       " where table_schema = database() and table_name = ? order by ordinal_position",
                                       name);
    for (const auto &row : columns) {
        ColumnDetails column;
        column.name = row[0].data;
        column.type = row[1].data;
        column.notNull = row[2].data == "NO";
        const auto defaultText = ColumnDefault(server, column.type, row[3], row[4].data);
        column.hasDefault = defaultText.has_value();
        column.defaultText = defaultText.value_or("");
        const std::string extra = db::asciiUpper(row[4].data);
        column.autoIncrement = extra.find("AUTO_INCREMENT") != std::string::npos;
        column.onUpdateNow = extra.find("ON UPDATE") != std::string::npos;
        column.comment = row[5].data;
        details.columns.push_back(std::move(column));
    }
    const auto keys =
        catalog.query("select k.constraint_name, k.column_name, k.referenced_table_name, k.referenced_column_name,"
                      " r.delete_rule, r.update_rule from information_schema.key_column_usage k"
                      " join information_schema.referential_constraints r on r.constraint_schema = k.constraint_schema"
                      " and r.constraint_name = k.constraint_name and r.table_name = k.table_name"
                      " where k.table_schema = database() and k.table_name = ? and k.referenced_table_name is not null"
                      " order by k.constraint_name, k.ordinal_position",
                      name);
    for (const auto &row : keys) {
        if (details.foreignKeys.empty() || details.foreignKeys.back().name != row[0].data)
            details.foreignKeys.push_back({row[0].data, {}, row[2].data, {}, row[4].data, row[5].data});
        details.foreignKeys.back().columns.push_back(row[1].data);
        details.foreignKeys.back().referencedColumns.push_back(row[3].data);
    }
    details.checks = ReadSourceChecks(catalog, table);
    return details;
}

bool TableIsView(db::Connection &catalog, const std::string &table)
{
    const auto rows = catalog.query("select table_type from information_schema.tables"
                                    " where table_schema = database() and table_name = ?",
                                    {db::Value::text(table)});
    return !rows.empty() && rows[0][0].data == "VIEW";
}

std::vector<std::string> ListObjectsNotConverted(db::Connection &catalog)
{
    std::vector<std::string> objects;
    for (const auto &row : catalog.query("select trigger_name from information_schema.triggers"
                                         " where trigger_schema = database() order by trigger_name"))
        objects.push_back("trigger " + row[0].data);
    for (const auto &row : catalog.query("select lower(routine_type), routine_name from information_schema.routines"
                                         " where routine_schema = database() order by routine_type, routine_name"))
        objects.push_back(row[0].data + " " + row[1].data);
    for (const auto &row : catalog.query("select event_name from information_schema.events"
                                         " where event_schema = database() order by event_name"))
        objects.push_back("event " + row[0].data);
    return objects;
}

} // namespace convert
