#include "Connections.h"

#include "CommandOptions.h"

#include "db/Drivers.h"
#include "db/Profiles.h"

namespace cli {

Connections::Connections(const CommandOptions &o)
{
    sourceProfile = db::mysqlSourceProfile(o.database, o.user, o.mysqlPassword.value_or(""), o.host);
    catalog = db::createMySqlConnection();
    catalog->replaceProfile(sourceProfile);
    catalog->open();
    rowSource = db::createMySqlConnection();
    m_targetProfile = db::oracleTargetProfile(o.oracleService, o.oracleUser, o.oraclePassword.value_or(""));
}

void Connections::openOracle()
{
    oracleConn = db::createOracleConnection();
    oracleData = db::createOracleConnection();
    oracleInsert = db::createOracleConnection();
    for (auto *c : {oracleConn.get(), oracleData.get(), oracleInsert.get()}) {
        c->replaceProfile(m_targetProfile);
        c->open();
    }
}

} // namespace cli
