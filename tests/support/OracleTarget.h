#pragma once

#include "support/OracleSim.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// What a test can see differently on a real Oracle than on the stand-in, declared here once so that
// tests ask instead of guessing (SOCI keeps each backend's quirks the same way).
struct OracleDifferences {
    bool standIn = true;
    // Messages as releases 11g to 21c word them. Release 23ai rewords several (ORA-00942, 01438, 01830,
    // 01858, 01861, 02327, and 00001 and 01017 as far as known), so against a real Oracle tests compare
    // the ORA number, and the text only where this is true.
    bool classicMessages = true;
    // The stand-in makes users and services (oracle-sim-admin); a real schema is given, not made.
    bool canCreateUsers = true;
    // ORACLE_SIM_FAIL_EXECUTE, ORACLE_SIM_DROP_AFTER, ORACLE_SIM_DELAY_MS: the stand-in's alone.
    bool faultInjection = true;
    // A fresh stand-in service holds nothing; a real schema may hold tables of its own, which tests
    // leave alone: they drop only the tables they made, and count only those.
    bool freshSchema = true;
    // MAX_STRING_SIZE=EXTENDED: VARCHAR2 up to 32767 bytes, so VARCHAR2(4001 CHAR) is taken and a
    // VARCHAR2(n CHAR) holds up to 4n bytes. The stand-in plays STANDARD; a real server is asked.
    bool extendedStrings = false;
    // Not yet known: what Oracle answers an OCIDate bound with another size (the stand-in: ORA-01460),
    // and the figures of ORA-12899 when only the 4000-byte cap of a CHAR-semantics column is passed.
};

// MORVANE_TEST_ORACLE=USER/PASSWORD@CONNECT is set (and not empty): tests of the OCI driver, the row
// copy and the run take their Oracle from it, through the client library the build's test
// configuration puts on their library path (README: running the suite against Oracle).
bool testOracleIsReal();

// The Oracle of one test: a fresh stand-in service, or the real Oracle of MORVANE_TEST_ORACLE, whose
// tables made during the test are dropped again when this object goes.
class OracleTarget {
public:
    OracleTarget();
    ~OracleTarget();
    OracleTarget(const OracleTarget &) = delete;
    OracleTarget &operator=(const OracleTarget &) = delete;

    bool isReal() const noexcept { return m_sim == nullptr; }
    const OracleDifferences &differences() const noexcept { return m_differences; }
    // The connect string: the stand-in's service name, or what follows the @.
    const std::string &service() const noexcept { return m_service; }
    const std::string &user() const noexcept { return m_user; }
    const std::string &password() const noexcept { return m_password; }
    // The user as Oracle prints it in messages: "SCOTT"."T"."C".
    std::string owner() const;
    std::vector<std::string> profile() const;
    std::vector<std::string> profile(const std::string &user, const std::string &password) const;
    // Stand-in only (differences().canCreateUsers); throws otherwise.
    void createUser(const std::string &user, const std::string &password) const;

private:
    std::vector<std::string> tableNames() const;
    bool takesLongVarchar2() const;

    std::unique_ptr<OracleSim> m_sim;
    OracleDifferences m_differences;
    std::string m_service, m_user, m_password;
    std::vector<std::string> m_tablesBefore;
};

// For a test that expects Oracle's error: the exact text where the wording is known to hold, the
// number otherwise. Returns an explanation on mismatch.
testing::AssertionResult oracleErrorIs(const OracleDifferences &differences, const std::string &actual,
                                       const std::string &classicText);

} // namespace testsupport

// First statement of a test that needs what only the stand-in offers.
#define MORVANE_REQUIRE_STAND_IN(why)                                                                                  \
    do {                                                                                                               \
        if (::testsupport::testOracleIsReal())                                                                         \
            GTEST_SKIP() << "needs the Oracle stand-in: " << why;                                                      \
    } while (0)

// First statement of a test that only means something against a real Oracle.
#define MORVANE_REQUIRE_REAL_ORACLE()                                                                                  \
    do {                                                                                                               \
        if (!::testsupport::testOracleIsReal())                                                                        \
            GTEST_SKIP() << "set MORVANE_TEST_ORACLE=USER/PASSWORD@CONNECT to run against a real Oracle";              \
    } while (0)
