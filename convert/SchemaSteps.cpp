#include "SchemaSteps.h"

#include "NameRules.h"
#include "SchemaDetails.h"
#include "SchemaStatements.h"
#include "SourceListing.h"

#include "db/Connection.h"
#include "db/Error.h"

#include <map>

namespace convert {

namespace {

void send(db::Connection &oracleData, const std::vector<SchemaStatement> &statements, SchemaResult &result)
{
    for (const auto &statement : statements) {
        try {
            oracleData.execute(statement.sql);
            ++result.sent;
        } catch (const db::Error &e) {
            result.failures.push_back({statement.name, e.what()});
        }
    }
}

// Empty strings per column, which Oracle holds as NULL: one read of the table for all the columns.
std::map<std::string, long long> countEmptyStrings(db::Connection &catalog, const std::string &table,
                                                   const std::vector<std::string> &columns)
{
    std::map<std::string, long long> counts;
    if (columns.empty())
        return counts;
    std::string sql = "select ";
    for (std::size_t i = 0; i < columns.size(); ++i)
        sql += (i ? ", " : "") + std::string("coalesce(sum(") + quoteMySqlName(columns[i]) + " = ''), 0)";
    const auto row = catalog.query(sql + " from " + quoteMySqlName(table)).at(0);
    for (std::size_t i = 0; i < columns.size(); ++i)
        counts[columns[i]] = row[i].toInteger();
    return counts;
}

} // namespace

SchemaResult AddSchemaAfterRows(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                                const ConversionOptions &options)
{
    SchemaResult result;
    const TableDetails details = ReadTableDetails(catalog, names.source);
    std::vector<std::string> key;
    if (!options.skipIndexes)
        key = PrimaryKeyColumns(ListSourceIndexRows(catalog, names.source));
    const auto empties = countEmptyStrings(catalog, names.source, ColumnsToCountEmpty(details));
    send(oracleData, StatementsAfterRows(names, details, key, empties, options.uppercaseNames, result.notes), result);
    return result;
}

SchemaResult AddForeignKeys(db::Connection &oracleData, db::Connection &catalog, const std::vector<TableNames> &tables,
                            const ConversionOptions &options)
{
    SchemaResult result;
    std::map<std::string, std::string> targets;
    for (const auto &names : tables)
        targets[names.source] = names.target;
    for (const auto &names : tables) {
        const TableDetails details = ReadTableDetails(catalog, names.source);
        send(oracleData, ForeignKeyStatements(names, details, targets, options.uppercaseNames, result.notes), result);
    }
    return result;
}

} // namespace convert
