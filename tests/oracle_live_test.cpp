// Against a real Oracle only (MORVANE_TEST_ORACLE=USER/PASSWORD@CONNECT, the client library that the
// test configuration puts on the library path): the rules the stand-in enforces, checked at their
// source with the same raw OCI calls as the stand-in's own tests. Without the variable the whole
// program reports itself skipped (exit 77), never passed.

#include "db/Drivers.h"
#include "db/OciLibrary.h"
#include "support/OracleTarget.h"
#include "support/RawOci.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

class OracleLive : public ::testing::Test {
protected:
    void SetUp() override
    {
        MORVANE_REQUIRE_REAL_ORACLE();
        m_target = std::make_unique<testsupport::OracleTarget>();
        // The driver loads the client library; the raw calls go to the same one.
        auto connection = db::createOracleConnection();
        connection->replaceProfile(m_target->profile());
        connection->open();
        m_library = db::OciLibrary::instance().path();
        m_db = std::make_unique<testsupport::RawConn>(m_target->user(), m_target->password(), m_target->service(),
                                                      testsupport::rawOciFrom(m_library));
        ASSERT_EQ(m_db->logonStatus(), oci::SUCCESS) << m_db->error();
    }

    const testsupport::RawOciApi &api() const { return m_db->api(); }
    std::string code(const std::string &message) const { return message.substr(0, 10); }

    std::unique_ptr<testsupport::OracleTarget> m_target;
    std::string m_library;
    std::unique_ptr<testsupport::RawConn> m_db;
};

TEST_F(OracleLive, TheClientIsOraclesNotTheStandIn)
{
    EXPECT_EQ(m_library.find("oracle-sim"), std::string::npos) << m_library;
    int major = 0, minor = 0, update = 0, patch = 0, port = 0;
    api().clientVersion(&major, &minor, &update, &patch, &port);
    RecordProperty("client", std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(update));
    EXPECT_GE(major, 11);
}

TEST_F(OracleLive, DeclarationsOracleRefusesAsTheStandInDoes)
{
    EXPECT_EQ(code(m_db->exec("create table morvane_live_t (t timestamp(10))")), "ORA-30088:");
    EXPECT_EQ(code(m_db->exec("create table morvane_live_r (b raw(2001))")), "ORA-00910:");
    EXPECT_EQ(code(m_db->exec("create table morvane_live_c (c varchar2(4001 char))")), "ORA-00910:");
    EXPECT_EQ(code(m_db->exec("create table morvane_live_i (\"ROWID\" number)")), "ORA-00904:");
}

TEST_F(OracleLive, BindsOracleRefusesAsTheStandInDoes)
{
    ASSERT_EQ(m_db->exec("create table morvane_live_b (id number, note clob, d date, c varchar2(4000 char))"), "");

    // A RETURNING bind without callbacks.
    OCILobLocator *loc = nullptr;
    api().descriptorAlloc(m_db->env(), reinterpret_cast<void **>(&loc), oci::DTYPE_LOB, 0, nullptr);
    OCIStmt *st =
        m_db->prepare("insert into morvane_live_b (id, note) values (1, EMPTY_CLOB()) returning note into :1");
    api().bindByPos(st, nullptr, m_db->err(), 1, &loc, sizeof(void *), oci::SQLT_CLOB, nullptr, nullptr, nullptr, 0,
                    nullptr, oci::DEFAULT);
    EXPECT_EQ(api().stmtExecute(m_db->svc(), st, m_db->err(), 1, 0, nullptr, nullptr, oci::DEFAULT), oci::ERROR);
    EXPECT_EQ(code(m_db->error()), "ORA-24369:") << m_db->error();
    m_db->release(st);
    api().descriptorFree(loc, oci::DTYPE_LOB);

    // A bind that may be over 4000 bytes before an ordinary one.
    std::string note(5000, 'n');
    ub2 noteLength = 10;
    char id[] = "2";
    ub2 idLength = 1;
    st = m_db->prepare("insert into morvane_live_b (note, id) values (:1, :2)");
    api().bindByPos(st, nullptr, m_db->err(), 1, note.data(), static_cast<sb4>(note.size()), oci::SQLT_CHR, nullptr,
                    &noteLength, nullptr, 0, nullptr, oci::DEFAULT);
    api().bindByPos(st, nullptr, m_db->err(), 2, id, 1, oci::SQLT_CHR, nullptr, &idLength, nullptr, 0, nullptr,
                    oci::DEFAULT);
    EXPECT_EQ(api().stmtExecute(m_db->svc(), st, m_db->err(), 1, 0, nullptr, nullptr, oci::DEFAULT), oci::ERROR);
    EXPECT_EQ(code(m_db->error()), "ORA-24816:") << m_db->error();
    m_db->release(st);

    // An OCIDate bound with another size (what the stand-in answers is a guess this test checks).
    oci::OCIDate date{};
    sb2 null = oci::IND_NULL;
    st = m_db->prepare("insert into morvane_live_b (id, d) values (3, :1)");
    api().bindByPos(st, nullptr, m_db->err(), 1, &date, 1, oci::SQLT_ODT, &null, nullptr, nullptr, 0, nullptr,
                    oci::DEFAULT);
    const sword status = api().stmtExecute(m_db->svc(), st, m_db->err(), 1, 0, nullptr, nullptr, oci::DEFAULT);
    RecordProperty("odt_size_1", status == oci::SUCCESS ? std::string("accepted") : m_db->error());
    EXPECT_EQ(code(m_db->error()), "ORA-01460:") << m_db->error();
    m_db->release(st);

    // 8000 bytes into a VARCHAR2(4000 CHAR): a LONG bind, refused for the whole statement.
    std::string text;
    for (int i = 0; i < 4000; ++i)
        text += "é";
    ub2 textLength = static_cast<ub2>(text.size());
    st = m_db->prepare("insert into morvane_live_b (id, c) values (4, :1)");
    api().bindByPos(st, nullptr, m_db->err(), 1, text.data(), static_cast<sb4>(text.size()), oci::SQLT_CHR, nullptr,
                    &textLength, nullptr, 0, nullptr, oci::DEFAULT);
    EXPECT_EQ(api().stmtExecute(m_db->svc(), st, m_db->err(), 1, 0, nullptr, nullptr, oci::DEFAULT), oci::ERROR);
    RecordProperty("long_bind_into_varchar2", m_db->error());
    EXPECT_EQ(code(m_db->error()), "ORA-01461:") << m_db->error();
    m_db->release(st);
}

} // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (!testsupport::testOracleIsReal()) {
        std::puts("skipped: set MORVANE_TEST_ORACLE=USER/PASSWORD@CONNECT to run against a real Oracle");
        return 77; // CTest's SKIP_RETURN_CODE for this program
    }
    return RUN_ALL_TESTS();
}
