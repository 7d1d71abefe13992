#include "support/OracleTarget.h"

#include "db/ConnectionProfile.h"
#include "db/Drivers.h"
#include "db/Error.h"
#include "db/Profiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace testsupport {

namespace {

std::string variable()
{
    const char *v = std::getenv("MORVANE_TEST_ORACLE");
    return v ? std::string(v) : std::string();
}

} // namespace

bool testOracleIsReal() { return !variable().empty(); }

OracleTarget::OracleTarget()
{
    const std::string login = variable();
    if (login.empty()) {
        m_sim = std::make_unique<OracleSim>();
        m_service = m_sim->service();
        m_user = m_sim->user();
        m_password = "tiger";
        return;
    }
    const auto slash = login.find('/');
    const auto at = login.rfind('@');
    if (slash == std::string::npos || at == std::string::npos || at < slash)
        throw std::runtime_error("MORVANE_TEST_ORACLE must read USER/PASSWORD@CONNECT");
    m_user = login.substr(0, slash);
    m_password = login.substr(slash + 1, at - slash - 1);
    m_service = login.substr(at + 1);
    m_differences = {false, false, false, false, false, false};
    m_tablesBefore = tableNames();
    m_differences.extendedStrings = takesLongVarchar2();
}

// Whether the server takes a VARCHAR2 of 4001 bytes: a table made to find out, and dropped. The
// instance's MAX_STRING_SIZE itself is readable only with a dictionary privilege.
bool OracleTarget::takesLongVarchar2() const
{
    auto connection = db::createOracleConnection();
    connection->replaceProfile(profile());
    connection->open();
    try {
        connection->execute("create table \"MORVANE_STRING_PROBE\" (\"C\" varchar2(4001))");
    } catch (const db::Error &) {
        return false;
    }
    connection->execute("drop table \"MORVANE_STRING_PROBE\" purge");
    return true;
}

OracleTarget::~OracleTarget()
{
    if (!isReal())
        return;
    try {
        auto connection = db::createOracleConnection();
        connection->replaceProfile(profile());
        connection->open();
        for (const auto &table : tableNames())
            if (std::find(m_tablesBefore.begin(), m_tablesBefore.end(), table) == m_tablesBefore.end())
                connection->execute("drop table \"" + table + "\" cascade constraints purge");
    } catch (const std::exception &e) {
        ADD_FAILURE() << "could not drop the test's tables: " << e.what();
    }
}

std::vector<std::string> OracleTarget::tableNames() const
{
    auto connection = db::createOracleConnection();
    connection->replaceProfile(profile());
    connection->open();
    std::vector<std::string> names;
    for (const auto &row : connection->query("select table_name from user_tables"))
        names.push_back(row.at(0).data);
    return names;
}

std::string OracleTarget::owner() const { return db::asciiUpper(m_user); }

std::vector<std::string> OracleTarget::profile() const { return profile(m_user, m_password); }

std::vector<std::string> OracleTarget::profile(const std::string &user, const std::string &password) const
{
    return db::oracleTargetProfile(m_service, user, password);
}

void OracleTarget::createUser(const std::string &user, const std::string &password) const
{
    if (!m_sim)
        throw std::runtime_error("a real Oracle's users are not made by the tests");
    m_sim->createUser(user, password);
}

testing::AssertionResult oracleErrorIs(const OracleDifferences &differences, const std::string &actual,
                                       const std::string &classicText)
{
    if (differences.classicMessages ? actual == classicText
                                    : actual.compare(0, 10, classicText, 0, 10) == 0) // "ORA-nnnnn:"
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "Oracle said \"" << actual << "\", expected \"" << classicText << "\""
                                       << (differences.classicMessages ? "" : " (its number)");
}

} // namespace testsupport
