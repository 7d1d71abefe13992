// What the stand-in refuses because Oracle refuses it, each rule driven through raw OCI calls both
// the way our driver once sent it (refused) and the way Oracle takes it: RETURNING binds, binds that
// may be over 4000 bytes after a LOB, the size of DATE binds, ROWID as a column name. Also the temporary LOBs the
// driver now writes large objects through, and the server status a client asks after an error.

#include "support/Env.h"
#include "support/OracleSim.h"
#include "support/RawOci.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using testsupport::RawConn;
using testsupport::ReturningBind;

const testsupport::RawOciApi &api() { return testsupport::rawOci(); }

class OracleSimStrict : public ::testing::Test {
protected:
    testsupport::OracleSim sim;
    RawConn db{"scott", "tiger", sim.service()};

    OCILobLocator *newLocator()
    {
        OCILobLocator *loc = nullptr;
        api().descriptorAlloc(db.env(), reinterpret_cast<void **>(&loc), oci::DTYPE_LOB, 0, nullptr);
        m_locators.push_back(loc);
        return loc;
    }
    void TearDown() override
    {
        for (OCILobLocator *loc : m_locators)
            api().descriptorFree(loc, oci::DTYPE_LOB);
    }

    std::vector<OCILobLocator *> m_locators;
};

TEST_F(OracleSimStrict, ReturningIntoTakesOnlyDynamicBinds)
{
    ASSERT_EQ(db.exec("create table r (id number, note clob)"), "");
    const std::string sql = "insert into r (id, note) values (1, EMPTY_CLOB()) returning note into :1";
    OCILobLocator *loc = newLocator();

    // A locator bound as a plain OUT value: Oracle wants callbacks for it.
    OCIStmt *st = db.prepare(sql);
    api().bindByPos(st, nullptr, db.err(), 1, &loc, sizeof(void *), oci::SQLT_CLOB, nullptr, nullptr, nullptr, 0,
                    nullptr, oci::DEFAULT);
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, oci::DEFAULT), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-24369: required callbacks not registered for one or more bind handles");
    db.release(st);
    EXPECT_EQ(db.single("select count(*) from r"), "0") << "the refused statement changed nothing";

    // In OCI_DATA_AT_EXEC mode with OCIBindDynamic the locator comes back, ready for writing.
    st = db.prepare(sql);
    ReturningBind into(st, db.err(), 1, oci::SQLT_CLOB, {loc}, sizeof(void *));
    ASSERT_EQ(into.status(), oci::SUCCESS);
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, oci::DEFAULT), oci::SUCCESS)
        << db.error();
    db.release(st);
    std::string text = "written through the returned locator";
    oraub8 bytes = text.size(), chars = 0;
    ASSERT_EQ(api().lobWrite2(db.svc(), db.err(), loc, &bytes, &chars, 1, text.data(), text.size(), oci::ONE_PIECE,
                              nullptr, nullptr, oci::CHARSET_AL32UTF8, oci::SQLCS_IMPLICIT),
              oci::SUCCESS)
        << db.error();
    EXPECT_EQ(db.single("select note from r"), text);
}

TEST_F(OracleSimStrict, NoBindThatMayBeOver4000BytesFollowsALobBind)
{
    ASSERT_EQ(db.exec("create table l (id number, body clob, note clob, name varchar2(2000 char))"), "");
    OCILobLocator *body = newLocator();
    ASSERT_EQ(api().lobCreateTemporary(db.svc(), db.err(), body, 0, oci::SQLCS_IMPLICIT, oci::TEMP_CLOB, 1,
                                       oci::DURATION_SESSION),
              oci::SUCCESS);
    std::string bodyText(40000, 'b');
    oraub8 bytes = bodyText.size(), chars = 0;
    ASSERT_EQ(api().lobWrite2(db.svc(), db.err(), body, &bytes, &chars, 1, bodyText.data(), bodyText.size(),
                              oci::ONE_PIECE, nullptr, nullptr, oci::CHARSET_AL32UTF8, oci::SQLCS_IMPLICIT),
              oci::SUCCESS)
        << db.error();
    // Oracle goes by the bind's maximum size: a 5000-byte buffer holding ten bytes may still be long.
    std::string note(5000, ' ');
    note.replace(0, 10, "short note");
    ub2 noteLength = 10;
    char id[] = "7";
    ub2 idLength = 1;
    char name[] = "n";
    ub2 nameLength = 1;
    // Positions of id, body, note and name in the statement.
    auto insert = [&](const std::string &sql, ub4 idAt, ub4 bodyAt, ub4 noteAt, ub4 nameAt) {
        OCIStmt *st = db.prepare(sql);
        api().bindByPos(st, nullptr, db.err(), idAt, id, 1, oci::SQLT_CHR, nullptr, &idLength, nullptr, 0, nullptr,
                        oci::DEFAULT);
        api().bindByPos(st, nullptr, db.err(), bodyAt, &body, sizeof(void *), oci::SQLT_CLOB, nullptr, nullptr, nullptr,
                        0, nullptr, oci::DEFAULT);
        api().bindByPos(st, nullptr, db.err(), noteAt, note.data(), static_cast<sb4>(note.size()), oci::SQLT_CHR,
                        nullptr, &noteLength, nullptr, 0, nullptr, oci::DEFAULT);
        api().bindByPos(st, nullptr, db.err(), nameAt, name, 1, oci::SQLT_CHR, nullptr, &nameLength, nullptr, 0,
                        nullptr, oci::DEFAULT);
        const sword rc = api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, oci::DEFAULT);
        db.release(st);
        return rc == oci::SUCCESS ? std::string() : db.error();
    };
    // The LOB locator in column order, the long value after it: refused before any row is touched.
    EXPECT_EQ(insert("insert into l (id, body, name, note) values (:1, :2, :3, :4)", 1, 2, 4, 3),
              "ORA-24816: Expanded non LONG bind data supplied after actual LONG or LOB column");
    EXPECT_EQ(db.single("select count(*) from l"), "0");
    // Ordinary binds, then the one that may be long, then the LOB: taken. An ordinary bind after a
    // LOB is no concern of the rule, nor one long bind after another.
    EXPECT_EQ(insert("insert into l (id, name, note, body) values (:1, :2, :3, :4)", 1, 4, 3, 2), "");
    EXPECT_EQ(insert("insert into l (note, body, id, name) values (:1, :2, :3, :4)", 3, 2, 1, 4), "");
    EXPECT_EQ(db.rows("select id, name, note, length(body) from l"),
              (std::vector<std::string>{"7|n|short note|40000", "7|n|short note|40000"}));

    // A LONG bind counts as a LOB one: a long character bind after it is refused too.
    std::string longValue(5000, 'x');
    ub2 longLength = 5;
    OCIStmt *st = db.prepare("insert into l (id, note, name) values (1, :1, :2)");
    api().bindByPos(st, nullptr, db.err(), 1, longValue.data(), static_cast<sb4>(longValue.size()), oci::SQLT_LNG,
                    nullptr, &longLength, nullptr, 0, nullptr, oci::DEFAULT);
    api().bindByPos(st, nullptr, db.err(), 2, note.data(), static_cast<sb4>(note.size()), oci::SQLT_CHR, nullptr,
                    &noteLength, nullptr, 0, nullptr, oci::DEFAULT);
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, oci::DEFAULT), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-24816: Expanded non LONG bind data supplied after actual LONG or LOB column");
    db.release(st);
}

TEST_F(OracleSimStrict, ADateBindHasTheSizeOfAnOciDateEvenWhenEveryValueIsNull)
{
    ASSERT_EQ(db.exec("create table d (id number, born date)"), "");
    oci::OCIDate dates[3] = {};
    sb2 nulls[3] = {oci::IND_NULL, oci::IND_NULL, oci::IND_NULL};
    std::int64_t ids[3] = {1, 2, 3};
    auto insert = [&](sb4 dateSize) {
        OCIStmt *st = db.prepare("insert into d (id, born) values (:1, :2)");
        api().bindByPos(st, nullptr, db.err(), 1, ids, sizeof ids[0], oci::SQLT_INT, nullptr, nullptr, nullptr, 0,
                        nullptr, oci::DEFAULT);
        OCIBind *bind = nullptr;
        api().bindByPos(st, &bind, db.err(), 2, dates, dateSize, oci::SQLT_ODT, nulls, nullptr, nullptr, 0, nullptr,
                        oci::DEFAULT);
        api().bindArrayOfStruct(bind, db.err(), sizeof dates[0], sizeof nulls[0], 0, 0);
        const sword rc = api().stmtExecute(db.svc(), st, db.err(), 3, 0, nullptr, nullptr, oci::DEFAULT);
        db.release(st);
        return rc == oci::SUCCESS ? std::string() : db.error();
    };
    // The size the driver once took from the widest value of an all-NULL chunk.
    EXPECT_EQ(insert(1), "ORA-01460: unimplemented or unreasonable conversion requested");
    EXPECT_EQ(insert(sizeof(oci::OCIDate)), "");
    EXPECT_EQ(db.single("select count(*), count(born) from d"), "3|0");
}

TEST_F(OracleSimStrict, RowidNamesNoColumnQuotedOrNot)
{
    EXPECT_EQ(db.exec("create table t (rowid number)"), "ORA-00904: : invalid identifier");
    EXPECT_EQ(db.exec("create table t (\"ROWID\" number)"), "ORA-00904: \"ROWID\": invalid identifier");
    EXPECT_EQ(db.exec("create table t (\"rowid\" number)"), "") << "only the upper-case name is the pseudocolumn";
}

std::string pattern(std::size_t bytes)
{
    const std::string unit = "ab é 東 😀 ";
    std::string out;
    while (out.size() + unit.size() <= bytes)
        out += unit;
    return out;
}

TEST_F(OracleSimStrict, TemporaryLobsWrittenInPiecesGoInAsArrayBinds)
{
    ASSERT_EQ(db.exec("create table t (id number, note clob, pic blob)"), "");
    const std::string text = pattern(300000);
    std::string bytes(250000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i % 251);

    OCILobLocator *notes[2] = {newLocator(), newLocator()};
    OCILobLocator *pics[2] = {newLocator(), newLocator()};
    for (OCILobLocator *loc : notes)
        ASSERT_EQ(api().lobCreateTemporary(db.svc(), db.err(), loc, 0, oci::SQLCS_IMPLICIT, oci::TEMP_CLOB, 1,
                                           oci::DURATION_SESSION),
                  oci::SUCCESS)
            << db.error();
    for (OCILobLocator *loc : pics)
        api().lobCreateTemporary(db.svc(), db.err(), loc, 0, oci::SQLCS_IMPLICIT, oci::TEMP_BLOB, 1,
                                 oci::DURATION_SESSION);
    // Pieces cut in the middle of characters: the CLOB still counts each character once.
    auto writeInPieces = [&](OCILobLocator *loc, const std::string &data, std::size_t piece) {
        for (std::size_t at = 0; at < data.size(); at += piece) {
            const std::size_t n = std::min(piece, data.size() - at);
            const ub1 kind = at == 0 ? (n == data.size() ? oci::ONE_PIECE : oci::FIRST_PIECE)
                                     : (at + n == data.size() ? oci::LAST_PIECE : oci::NEXT_PIECE);
            oraub8 byteAmount = data.size(), charAmount = 0;
            const sword rc = api().lobWrite2(db.svc(), db.err(), loc, &byteAmount, &charAmount, 1,
                                             const_cast<char *>(data.data() + at), n, kind, nullptr, nullptr,
                                             oci::CHARSET_AL32UTF8, oci::SQLCS_IMPLICIT);
            ASSERT_EQ(rc, kind == oci::FIRST_PIECE || kind == oci::NEXT_PIECE ? oci::NEED_DATA : oci::SUCCESS)
                << db.error();
        }
    };
    writeInPieces(notes[0], text, 65537);
    writeInPieces(notes[1], "x", 1);
    writeInPieces(pics[0], bytes, 100000);
    writeInPieces(pics[1], std::string(3, '\xff'), 1);
    oraub8 length = 0;
    api().lobGetLength2(db.svc(), db.err(), notes[0], &length);
    std::size_t units = 0;
    for (unsigned char c : text)
        units += (c & 0xC0) == 0x80 ? 0 : (c >= 0xF0 ? 2 : 1);
    EXPECT_EQ(length, units);

    OCIStmt *st = db.prepare("insert into t (id, note, pic) values (:1, :2, :3)");
    std::int64_t ids[2] = {1, 2};
    api().bindByPos(st, nullptr, db.err(), 1, ids, sizeof ids[0], oci::SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                    oci::DEFAULT);
    api().bindByPos(st, nullptr, db.err(), 2, notes, sizeof(void *), oci::SQLT_CLOB, nullptr, nullptr, nullptr, 0,
                    nullptr, oci::DEFAULT);
    api().bindByPos(st, nullptr, db.err(), 3, pics, sizeof(void *), oci::SQLT_BLOB, nullptr, nullptr, nullptr, 0,
                    nullptr, oci::DEFAULT);
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 2, 0, nullptr, nullptr, oci::COMMIT_ON_SUCCESS), oci::SUCCESS)
        << db.error();
    db.release(st);
    for (OCILobLocator *loc : notes)
        EXPECT_EQ(api().lobFreeTemporary(db.svc(), db.err(), loc), oci::SUCCESS);
    // A locator that is not temporary is no temporary LOB to free.
    EXPECT_EQ(api().lobFreeTemporary(db.svc(), db.err(), notes[0]), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-22275: invalid LOB locator specified");

    EXPECT_EQ(db.rows("select id, length(note), length(pic) from t order by id"),
              (std::vector<std::string>{"1|" + std::to_string(units) + "|250000", "2|1|3"}));
    RawConn other("scott", "tiger", sim.service());
    EXPECT_EQ(other.single("select count(*) from t where note = 'x'"), "error: ORA-00932: inconsistent datatypes: "
                                                                       "expected - got CLOB");
    // A temporary BLOB is no CLOB.
    st = db.prepare("insert into t (id, note) values (3, :1)");
    api().bindByPos(st, nullptr, db.err(), 1, &pics[1], sizeof(void *), oci::SQLT_BLOB, nullptr, nullptr, nullptr, 0,
                    nullptr, oci::DEFAULT);
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, oci::DEFAULT), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-00932: inconsistent datatypes: expected CLOB got BLOB");
    db.release(st);
}

TEST_F(OracleSimStrict, ACallLongerThanTheCallTimeoutIsCutAndChangesNothing)
{
    testsupport::ScopedEnv ddl("ORACLE_SIM_DDL_DELAY_MS", "300");
    testsupport::ScopedEnv dml("ORACLE_SIM_DML_DELAY_MS", "300");
    RawConn slow("scott", "tiger", sim.service());
    auto setTimeout = [&](ub4 milliseconds) {
        return api().attrSet(slow.svc(), oci::HTYPE_SVCCTX, &milliseconds, 0, oci::ATTR_CALL_TIMEOUT, slow.err());
    };
    ASSERT_EQ(setTimeout(100), oci::SUCCESS);
    ub4 read = 0;
    ASSERT_EQ(api().attrGet(slow.svc(), oci::HTYPE_SVCCTX, &read, nullptr, oci::ATTR_CALL_TIMEOUT, slow.err()),
              oci::SUCCESS);
    EXPECT_EQ(read, 100u);

    EXPECT_EQ(slow.exec("create table c (id number)"), "ORA-03156: OCI call timed out");
    // The session stays usable: calls that are quick enough go through, and the DDL was not done.
    EXPECT_EQ(slow.single("select count(*) from user_tables"), "0");
    ASSERT_EQ(setTimeout(0), oci::SUCCESS);
    EXPECT_EQ(slow.exec("create table c (id number)"), "");
    ASSERT_EQ(setTimeout(100), oci::SUCCESS);
    EXPECT_EQ(slow.exec("insert into c values (1)"), "ORA-03156: OCI call timed out");
    ASSERT_EQ(setTimeout(1000), oci::SUCCESS);
    EXPECT_EQ(slow.exec("insert into c values (2)"), "");
    EXPECT_EQ(slow.rows("select id from c"), (std::vector<std::string>{"2"}));
}

TEST_F(OracleSimStrict, PrivilegesAreAskedWhereOracleAsksThem)
{
    // A user made without a list holds every privilege, UNLIMITED TABLESPACE among them.
    const auto all = db.rows("select privilege from session_privs order by 1");
    EXPECT_NE(std::find(all.begin(), all.end(), "CREATE SEQUENCE"), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), "UNLIMITED TABLESPACE"), all.end());

    sim.createUser("limited", "pw", "create session, create table");
    RawConn limited("limited", "pw", sim.service());
    ASSERT_EQ(limited.logonStatus(), oci::SUCCESS) << limited.error();
    EXPECT_EQ(limited.rows("select privilege from session_privs order by privilege"),
              (std::vector<std::string>{"CREATE SESSION", "CREATE TABLE"}));
    EXPECT_EQ(limited.exec("create table t (id number)"), "");
    // An identity column comes with a sequence of its own: creating one takes CREATE SEQUENCE.
    EXPECT_EQ(limited.exec("create table i (id number generated by default as identity, n number)"),
              "ORA-01031: insufficient privileges");
    EXPECT_EQ(limited.exec("create sequence s"), "ORA-01031: insufficient privileges");
    EXPECT_EQ(limited.rows("select table_name from user_tables"), (std::vector<std::string>{"T"}));
    // Without a quota the table holds no row: its segment would take space in USERS.
    EXPECT_EQ(limited.exec("insert into t values (1)"), "ORA-01950: no privileges on tablespace 'USERS'");
    EXPECT_TRUE(limited.rows("select tablespace_name from user_ts_quotas").empty());
    EXPECT_EQ(limited.single("select default_tablespace from user_users"), "USERS");

    // The roles stand for their privileges; a quota lets rows in.
    sim.createUser("builder", "pw", "CONNECT,RESOURCE", "UNLIMITED");
    RawConn builder("builder", "pw", sim.service());
    EXPECT_EQ(builder.exec("create table i (id number generated by default as identity, n number)"), "");
    EXPECT_EQ(builder.exec("insert into i (n) values (1)", oci::COMMIT_ON_SUCCESS), "");
    EXPECT_EQ(builder.rows("select tablespace_name, max_bytes from user_ts_quotas"),
              (std::vector<std::string>{"USERS|-1"}));

    sim.createUser("mute", "pw", "CREATE TABLE");
    RawConn mute("mute", "pw", sim.service());
    EXPECT_EQ(mute.logonStatus(), oci::ERROR);
    EXPECT_EQ(mute.error(), "ORA-01045: user MUTE lacks CREATE SESSION privilege; logon denied");
}

TEST_F(OracleSimStrict, AForeignKeyReferencesAConstraintNotAUniqueIndex)
{
    ASSERT_EQ(db.exec("create table p (a number, b number)"), "");
    ASSERT_EQ(db.exec("create unique index pu on p (a, b)"), "");
    ASSERT_EQ(db.exec("create table c (id number, a number, b number)"), "");
    const std::string foreignKey = "alter table c add constraint cf foreign key (a, b) references p (a, b)";
    EXPECT_EQ(db.exec(foreignKey), "ORA-02270: no matching unique or primary key for this column-list");
    EXPECT_EQ(db.exec("create table c2 (a number, b number, constraint c2f foreign key (b, a) references p (b, a))"),
              "ORA-02270: no matching unique or primary key for this column-list");

    // A unique constraint on the columns takes the index over, and the key has something to refer to.
    EXPECT_EQ(db.exec("alter table p add constraint pk2 unique (a, b)"), "");
    EXPECT_EQ(db.rows("select constraint_type, index_name from user_constraints where table_name = 'P'"),
              (std::vector<std::string>{"U|PU"}));
    EXPECT_EQ(db.exec(foreignKey), "");
    EXPECT_EQ(db.exec("drop index pu"), "ORA-02429: cannot drop index used for enforcement of unique/primary key");

    // Made without an index first, the constraint brings its own, named after it.
    ASSERT_EQ(db.exec("create table q (a number, b varchar2(10))"), "");
    EXPECT_EQ(db.exec("alter table q add constraint qu unique (b, a)"), "");
    EXPECT_EQ(db.rows("select index_name, uniqueness from user_indexes where table_name = 'Q'"),
              (std::vector<std::string>{"QU|UNIQUE"}));
    EXPECT_EQ(db.exec("create table r (a number, b varchar2(10), foreign key (a, b) references q (a, b))"), "");
}

TEST_F(OracleSimStrict, PatternsAndLiteralsHaveOraclesLengthLimits)
{
    ASSERT_EQ(db.exec("create table s (v varchar2(4000))"), "");
    ASSERT_EQ(db.exec("insert into s values ('a,b')", oci::COMMIT_ON_SUCCESS), "");
    // A SET of 22 members of 10 letters each, as "^(a|b|...)(,(a|b|...))*$": 492 bytes, then 514.
    auto setPattern = [](int members) {
        std::string alternatives;
        for (int i = 0; i < members; ++i)
            alternatives += (i ? "|" : "") + std::string(9, 'm') + static_cast<char>('a' + i);
        return "^(" + alternatives + ")(,(" + alternatives + "))*$";
    };
    const std::string fits = setPattern(22), tooLong = setPattern(22) + std::string(22, 'x');
    ASSERT_EQ(fits.size(), 492u);
    const std::string regexTooLong = "ORA-12733: regular expression too long";
    EXPECT_EQ(db.exec("alter table s add constraint sc check (regexp_like(v, '" + tooLong + "') or v = 'a,b')"),
              regexTooLong)
        << "the existing row is checked against it";
    EXPECT_EQ(db.rows("select count(*) from s where regexp_like(v, '" + tooLong + "')"),
              (std::vector<std::string>{"error: " + regexTooLong}));
    EXPECT_EQ(db.rows("select count(*) from s where regexp_like(v, '" + std::string(512, 'a') + "')"),
              (std::vector<std::string>{"0"}));
    EXPECT_EQ(db.exec("alter table s add constraint sc check (regexp_like(v, '" + fits + "') or v = 'a,b')"), "");

    // A comment is a string literal: 4000 bytes at most, whatever the characters.
    std::string comment;
    while (comment.size() < 4000)
        comment += "é";
    EXPECT_EQ(db.exec("comment on table s is '" + comment + "'"), "");
    EXPECT_EQ(db.exec("comment on column s.v is '" + comment + "x'"), "ORA-01704: string literal too long");
}

TEST_F(OracleSimStrict, TheServerHandleTellsWhetherTheConnectionStands)
{
    void *server = nullptr;
    ASSERT_EQ(api().attrGet(db.svc(), oci::HTYPE_SVCCTX, &server, nullptr, oci::ATTR_SERVER, db.err()), oci::SUCCESS);
    ub4 status = 99;
    ASSERT_EQ(api().attrGet(server, oci::HTYPE_SERVER, &status, nullptr, oci::ATTR_SERVER_STATUS, db.err()),
              oci::SUCCESS);
    EXPECT_EQ(status, oci::SERVER_NORMAL);
}

} // namespace
