#include "TargetSteps.h"

#include "NameRules.h"
#include "SchemaDetails.h"
#include "TableDefinition.h"

#include "db/Connection.h"
#include "db/ConnectionProfile.h"
#include "db/Error.h"

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
        oracleData.execute("drop table " + quoteOracleName(target));
    } catch (const std::exception &e) {
        result.fail(e.what());
    }
    return result;
}

CreateResult CreateTargetTable(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                               const ConversionOptions &options)
{
    CreateResult result;
    try {
        std::optional<TableDetails> details;
        if (options.keepSchema)
            details = ReadTableDetails(catalog, names.source);
        auto listing = catalog.createDataSet();
        const std::string statement =
            BuildTableDefinition(*listing, names, options, &result.notes, details ? &*details : nullptr);
        listing->close();
        oracleData.execute(statement);
    } catch (const std::exception &e) {
        result.fail(e.what());
    }
    return result;
}

} // namespace convert
