// Against a real Oracle only (MORVANE_TEST_ORACLE=USER/PASSWORD@CONNECT, the client library that the
// test configuration puts on the library path): the rules the stand-in enforces, checked at their
// source with the same raw OCI calls as the stand-in's own tests. Without the variable every case
// skips, and the program reports itself skipped (exit 77), never passed.

#include "db/Drivers.h"
#include "db/oci/OciLibrary.h"
#include "support/OracleTarget.h"
#include "support/RawOci.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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
    // Taken where MAX_STRING_SIZE is EXTENDED, as the stand-in's STANDARD refuses it.
    const std::string wide = m_db->exec("create table morvane_live_c (c varchar2(4001 char))");
    RecordProperty("varchar2_4001_char", wide.empty() ? std::string("taken (EXTENDED)") : wide);
    EXPECT_EQ(code(wide), m_target->differences().extendedStrings ? "" : "ORA-00910:");
    EXPECT_EQ(code(m_db->exec("create table morvane_live_i (\"ROWID\" number)")), "ORA-00904:");
}

TEST_F(OracleLive, BindsOracleRefusesAsTheStandInDoes)
{
    ASSERT_EQ(
        m_db->exec("create table morvane_live_b (id number, note clob, d date, c varchar2(4000 char), body clob)"), "");

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

    // A bind that may be over 4000 bytes after a LOB locator is refused; in the order the driver sends
    // (ordinary binds, those that may be long, LOB locators last) the row goes in.
    OCILobLocator *body = nullptr;
    api().descriptorAlloc(m_db->env(), reinterpret_cast<void **>(&body), oci::DTYPE_LOB, 0, nullptr);
    ASSERT_EQ(api().lobCreateTemporary(m_db->svc(), m_db->err(), body, 0, oci::SQLCS_IMPLICIT, oci::TEMP_CLOB, 1,
                                       oci::DURATION_SESSION),
              oci::SUCCESS)
        << m_db->error();
    std::string bodyText(40000, 'b');
    oraub8 bodyBytes = bodyText.size(), bodyChars = 0;
    ASSERT_EQ(api().lobWrite2(m_db->svc(), m_db->err(), body, &bodyBytes, &bodyChars, 1, bodyText.data(),
                              bodyText.size(), oci::ONE_PIECE, nullptr, nullptr, oci::CHARSET_AL32UTF8,
                              oci::SQLCS_IMPLICIT),
              oci::SUCCESS)
        << m_db->error();
    std::string note(5000, 'n');
    ub2 noteLength = 10;
    char id[] = "2";
    ub2 idLength = 1;
    auto insert = [&](const std::string &sql, ub4 idAt, ub4 bodyAt, ub4 noteAt) {
        OCIStmt *statement = m_db->prepare(sql);
        api().bindByPos(statement, nullptr, m_db->err(), idAt, id, 1, oci::SQLT_CHR, nullptr, &idLength, nullptr, 0,
                        nullptr, oci::DEFAULT);
        api().bindByPos(statement, nullptr, m_db->err(), bodyAt, &body, sizeof(void *), oci::SQLT_CLOB, nullptr,
                        nullptr, nullptr, 0, nullptr, oci::DEFAULT);
        api().bindByPos(statement, nullptr, m_db->err(), noteAt, note.data(), static_cast<sb4>(note.size()),
                        oci::SQLT_CHR, nullptr, &noteLength, nullptr, 0, nullptr, oci::DEFAULT);
        const sword rc = api().stmtExecute(m_db->svc(), statement, m_db->err(), 1, 0, nullptr, nullptr, oci::DEFAULT);
        m_db->release(statement);
        return rc == oci::SUCCESS ? std::string() : m_db->error();
    };
    EXPECT_EQ(code(insert("insert into morvane_live_b (id, body, note) values (:1, :2, :3)", 1, 2, 3)), "ORA-24816:");
    EXPECT_EQ(insert("insert into morvane_live_b (id, note, body) values (:1, :2, :3)", 1, 3, 2), "");
    api().lobFreeTemporary(m_db->svc(), m_db->err(), body);
    api().descriptorFree(body, oci::DTYPE_LOB);

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

TEST_F(OracleLive, KeysAndLengthsOracleRefusesAsTheStandInDoes)
{
    ASSERT_EQ(m_db->exec("create table morvane_live_p (a number, b number)"), "");
    ASSERT_EQ(m_db->exec("create unique index morvane_live_pu on morvane_live_p (a, b)"), "");
    ASSERT_EQ(m_db->exec("create table morvane_live_f (a number, b number)"), "");
    const std::string foreignKey = "alter table morvane_live_f add constraint morvane_live_ff foreign key (a, b) "
                                   "references morvane_live_p (a, b)";
    EXPECT_EQ(code(m_db->exec(foreignKey)), "ORA-02270:");
    EXPECT_EQ(m_db->exec("alter table morvane_live_p add constraint morvane_live_pk unique (a, b)"), "");
    EXPECT_EQ(m_db->exec(foreignKey), "");

    ASSERT_EQ(m_db->exec("insert into morvane_live_p values (1, 2)"), "");
    const std::string tooLong(513, 'a');
    const auto rows =
        m_db->rows("select count(*) from morvane_live_p where regexp_like(to_char(a), '" + tooLong + "')");
    RecordProperty("regex_513_bytes", rows.empty() ? std::string() : rows.front());
    EXPECT_EQ(rows, (std::vector<std::string>{"error: ORA-12733: regular expression too long"}));
    EXPECT_EQ(code(m_db->exec("comment on table morvane_live_p is '" + std::string(4001, 'c') + "'")), "ORA-01704:");
    m_db->exec("rollback");
}

} // namespace
