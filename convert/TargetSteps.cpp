#include "TargetSteps.h"

#include "NameRules.h"
#include "SchemaDetails.h"
#include "SourceListing.h"
#include "SourceReader.h"
#include "TableDefinition.h"
#include "TableMarker.h"

#include "db/Connection.h"
#include "db/ConnectionProfile.h"
#include "db/Error.h"
#include "db/UntimedCalls.h"

#include <exception>
#include <optional>

namespace convert {

bool TargetTableExists(db::Connection &oracleConn, const std::string &table, const std::string &user)
{
    // Bound rather than pasted, so a quote in a table name cannot change what is asked. The view is named
    // with its owner: a table of the user's own called ALL_TABLES would otherwise be read instead.
    const auto rows = oracleConn.query("select count(*) cn from SYS.ALL_TABLES where table_name=:1 and upper(owner)=:2",
                                       {db::Value::text(table), db::Value::text(db::asciiUpper(user))});
    if (rows.size() != 1 || rows[0].size() != 1)
        throw db::Error("The existence test of table " + table + " returned " + std::to_string(rows.size()) +
                        " rows instead of one count");
    return rows[0][0].toInteger() > 0;
}

StepResult DropTargetTable(db::Connection &oracleData, const std::string &target)
{
    StepResult result;
    try {
        oracleData.execute("drop table " + quoteOracleName(target) + " cascade constraints");
    } catch (const std::exception &e) {
        result.fail(e);
    }
    return result;
}

PreparedTable PrepareTargetTable(db::Connection &catalog, const TableNames &names, const ConversionOptions &options)
{
    PreparedTable result;
    try {
        // The widest values are measured over the whole table: as long as that takes.
        const db::UntimedCalls untimed(catalog);
        std::optional<TableDetails> details;
        if (options.keepSchema) {
            details = ReadTableDetails(catalog, names.source);
            for (const auto &column : details->columns)
                result.identityLeftOut |= column.autoIncrement && !options.allows.identities;
        }
        auto listing = catalog.createDataSet();
        result.statement = BuildTableDefinition(*listing, names, options, &result.notes, details ? &*details : nullptr);
        // The columns as the copy selects them, without a row: a table that lists but cannot be read
        // (no SELECT privilege, a view over a table since dropped) fails here rather than after a drop.
        listing->close();
        listing->open("select " +
                      SourceSelectList(ListSourceColumns(*listing, names.source), SourceServer::of(catalog)) +
                      " from " + quoteMySqlName(names.source) + " limit 0");
        listing->close();
    } catch (const std::exception &e) {
        result.fail(e);
    }
    return result;
}

CreateResult CreateTargetTable(db::Connection &oracleData, const PreparedTable &prepared, const TableNames &names)
{
    CreateResult result;
    result.notes = prepared.notes;
    if (!prepared.success) {
        result.success = false;
        result.message = prepared.message;
        result.sessionLost = prepared.sessionLost;
        return result;
    }
    try {
        oracleData.execute(prepared.statement);
        if (names.marked)
            oracleData.execute("comment on table " + quoteOracleName(names.target) + " is " +
                               quoteOracleText(tableMarker(names.source)));
    } catch (const std::exception &e) {
        result.fail(e);
    }
    return result;
}

CreateResult CreateTargetTable(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                               const ConversionOptions &options)
{
    return CreateTargetTable(oracleData, PrepareTargetTable(catalog, names, options), names);
}

} // namespace convert
