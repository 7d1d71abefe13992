#include "SchemaSteps.h"

#include "NameRules.h"
#include "SchemaDetails.h"
#include "SourceListing.h"
#include "TypeMapping.h"

#include "db/Connection.h"
#include "db/Error.h"
#include "db/UntimedCalls.h"

namespace convert {

namespace {

// Values of each NOT NULL column that would arrive as NULL: one read of the table for all the columns.
std::map<std::string, NullingValues> countNulling(db::Connection &catalog, const std::string &table,
                                                  const std::vector<ColumnDetails> &columns)
{
    std::map<std::string, NullingValues> counts;
    if (columns.empty())
        return counts;
    // One read of the whole table: as long as it takes.
    const db::UntimedCalls untimed(catalog);
    std::string sql = "select ";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::string c = quoteMySqlName(columns[i].name);
        sql += i ? ", " : "";
        if (MappedCharacterLength(columns[i].type) > 0)
            sql += "coalesce(sum(" + c + " = ''), 0)";
        else // only the zero date itself (with a zero time) arrives as NULL; other zero parts are refused
            sql += "coalesce(sum(cast(" + c + " as char) regexp '^0000-00-00( 00:00:00([.]0+)?)?$'), 0)";
    }
    const auto row = catalog.query(sql + " from " + quoteMySqlName(table)).at(0);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        NullingValues &values = counts[columns[i].name];
        (MappedCharacterLength(columns[i].type) > 0 ? values.emptyStrings : values.zeroDates) = row[i].toInteger();
    }
    return counts;
}

} // namespace

void LogSchemaResult(LogSink &log, const SchemaResult &schema)
{
    for (const auto &failure : schema.failures)
        log.append(failure.name + ": " + failure.message);
    for (const auto &note : schema.notes)
        log.append(note);
    if (!schema.failures.empty() || !schema.notes.empty())
        log.append("");
}

void SendSchemaStatements(db::Connection &oracleData, const std::vector<SchemaStatement> &statements,
                          SchemaResult &result, const AlreadyThere &there, const std::function<bool()> &goOn)
{
    for (const auto &statement : statements) {
        if (there && there(statement))
            continue;
        try {
            oracleData.execute(statement.sql);
            ++result.sent;
        } catch (const db::CancelledError &) {
            result.stopped = true; // a Stop broke it: no refusal of Oracle's
            return;
        } catch (const db::Error &e) {
            result.failures.push_back({statement.name, e.what(), statement.sql});
        }
        if (goOn && !goOn()) {
            result.stopped = true;
            return;
        }
    }
}

std::vector<SchemaStatement> BuildSchemaAfterRows(db::Connection &catalog, const TableNames &names,
                                                  const ConversionOptions &options, ObjectNamePlanner &objects,
                                                  std::vector<std::string> &notes)
{
    const TableDetails details = ReadTableDetails(catalog, names.source);
    std::vector<std::string> key;
    if (!options.skipIndexes)
        key = PrimaryKeyColumns(ListSourceIndexRows(catalog, names.source));
    const auto nulling = countNulling(catalog, names.source, ColumnsToCountNulling(details));
    return StatementsAfterRows(names, details, key, nulling, options, objects, notes);
}

SchemaResult AddSchemaAfterRows(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                                const ConversionOptions &options, ObjectNamePlanner &objects, const AlreadyThere &there)
{
    SchemaResult result;
    SendSchemaStatements(oracleData, BuildSchemaAfterRows(catalog, names, options, objects, result.notes), result,
                         there);
    return result;
}

void AddForeignKeys(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                    const std::map<std::string, std::string> &targets, const ConversionOptions &options,
                    ObjectNamePlanner &objects, SchemaResult &result, const AlreadyThere &there,
                    const std::function<bool()> &goOn)
{
    const TableDetails details = ReadTableDetails(catalog, names.source);
    const ColumnsOf columnsOf = [&](const std::string &table) {
        return ColumnNamesOf(table == names.source ? details : ReadTableDetails(catalog, table),
                             options.allows.nameBytes);
    };
    SendSchemaStatements(oracleData,
                         ForeignKeyStatements(names, details, targets, options, objects, columnsOf, result.notes),
                         result, there, goOn);
}

} // namespace convert
