#include "Connections.h"

#include "CommandOptions.h"

#include "db/Drivers.h"
#include "db/Profiles.h"

namespace cli {

Connections::Connections(const CommandOptions &o)
{
    sourceProfile = db::mysqlSourceProfile(o.database, o.user, o.mysqlPassword.value_or(""), o.host);
    catalog = db::createMySqlConnection();
    rowSource = db::createMySqlConnection();
    if (o.mysqlTimeout) {
        catalog->setCallTimeout(*o.mysqlTimeout);
        rowSource->setCallTimeout(*o.mysqlTimeout);
    }
    catalog->replaceProfile(sourceProfile);
    catalog->open();
    m_targetProfile = db::oracleTargetProfile(o.oracleService, o.oracleUser, o.oraclePassword.value_or(""));
    m_oracleTimeout = o.oracleTimeout;
}

void Connections::openOracle()
{
    oracleConn = db::createOracleConnection();
    oracleData = db::createOracleConnection();
    oracleInsert = db::createOracleConnection();
    for (auto *c : {oracleConn.get(), oracleData.get(), oracleInsert.get()}) {
        if (m_oracleTimeout)
            c->setCallTimeout(*m_oracleTimeout);
        c->replaceProfile(m_targetProfile);
        c->open();
    }
}

} // namespace cli
