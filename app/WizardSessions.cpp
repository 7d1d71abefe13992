#include "app/WizardSessions.h"

#include "db/Drivers.h"

WizardSessions WizardSessions::closed()
{
    return {db::createMySqlConnection(), db::createMySqlConnection(), db::createOracleConnection(),
            db::createOracleConnection(), db::createOracleConnection()};
}
