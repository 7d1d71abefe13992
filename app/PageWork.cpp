#include "app/PageWork.h"

#include "app/CallBreaker.h"
#include "db/Connection.h"
#include "db/Drivers.h"
#include "db/Error.h"

namespace pagework {

namespace {

// Opens a new session; a Stop breaks the connect where the client library allows it.
void openBreakable(db::Connection &connection, CallBreaker &breaker)
{
    if (breaker.broken())
        throw db::CancelledError("Stopped");
    const CallBreaker::Hold hold(breaker, [&connection] { connection.cancel(); });
    connection.open();
}

} // namespace

MySqlConnected connectMySql(std::unique_ptr<db::Connection> replaced, std::vector<std::string> profile,
                            const std::string &typedDatabase, CallBreaker &breaker)
{
    replaced.reset();
    MySqlConnected out{db::createMySqlConnection(), {}};
    out.catalog->replaceProfile(std::move(profile));
    openBreakable(*out.catalog, breaker);
    const CallBreaker::Hold hold(breaker, [&out] { out.catalog->cancel(); });
    out.databases = db::SourceCatalog(*out.catalog).listDatabases(typedDatabase);
    return out;
}

OracleSessions connectOracle(OracleSessions replaced, const std::vector<std::string> &profile, CallBreaker &breaker)
{
    for (auto &session : replaced)
        session.reset();
    OracleSessions out;
    for (auto &session : out) {
        session = db::createOracleConnection();
        session->replaceProfile(profile);
        openBreakable(*session, breaker);
    }
    return out;
}

TableListing listTables(db::Connection &catalog, const std::string &database, CallBreaker &breaker)
{
    const CallBreaker::Hold hold(breaker, [&catalog] { catalog.cancel(); });
    db::SourceCatalog source(catalog);
    TableListing out;
    out.tables = source.listTables(database);
    out.views = source.listViews();
    return out;
}

} // namespace pagework
