// The Oracle stand-in, driven through raw OCI calls on the library itself (dlopen), the way any OCI
// client would: logon, DDL rules, value checks, describe and fetch, array DML with batch errors,
// LOBs, transactions between sessions, and fault injection.

#include "db/oci/OciApi.h"
#include "support/ChildTest.h"
#include "support/OracleSim.h"
#include "support/RawOci.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using testsupport::oraText;
using Conn = testsupport::RawConn;

const testsupport::RawOciApi &api() {
    return testsupport::rawOci();
}
const OraText *text(const std::string &s) {
    return oraText(s);
}
std::string errorText(void *handle, ub4 type = oci::HTYPE_ERROR, ub4 record = 1)
{
    return testsupport::rawErrorText(handle, type, record);
}

class OracleSimTest : public ::testing::Test {
protected:
    testsupport::OracleSim sim;
    Conn db{"scott", "tiger", sim.service()};
};

TEST_F(OracleSimTest, LogonChecksServiceUserAndPassword)
{
    ASSERT_EQ(db.logonStatus(), oci::SUCCESS) << db.error();
    Conn unknown("scott", "tiger", "NOSUCHSVC");
    EXPECT_EQ(unknown.logonStatus(), oci::ERROR);
    EXPECT_EQ(unknown.error(), "ORA-12154: TNS:could not resolve the connect identifier specified");
    Conn badPassword("scott", "TIGER", sim.service());
    EXPECT_EQ(badPassword.error(), "ORA-01017: invalid username/password; logon denied");
    Conn badUser("adams", "tiger", sim.service());
    EXPECT_EQ(badUser.error(), "ORA-01017: invalid username/password; logon denied");
    // User names fold to upper case; the host:port/service form names the same service.
    Conn upper("SCOTT", "tiger", "localhost:1521/" + sim.service());
    EXPECT_EQ(upper.logonStatus(), oci::SUCCESS) << upper.error();
    EXPECT_EQ(upper.single("select user from dual"), "SCOTT");
}

TEST_F(OracleSimTest, HandlesAreCheckedAndErrorsEndWithNoData)
{
    sb4 code = 0;
    char buf[64];
    EXPECT_EQ(api().errorGet(nullptr, 1, nullptr, &code, reinterpret_cast<OraText *>(buf), sizeof buf,
                             oci::HTYPE_ERROR),
              oci::INVALID_HANDLE);
    // A service context passed where a statement belongs.
    EXPECT_EQ(api().stmtExecute(db.svc(), reinterpret_cast<OCIStmt *>(db.svc()), db.err(), 1, 0, nullptr, nullptr, 0),
              oci::INVALID_HANDLE);
    EXPECT_EQ(api().stmtExecute(db.svc(), nullptr, db.err(), 1, 0, nullptr, nullptr, 0), oci::INVALID_HANDLE);
    EXPECT_EQ(api().handleFree(db.err(), oci::HTYPE_STMT), oci::INVALID_HANDLE);

    EXPECT_EQ(db.exec("drop table nothere"), "ORA-00942: table or view does not exist");
    EXPECT_EQ(api().errorGet(db.err(), 1, nullptr, &code, reinterpret_cast<OraText *>(buf), sizeof buf,
                             oci::HTYPE_ERROR),
              oci::SUCCESS);
    EXPECT_EQ(code, 942);
    EXPECT_EQ(api().errorGet(db.err(), 2, nullptr, &code, reinterpret_cast<OraText *>(buf), sizeof buf,
                             oci::HTYPE_ERROR),
              oci::NO_DATA);

    int major = 0, minor = -1, update = -1, patch = -1, port = -1;
    api().clientVersion(&major, &minor, &update, &patch, &port);
    EXPECT_EQ(major, 19);
}

TEST_F(OracleSimTest, NamesFoldUnlessQuotedAndRespectTheLimit)
{
    EXPECT_EQ(db.exec("create table orders (id number)"), "");
    EXPECT_EQ(db.exec("create table \"orders\" (\"id\" number)"), "");
    EXPECT_EQ(db.exec("create table ORDERS (x number)"), "ORA-00955: name is already used by an existing object");
    EXPECT_EQ(db.rows("select table_name from user_tables order by table_name"),
              (std::vector<std::string>{"ORDERS", "orders"}));
    EXPECT_EQ(db.single("select count(*) cn from all_tables where table_name='orders' and upper(owner)='SCOTT'"), "1");
    EXPECT_EQ(db.single("select count(*) from \"orders\" where id = 1"), "error: ORA-00904: \"ID\": invalid identifier");

    const std::string name30(30, 'A'), name31(31, 'A');
    EXPECT_EQ(db.exec("create table " + name30 + " (x number)"), "");
    EXPECT_EQ(db.exec("create table " + name31 + " (x number)"), "ORA-00972: identifier is too long");
    EXPECT_EQ(db.exec("create table \"" + name31 + "\" (x number)"), "ORA-00972: identifier is too long");
    EXPECT_EQ(db.exec("create table \"\" (x number)"), "ORA-01741: illegal zero-length identifier");

    // Reserved words are names only between quotes.
    EXPECT_EQ(db.exec("create table t (date number)"), "ORA-00904: : invalid identifier");
    EXPECT_EQ(db.exec("create table comment (x number)"), "ORA-00903: invalid table name");
    EXPECT_EQ(db.exec("create table t (\"DATE\" date, \"level\" number)"), "");

    // The 128-byte limit of newer servers, switched on at logon.
    setenv("ORACLE_SIM_MAX_IDENTIFIER", "128", 1);
    Conn wide("scott", "tiger", sim.service());
    unsetenv("ORACLE_SIM_MAX_IDENTIFIER");
    ub4 maxLen = 0;
    api().attrGet(wide.svc(), oci::HTYPE_SVCCTX, &maxLen, nullptr, oci::ATTR_MAX_IDENTIFIER_LEN, wide.err());
    EXPECT_EQ(maxLen, 128u);
    EXPECT_EQ(wide.exec("create table " + name31 + " (x number)"), "");
    EXPECT_EQ(wide.exec("create table " + std::string(129, 'B') + " (x number)"), "ORA-00972: identifier is too long");
}

TEST_F(OracleSimTest, CreateTableTakesTheProgramsShapeAndRejectsBadTypes)
{
    // The create statement as the table definition builds it: CR LF between lines, blanks around commas.
    EXPECT_EQ(db.exec("Create table \"USERS\" (\r\n\"ID\"  number  , \r\n\"NAME\" varchar2(50)  , \r\n"
                      "\"BIO\" CLOB  , \r\n\"PHOTO\"  BLOB  , \r\n\"CREATED\"  date   ) "),
              "");
    EXPECT_EQ(db.exec("Create table \"T1\" (\r\n\"A\" varchar2(50) binary  ) "), "ORA-00907: missing right parenthesis");
    EXPECT_EQ(db.exec("Create table \"T1\" (\r\n\"A\" varchar2(4001)  ) "),
              "ORA-00910: specified length too long for its datatype");
    EXPECT_EQ(db.exec("Create table \"T1\" (\r\n\"A\" varchar2(0)  ) "), "ORA-01723: zero-length columns are not allowed");
    EXPECT_EQ(db.exec("Create table \"T1\" (\r\n\"A\"   ) "), "ORA-00902: invalid datatype");
    EXPECT_EQ(db.exec("Create table \"T1\" (\r\n\"A\" tinyint  ) "), "ORA-00902: invalid datatype");
    EXPECT_EQ(db.exec("Create table \"T1\" (\r\n\"A\" number  , \r\n\"A\" date  ) "), "ORA-00957: duplicate column name");
    EXPECT_EQ(db.exec("Create table \"T1\" ( ) "), "ORA-00904: : invalid identifier");
    EXPECT_EQ(db.exec("Create table \"USERS\" (\"A\" number) "), "ORA-00955: name is already used by an existing object");
    EXPECT_EQ(db.exec("create table t2 (a number(39))"), "ORA-01727: numeric precision specifier is out of range (1 to 38)");
    EXPECT_EQ(db.exec("create table t2 (a number);"), "ORA-00911: invalid character");
    EXPECT_EQ(db.exec("make me a sandwich"), "ORA-00900: invalid SQL statement");
    EXPECT_EQ(db.exec("drop table users purge now"), "ORA-00933: SQL command not properly ended");
    EXPECT_EQ(db.exec("drop table \"USERS\""), "");
    EXPECT_EQ(db.exec("drop table \"USERS\""), "ORA-00942: table or view does not exist");
}

TEST_F(OracleSimTest, ValuesAreCheckedAsOracleChecksThem)
{
    ASSERT_EQ(db.exec("create table v (id number(5,2), name varchar2(5), born date, note clob)"), "");
    ASSERT_EQ(db.exec("alter table v add constraint pk_v primary key (id)"), "");
    EXPECT_EQ(db.exec("insert into v (id, name) values (1, 'abcdef')"),
              "ORA-12899: value too large for column \"SCOTT\".\"V\".\"NAME\" (actual: 6, maximum: 5)");
    // Bytes, not characters: five two-byte letters are ten bytes.
    EXPECT_EQ(db.exec("insert into v (id, name) values (1, 'ééééé')"),
              "ORA-12899: value too large for column \"SCOTT\".\"V\".\"NAME\" (actual: 10, maximum: 5)");
    EXPECT_EQ(db.exec("insert into v (id, name) values ('', 'a')"),
              "ORA-01400: cannot insert NULL into (\"SCOTT\".\"V\".\"ID\")");
    EXPECT_EQ(db.exec("insert into v (id) values ('x1')"), "ORA-01722: invalid number");
    EXPECT_EQ(db.exec("insert into v (id) values (1000)"),
              "ORA-01438: value larger than specified precision allowed for this column");
    EXPECT_EQ(db.exec("insert into v (id, name) values (1.005, '')"), "");
    EXPECT_EQ(db.single("select id, name from v"), "1.01|NULL"); // rounded to the scale; '' is NULL
    EXPECT_EQ(db.exec("insert into v (id) values (1.01)"), "ORA-00001: unique constraint (SCOTT.PK_V) violated");
    EXPECT_EQ(db.exec("insert into v (id) values (0.5)"), "");
    EXPECT_EQ(db.single("select id from v where id < 1"), ".5");

    // Dates by the session's format; the default is DD-MON-RR.
    EXPECT_EQ(db.exec("insert into v (id, born) values (2, '2024-01-05')"), "ORA-01861: literal does not match format string");
    EXPECT_EQ(db.exec("insert into v (id, born) values (2, '05-JAN-24')"), "");
    ASSERT_EQ(db.exec("alter session set nls_date_format='YYYY-MM-DD HH24:MI:SS'"), "");
    EXPECT_EQ(db.single("select born from v where id = 2"), "2024-01-05 00:00:00");
    EXPECT_EQ(db.exec("insert into v (id, born) values (3, '2024-02-29 13:45:59')"), "");
    EXPECT_EQ(db.exec("insert into v (id, born) values (4, '2024-07-01')"), "");
    EXPECT_EQ(db.exec("insert into v (id, born) values (5, '0000-00-00 00:00:00')"),
              "ORA-01841: (full) year must be between -4713 and +9999, and not be 0");
    EXPECT_EQ(db.exec("insert into v (id, born) values (5, '2023-13-01')"), "ORA-01843: not a valid month");
    EXPECT_EQ(db.exec("insert into v (id, born) values (5, '2023-02-29')"),
              "ORA-01847: day of month must be between 1 and last day of month");
    EXPECT_EQ(db.exec("insert into v (id, born) values (5, '2023-01-01 10:00:00 extra')"),
              "ORA-01830: date format picture ends before converting entire input string");
    EXPECT_EQ(db.rows("select id, born from v where born is not null order by born desc"),
              (std::vector<std::string>{"4|2024-07-01 00:00:00", "3|2024-02-29 13:45:59", "2|2024-01-05 00:00:00"}));

    // A decimal comma, once the session asks for it.
    ASSERT_EQ(db.exec("alter session set nls_numeric_characters=',.'"), "");
    EXPECT_EQ(db.exec("insert into v (id) values ('1.5')"), "ORA-01722: invalid number");
    EXPECT_EQ(db.exec("insert into v (id) values ('7,25')"), "");
    EXPECT_EQ(db.single("select id from v where id > 7"), "7,25");
}

TEST_F(OracleSimTest, PrimaryKeyAndIndexRules)
{
    ASSERT_EQ(db.exec("create table k (id number, code varchar2(10), body clob, other number)"), "");
    ASSERT_EQ(db.exec("insert into k (id, code) values (1, 'a')"), "");
    ASSERT_EQ(db.exec("insert into k (id, code) values (1, 'b')"), "");
    EXPECT_EQ(db.exec("alter table k  add constraint PRIMARYk1 primary key (id)"),
              "ORA-02437: cannot validate (SCOTT.PRIMARYK1) - primary key violated");
    EXPECT_EQ(db.exec("alter table k add constraint pk_other primary key (other)"),
              "ORA-01449: column contains NULL values; cannot alter to NOT NULL");
    EXPECT_EQ(db.exec("alter table k add constraint pk_body primary key (body)"),
              "ORA-02329: column of datatype LOB cannot be unique or a primary key");
    EXPECT_EQ(db.exec("alter table k add constraint pk_x primary key (nope)"), "ORA-00904: \"NOPE\": invalid identifier");
    EXPECT_EQ(db.exec("alter table k add constraint k primary key (code)"),
              "ORA-00955: name is already used by an existing object");
    ASSERT_EQ(db.exec("alter table k  add constraint PRIMARYk1 primary key (code,id)"), "");
    EXPECT_EQ(db.exec("alter table k add constraint pk2 primary key (id)"), "ORA-02260: table can have only one primary key");

    ASSERT_EQ(db.exec("create table k2 (id number)"), "");
    EXPECT_EQ(db.exec("alter table k2 add constraint PRIMARYk1 primary key (id)"),
              "ORA-02264: name already used by an existing constraint");

    // The key made its columns NOT NULL and unique.
    EXPECT_EQ(db.exec("insert into k (id, code) values (2, NULL)"),
              "ORA-01400: cannot insert NULL into (\"SCOTT\".\"K\".\"CODE\")");
    EXPECT_EQ(db.exec("insert into k (id, code) values (1, 'a')"),
              "ORA-00001: unique constraint (SCOTT.PRIMARYK1) violated");
    EXPECT_EQ(db.exec("insert into k (id, code) values (2, 'a')"), "");

    EXPECT_EQ(db.exec("create index idx_code on k (code,id)"), "ORA-01408: such column list already indexed");
    EXPECT_EQ(db.exec("create index idx_body on k (body)"), "ORA-02327: cannot create index on expression with datatype LOB");
    EXPECT_EQ(db.exec("create index idx_x on k (nope)"), "ORA-00904: \"NOPE\": invalid identifier");
    EXPECT_EQ(db.exec("create index PRIMARYk1 on k (id)"), "ORA-00955: name is already used by an existing object");
    EXPECT_EQ(db.exec("create index idx_id on k (id,code)"), ""); // another order is another list
    EXPECT_EQ(db.exec("create index idx_id on k (other)"), "ORA-00955: name is already used by an existing object");
    EXPECT_EQ(db.rows("select index_name, column_name, column_position from user_ind_columns order by index_name, "
                      "column_position"),
              (std::vector<std::string>{"IDX_ID|ID|1", "IDX_ID|CODE|2", "PRIMARYK1|CODE|1", "PRIMARYK1|ID|2"}));
    EXPECT_EQ(db.single("select constraint_type, index_name from user_constraints where table_name = 'K'"),
              "P|PRIMARYK1");
}

TEST_F(OracleSimTest, DescribeReportsColumnsAfterExecuteOrDescribeOnly)
{
    ASSERT_EQ(db.exec("create table d (id number(10), amount number, name varchar2(40), born date, note clob, pic blob)"),
              "");
    ASSERT_EQ(db.exec("alter table d add constraint pk_d primary key (id)"), "");
    for (ub4 mode : {oci::DEFAULT, oci::DESCRIBE_ONLY}) {
        OCIStmt *st = db.prepare("select * from \"D\" where 1=0");
        ub2 type = 0;
        api().attrGet(st, oci::HTYPE_STMT, &type, nullptr, oci::ATTR_STMT_TYPE, db.err());
        EXPECT_EQ(type, oci::STMT_SELECT);
        ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, mode), oci::SUCCESS) << db.error();
        ub4 count = 0;
        api().attrGet(st, oci::HTYPE_STMT, &count, nullptr, oci::ATTR_PARAM_COUNT, db.err());
        ASSERT_EQ(count, 6u);
        struct Expected {
            const char *name;
            ub2 type, size;
            sb2 precision;
            sb1 scale;
            ub1 nullable;
        } expected[] = {{"ID", 2, 22, 10, 0, 0},   {"AMOUNT", 2, 22, 0, -127, 1}, {"NAME", 1, 40, 0, 0, 1},
                        {"BORN", 12, 7, 0, 0, 1}, {"NOTE", 112, 4000, 0, 0, 1},  {"PIC", 113, 4000, 0, 0, 1}};
        for (ub4 i = 0; i < count; ++i) {
            void *param = nullptr;
            ASSERT_EQ(api().paramGet(st, i % 2 ? oci::HTYPE_DESCRIBE : oci::HTYPE_STMT, db.err(), &param, i + 1),
                      oci::SUCCESS);
            OraText *name = nullptr;
            ub4 nameLen = 0;
            ub2 dataType = 0, dataSize = 0;
            sb2 precision = 0;
            sb1 scale = 0;
            ub1 nullable = 9;
            api().attrGet(param, oci::DTYPE_PARAM, &name, &nameLen, oci::ATTR_NAME, db.err());
            api().attrGet(param, oci::DTYPE_PARAM, &dataType, nullptr, oci::ATTR_DATA_TYPE, db.err());
            api().attrGet(param, oci::DTYPE_PARAM, &dataSize, nullptr, oci::ATTR_DATA_SIZE, db.err());
            api().attrGet(param, oci::DTYPE_PARAM, &precision, nullptr, oci::ATTR_PRECISION, db.err());
            api().attrGet(param, oci::DTYPE_PARAM, &scale, nullptr, oci::ATTR_SCALE, db.err());
            api().attrGet(param, oci::DTYPE_PARAM, &nullable, nullptr, oci::ATTR_IS_NULL, db.err());
            const Expected &e = expected[i];
            EXPECT_EQ(std::string(reinterpret_cast<char *>(name), nameLen), e.name);
            EXPECT_EQ(dataType, e.type) << e.name;
            EXPECT_EQ(dataSize, e.size) << e.name;
            if (e.type == 2) {
                EXPECT_EQ(precision, e.precision) << e.name;
                EXPECT_EQ(scale, e.scale) << e.name;
            }
            EXPECT_EQ(nullable, e.nullable) << e.name;
            api().descriptorFree(param, oci::DTYPE_PARAM);
        }
        db.release(st);
    }
    OCIStmt *st = db.prepare("select count(*) cn, upper(name) from d");
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, oci::DESCRIBE_ONLY), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-00937: not a single-group group function");
    db.release(st);

    st = db.prepare("insert into d (id) values (1)");
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, oci::DEFAULT), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-24333: zero iteration count");
    db.release(st);
}

TEST_F(OracleSimTest, ArrayFetchTruncationAndNullIndicators)
{
    ASSERT_EQ(db.exec("create table f (id number, name varchar2(20))"), "");
    for (int i = 1; i <= 7; ++i)
        ASSERT_EQ(db.exec("insert into f values (" + std::to_string(i) + ", " +
                          (i == 4 ? std::string("NULL") : "'name" + std::to_string(i) + "'") + ")"),
                  "");
    OCIStmt *st = db.prepare("select id, name from f order by id");
    ub4 prefetch = 200;
    api().attrSet(st, oci::HTYPE_STMT, &prefetch, 0, oci::ATTR_PREFETCH_ROWS, db.err());
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, oci::DEFAULT), oci::SUCCESS);
    std::int64_t ids[3];
    char names[3][6];
    sb2 ind[3];
    ub2 len[3], code[3];
    api().defineByPos(st, nullptr, db.err(), 1, ids, sizeof ids[0], oci::SQLT_INT, nullptr, nullptr, nullptr, 0);
    api().defineByPos(st, nullptr, db.err(), 2, names, sizeof names[0], oci::SQLT_CHR, ind, len, code, 0);
    ub4 fetched = 0;
    // "name1" fits the 6-byte buffer exactly; the rows come three at a time.
    EXPECT_EQ(api().stmtFetch2(st, db.err(), 3, oci::FETCH_NEXT, 0, 0), oci::SUCCESS);
    api().attrGet(st, oci::HTYPE_STMT, &fetched, nullptr, oci::ATTR_ROWS_FETCHED, db.err());
    EXPECT_EQ(fetched, 3u);
    EXPECT_EQ(ids[2], 3);
    EXPECT_EQ(std::string(names[1], len[1]), "name2");
    EXPECT_EQ(ind[1], 0);
    EXPECT_EQ(api().stmtFetch2(st, db.err(), 3, oci::FETCH_NEXT, 0, 0), oci::SUCCESS);
    EXPECT_EQ(ind[0], oci::IND_NULL);
    EXPECT_EQ(ids[0], 4);
    EXPECT_EQ(api().stmtFetch2(st, db.err(), 3, oci::FETCH_NEXT, 0, 0), oci::NO_DATA);
    api().attrGet(st, oci::HTYPE_STMT, &fetched, nullptr, oci::ATTR_ROWS_FETCHED, db.err());
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(ids[0], 7);
    ub4 rowCount = 0;
    api().attrGet(st, oci::HTYPE_STMT, &rowCount, nullptr, oci::ATTR_ROW_COUNT, db.err());
    EXPECT_EQ(rowCount, 7u);
    db.release(st);

    ASSERT_EQ(db.exec("update f set name = 'a much longer name' where id = 1"), "");
    st = db.prepare("select name from f where id in (1, 4) order by id");
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, oci::DEFAULT), oci::SUCCESS);
    char small[6];
    ub2 smallLen = 0, smallCode = 0;
    sb2 smallInd = 0;
    api().defineByPos(st, nullptr, db.err(), 1, small, sizeof small, oci::SQLT_CHR, &smallInd, &smallLen, &smallCode, 0);
    EXPECT_EQ(api().stmtFetch2(st, db.err(), 1, oci::FETCH_NEXT, 0, 0), oci::SUCCESS_WITH_INFO);
    EXPECT_EQ(db.error(), "ORA-01406: fetched column value was truncated");
    EXPECT_EQ(smallCode, 1406);
    EXPECT_EQ(smallInd, 18);
    EXPECT_EQ(std::string(small, smallLen), "a much");
    // Without an indicator a NULL cannot be delivered.
    api().defineByPos(st, nullptr, db.err(), 1, small, sizeof small, oci::SQLT_CHR, nullptr, &smallLen, nullptr, 0);
    EXPECT_EQ(api().stmtFetch2(st, db.err(), 1, oci::FETCH_NEXT, 0, 0), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-01405: fetched column value is NULL");
    db.release(st);
}

// Ten rows bound column-wise, as the driver's array insert binds them.
struct BatchRows {
    std::int64_t ids[10];
    char names[10][16];
    ub2 nameLens[10];
    sb2 nameInds[10];
};

TEST_F(OracleSimTest, ArrayInsertWithBatchErrorsKeepsTheGoodRows)
{
    ASSERT_EQ(db.exec("create table b (id number not null, name varchar2(8) not null)"), "");
    BatchRows rows{};
    for (int i = 0; i < 10; ++i) {
        rows.ids[i] = i + 1;
        std::string name = "row" + std::to_string(i + 1);
        if (i == 3)
            name = "much too long";
        std::memcpy(rows.names[i], name.data(), name.size());
        rows.nameLens[i] = static_cast<ub2>(name.size());
        rows.nameInds[i] = i == 7 ? oci::IND_NULL : oci::IND_NOTNULL;
    }
    OCIStmt *st = db.prepare("insert into \"B\"\r\n  (\"ID\", \"NAME\")\r\nvalues\r\n  (:1, :2)\r\n");
    api().bindByPos(st, nullptr, db.err(), 1, rows.ids, sizeof rows.ids[0], oci::SQLT_INT, nullptr, nullptr, nullptr, 0,
                    nullptr, 0);
    api().bindByPos(st, nullptr, db.err(), 2, rows.names, sizeof rows.names[0], oci::SQLT_CHR, rows.nameInds,
                    rows.nameLens, nullptr, 0, nullptr, 0);
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 10, 0, nullptr, nullptr, oci::BATCH_ERRORS),
              oci::SUCCESS_WITH_INFO);
    EXPECT_EQ(db.error(), "ORA-24381: error(s) in array DML");
    ub4 errors = 0, rowCount = 0;
    api().attrGet(st, oci::HTYPE_STMT, &errors, nullptr, oci::ATTR_NUM_DML_ERRORS, db.err());
    api().attrGet(st, oci::HTYPE_STMT, &rowCount, nullptr, oci::ATTR_ROW_COUNT, db.err());
    EXPECT_EQ(errors, 2u);
    EXPECT_EQ(rowCount, 8u);
    OCIError *rowErr = nullptr;
    api().handleAlloc(db.env(), reinterpret_cast<void **>(&rowErr), oci::HTYPE_ERROR, 0, nullptr);
    std::vector<std::pair<ub4, std::string>> reported;
    for (ub4 k = 0; k < errors; ++k) {
        ASSERT_EQ(api().paramGet(db.err(), oci::HTYPE_ERROR, db.err(), reinterpret_cast<void **>(&rowErr), k),
                  oci::SUCCESS);
        ub4 offset = 99;
        api().attrGet(rowErr, oci::HTYPE_ERROR, &offset, nullptr, oci::ATTR_DML_ROW_OFFSET, db.err());
        reported.emplace_back(offset, errorText(rowErr));
    }
    EXPECT_EQ(reported, (std::vector<std::pair<ub4, std::string>>{
                            {3, "ORA-12899: value too large for column \"SCOTT\".\"B\".\"NAME\" (actual: 13, maximum: 8)"},
                            {7, "ORA-01400: cannot insert NULL into (\"SCOTT\".\"B\".\"NAME\")"}}));
    api().handleFree(rowErr, oci::HTYPE_ERROR);
    db.release(st);
    ASSERT_EQ(api().transCommit(db.svc(), db.err(), 0), oci::SUCCESS);
    EXPECT_EQ(db.single("select count(*) from b"), "8");
    EXPECT_EQ(db.single("select count(*) from b where id in (4, 8)"), "0");
}

TEST_F(OracleSimTest, ArrayInsertWithoutBatchModeStopsAtTheFirstBadRow)
{
    ASSERT_EQ(db.exec("create table b (id number, name varchar2(8))"), "");
    // Row-wise structs this time, with OCIBindArrayOfStruct telling the strides.
    struct Row {
        std::int64_t id;
        char name[12];
        ub2 len;
        sb2 ind;
    } rows[5] = {{1, "a", 1, 0}, {2, "b", 1, 0}, {3, "toolongname", 11, 0}, {4, "d", 1, 0}, {5, "e", 1, 0}};
    OCIStmt *st = db.prepare("insert into b values (:1, :2)");
    OCIBind *b1 = nullptr, *b2 = nullptr;
    api().bindByPos(st, &b1, db.err(), 1, &rows[0].id, sizeof(std::int64_t), oci::SQLT_INT, &rows[0].ind, nullptr,
                    nullptr, 0, nullptr, 0);
    api().bindByPos(st, &b2, db.err(), 2, rows[0].name, sizeof rows[0].name, oci::SQLT_CHR, &rows[0].ind, &rows[0].len,
                    nullptr, 0, nullptr, 0);
    api().bindArrayOfStruct(b1, db.err(), sizeof(Row), sizeof(Row), sizeof(Row), 0);
    api().bindArrayOfStruct(b2, db.err(), sizeof(Row), sizeof(Row), sizeof(Row), 0);
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 5, 0, nullptr, nullptr, oci::DEFAULT), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-12899: value too large for column \"SCOTT\".\"B\".\"NAME\" (actual: 11, maximum: 8)");
    ub4 rowCount = 0;
    api().attrGet(st, oci::HTYPE_STMT, &rowCount, nullptr, oci::ATTR_ROW_COUNT, db.err());
    EXPECT_EQ(rowCount, 2u);
    db.release(st);
    // The rows before the failure are still in the open transaction.
    EXPECT_EQ(db.rows("select id, name from b order by id"), (std::vector<std::string>{"1|a", "2|b"}));
    ASSERT_EQ(api().transRollback(db.svc(), db.err(), 0), oci::SUCCESS);
    EXPECT_EQ(db.single("select count(*) from b"), "0");
}

std::string bigText(std::size_t bytes)
{
    // ASCII, two-byte, three-byte and four-byte (non-BMP) characters, so that lengths in bytes and
    // in UTF-16 units differ.
    const std::string pattern = "Lorem ipsum é 漢字 😀 ";
    std::string s;
    while (s.size() + pattern.size() <= bytes)
        s += pattern;
    return s;
}

TEST_F(OracleSimTest, LobsGoInThroughReturningIntoAndComeBackWhole)
{
    ASSERT_EQ(db.exec("create table l (id number, note clob, pic blob)"), "");
    const std::string note = bigText(5 * 1024 * 1024);
    std::string pic(3 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < pic.size(); ++i)
        pic[i] = static_cast<char>((i * 7919) % 251);

    OCILobLocator *clob = nullptr, *blob = nullptr;
    api().descriptorAlloc(db.env(), reinterpret_cast<void **>(&clob), oci::DTYPE_LOB, 0, nullptr);
    api().descriptorAlloc(db.env(), reinterpret_cast<void **>(&blob), oci::DTYPE_LOB, 0, nullptr);
    OCIStmt *st = db.prepare("insert into \"L\"\r\n  (\"ID\", \"NOTE\", \"PIC\")\r\nvalues\r\n"
                             "  (:1, EMPTY_CLOB(), EMPTY_BLOB())\r\n RETURNING \r\nNOTE \r\n, \r\nPIC \r\nINTO \r\n"
                             ":2 \r\n, \r\n:3 \r\n");
    std::int64_t id = 1;
    api().bindByPos(st, nullptr, db.err(), 1, &id, sizeof id, oci::SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, 0);
    testsupport::ReturningBind noteInto(st, db.err(), 2, oci::SQLT_CLOB, {clob}, sizeof(void *));
    testsupport::ReturningBind picInto(st, db.err(), 3, oci::SQLT_BLOB, {blob}, sizeof(void *));
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, 0), oci::SUCCESS) << db.error();
    oraub8 bytes = note.size(), chars = 0;
    ASSERT_EQ(api().lobWrite2(db.svc(), db.err(), clob, &bytes, &chars, 1, const_cast<char *>(note.data()), note.size(),
                              oci::ONE_PIECE, nullptr, nullptr, 873, oci::SQLCS_IMPLICIT),
              oci::SUCCESS)
        << db.error();
    EXPECT_EQ(bytes, note.size());
    bytes = pic.size();
    chars = 0;
    ASSERT_EQ(api().lobWrite2(db.svc(), db.err(), blob, &bytes, &chars, 1, pic.data(), pic.size(), oci::ONE_PIECE,
                              nullptr, nullptr, 0, 0),
              oci::SUCCESS);
    // A second row keeps its empty LOBs: empty, not NULL.
    id = 2;
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, 0), oci::SUCCESS);
    db.release(st);
    ASSERT_EQ(api().transCommit(db.svc(), db.err(), 0), oci::SUCCESS);
    EXPECT_EQ(db.single("select count(*) from l where note is null or pic is null"), "0");

    // Read back through fresh locators from a query.
    st = db.prepare("select id, note, pic from l order by id");
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, 0), oci::SUCCESS);
    OCILobLocator *readClob = nullptr, *readBlob = nullptr;
    api().descriptorAlloc(db.env(), reinterpret_cast<void **>(&readClob), oci::DTYPE_LOB, 0, nullptr);
    api().descriptorAlloc(db.env(), reinterpret_cast<void **>(&readBlob), oci::DTYPE_LOB, 0, nullptr);
    std::int64_t readId = 0;
    sb2 clobInd = 0, blobInd = 0;
    api().defineByPos(st, nullptr, db.err(), 1, &readId, sizeof readId, oci::SQLT_INT, nullptr, nullptr, nullptr, 0);
    api().defineByPos(st, nullptr, db.err(), 2, &readClob, sizeof(void *), oci::SQLT_CLOB, &clobInd, nullptr, nullptr, 0);
    api().defineByPos(st, nullptr, db.err(), 3, &readBlob, sizeof(void *), oci::SQLT_BLOB, &blobInd, nullptr, nullptr, 0);
    ASSERT_EQ(api().stmtFetch2(st, db.err(), 1, oci::FETCH_NEXT, 0, 0), oci::SUCCESS);
    oraub8 length = 0;
    ASSERT_EQ(api().lobGetLength2(db.svc(), db.err(), readClob, &length), oci::SUCCESS);
    std::size_t units = 0;
    for (unsigned char c : note)
        units += (c & 0xC0) == 0x80 ? 0 : (c >= 0xF0 ? 2 : 1);
    EXPECT_EQ(length, units);
    std::string back(length * 4, '\0');
    chars = length;
    bytes = 0;
    ASSERT_EQ(api().lobRead2(db.svc(), db.err(), readClob, &bytes, &chars, 1, back.data(), back.size(), oci::ONE_PIECE,
                             nullptr, nullptr, 873, oci::SQLCS_IMPLICIT),
              oci::SUCCESS);
    back.resize(bytes);
    EXPECT_TRUE(back == note);
    ASSERT_EQ(api().lobGetLength2(db.svc(), db.err(), readBlob, &length), oci::SUCCESS);
    EXPECT_EQ(length, pic.size());
    std::string backPic(length, '\0');
    bytes = length;
    chars = 0;
    ASSERT_EQ(api().lobRead2(db.svc(), db.err(), readBlob, &bytes, &chars, 1, backPic.data(), backPic.size(),
                             oci::ONE_PIECE, nullptr, nullptr, 0, 0),
              oci::SUCCESS);
    EXPECT_TRUE(backPic == pic);
    ASSERT_EQ(api().stmtFetch2(st, db.err(), 1, oci::FETCH_NEXT, 0, 0), oci::SUCCESS);
    EXPECT_EQ(clobInd, 0);
    api().lobGetLength2(db.svc(), db.err(), readClob, &length);
    EXPECT_EQ(length, 0u);
    db.release(st);
    for (OCILobLocator *loc : {clob, blob, readClob, readBlob})
        api().descriptorFree(loc, oci::DTYPE_LOB);

    // LOB values bound as plain data: beyond 4000 bytes fine for a CLOB, not for a VARCHAR2.
    ASSERT_EQ(db.exec("create table lv (id number, short varchar2(4000), note clob)"), "");
    const std::string long5000(5000, 'x');
    st = db.prepare("insert into lv values (1, :1, :2)");
    ub2 shortLen = 10;
    ub4 noteLen = static_cast<ub4>(long5000.size());
    api().bindByPos(st, nullptr, db.err(), 1, const_cast<char *>(long5000.data()), 5000, oci::SQLT_CHR, nullptr,
                    &shortLen, nullptr, 0, nullptr, 0);
    api().bindByPos2(st, nullptr, db.err(), 2, const_cast<char *>(long5000.data()), 5000, oci::SQLT_CHR, nullptr,
                     &noteLen, nullptr, 0, nullptr, 0);
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, 0), oci::SUCCESS) << db.error();
    shortLen = 4001;
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, 0), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-01461: can bind a LONG value only for insert into a LONG column");
    db.release(st);
    EXPECT_EQ(db.single("select length(short), length(note) from lv"), "10|5000");
}

TEST_F(OracleSimTest, SessionsSeeOnlyCommittedRowsAndDdlCommits)
{
    Conn other("scott", "tiger", sim.service());
    ASSERT_EQ(db.exec("create table tx (id number)"), "");
    ASSERT_EQ(db.exec("insert into tx values (1)"), "");
    EXPECT_EQ(db.single("select count(*) from tx"), "1");
    EXPECT_EQ(other.single("select count(*) from tx"), "0");
    ASSERT_EQ(api().transCommit(db.svc(), db.err(), 0), oci::SUCCESS);
    EXPECT_EQ(other.single("select count(*) from tx"), "1");

    ASSERT_EQ(db.exec("insert into tx values (2)"), "");
    ASSERT_EQ(api().transRollback(db.svc(), db.err(), 0), oci::SUCCESS);
    EXPECT_EQ(db.single("select count(*) from tx"), "1");

    // A failed statement changes nothing and leaves earlier work in place.
    ASSERT_EQ(db.exec("insert into tx values (3)"), "");
    EXPECT_EQ(db.exec("insert into tx values ('three')"), "ORA-01722: invalid number");
    EXPECT_EQ(db.single("select count(*) from tx"), "2");

    // DDL commits what came before it, also when it fails; rollback cannot undo it.
    EXPECT_EQ(db.exec("create table tx (id number)"), "ORA-00955: name is already used by an existing object");
    ASSERT_EQ(api().transRollback(db.svc(), db.err(), 0), oci::SUCCESS);
    EXPECT_EQ(other.single("select count(*) from tx"), "2");

    // A commit riding on the execute; a query sees new tables of other sessions at once.
    EXPECT_EQ(db.exec("insert into tx values (4)", oci::COMMIT_ON_SUCCESS), "");
    EXPECT_EQ(other.single("select count(*) from tx"), "3");
    ASSERT_EQ(other.exec("create table tx2 (id number)"), "");
    EXPECT_EQ(db.single("select count(*) from tx2"), "0");
    // With one session holding uncommitted rows, another one's DDL and inserts still go through
    // once the first commits; nothing waits while nothing is pending.
    ASSERT_EQ(db.exec("insert into tx values (5)"), "");
    ASSERT_EQ(api().transCommit(db.svc(), db.err(), 0), oci::SUCCESS);
    EXPECT_EQ(other.exec("drop table tx2"), "");
    EXPECT_EQ(other.exec("insert into tx values (6)", oci::COMMIT_ON_SUCCESS), "");
    EXPECT_EQ(db.single("select count(*) from tx"), "5");
}

TEST_F(OracleSimTest, QueriesFilterSortAndBind)
{
    ASSERT_EQ(db.exec("create table q (id number, name varchar2(10))"), "");
    for (const char *values : {"(3, 'Cat')", "(1, 'apple')", "(2, NULL)", "(10, 'Bee')"})
        ASSERT_EQ(db.exec(std::string("insert into q values ") + values), "");
    EXPECT_EQ(db.rows("select id from q order by id"), (std::vector<std::string>{"1", "2", "3", "10"}));
    EXPECT_EQ(db.rows("select id from q order by name desc"), (std::vector<std::string>{"2", "1", "3", "10"}));
    EXPECT_EQ(db.rows("select upper(name) n from q where name is not null and id in (1, 3) order by 1"),
              (std::vector<std::string>{"APPLE", "CAT"}));
    EXPECT_EQ(db.rows("select id from q where not (id = 1 or name is null) order by id"),
              (std::vector<std::string>{"3", "10"}));
    EXPECT_EQ(db.single("select count(*) from q where name = ''"), "0"); // '' is NULL, and NULL equals nothing
    EXPECT_EQ(db.single("select count(name) from q"), "3");
    EXPECT_EQ(db.exec("delete from q where id > 2"), "");
    EXPECT_EQ(db.single("select count(*) from q"), "2");

    // The existence query with binds, as the program sends it.
    OCIStmt *st = db.prepare("select count(*) cn from all_tables where table_name=:1 and upper(owner)=:2");
    const std::string table = "Q", owner = "SCOTT";
    api().bindByPos(st, nullptr, db.err(), 1, const_cast<char *>(table.data()), static_cast<sb4>(table.size()),
                    oci::SQLT_CHR, nullptr, nullptr, nullptr, 0, nullptr, 0);
    api().bindByPos(st, nullptr, db.err(), 2, const_cast<char *>(owner.data()), static_cast<sb4>(owner.size()),
                    oci::SQLT_CHR, nullptr, nullptr, nullptr, 0, nullptr, 0);
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, 0), oci::SUCCESS);
    void *param = nullptr;
    api().paramGet(st, oci::HTYPE_STMT, db.err(), &param, 1);
    OraText *name = nullptr;
    ub4 nameLen = 0;
    api().attrGet(param, oci::DTYPE_PARAM, &name, &nameLen, oci::ATTR_NAME, db.err());
    EXPECT_EQ(std::string(reinterpret_cast<char *>(name), nameLen), "CN");
    api().descriptorFree(param, oci::DTYPE_PARAM);
    double count = 0;
    api().defineByPos(st, nullptr, db.err(), 1, &count, sizeof count, oci::SQLT_BDOUBLE, nullptr, nullptr, nullptr, 0);
    ASSERT_EQ(api().stmtFetch2(st, db.err(), 1, oci::FETCH_NEXT, 0, 0), oci::SUCCESS);
    EXPECT_EQ(count, 1.0);
    db.release(st);
    st = db.prepare("select count(*) from q where id = :1 and name = :2");
    api().bindByPos(st, nullptr, db.err(), 1, const_cast<char *>(table.data()), 1, oci::SQLT_CHR, nullptr, nullptr,
                    nullptr, 0, nullptr, 0);
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, 0), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-01008: not all variables bound");
    db.release(st);
}

TEST_F(OracleSimTest, TypedBindsAndDefinesConvertLikeOracle)
{
    ASSERT_EQ(db.exec("create table tb (n number, d date, t varchar2(20), r blob)"), "");
    OCIStmt *st = db.prepare("insert into tb values (:n, :d, :t, :r)");
    double n = 0.1;
    oci::OCIDate d{2024, 2, 29, 23, 59, 58};
    struct {
        sb4 length;
        char text[16];
    } lvc{5, "hello"};
    const unsigned char raw[] = {0x00, 0xFF, 0x10};
    api().bindByPos(st, nullptr, db.err(), 1, &n, sizeof n, oci::SQLT_BDOUBLE, nullptr, nullptr, nullptr, 0, nullptr, 0);
    api().bindByPos(st, nullptr, db.err(), 2, &d, sizeof d, oci::SQLT_ODT, nullptr, nullptr, nullptr, 0, nullptr, 0);
    api().bindByPos(st, nullptr, db.err(), 3, &lvc, sizeof lvc, oci::SQLT_LVC, nullptr, nullptr, nullptr, 0, nullptr, 0);
    api().bindByPos(st, nullptr, db.err(), 4, const_cast<unsigned char *>(raw), sizeof raw, oci::SQLT_BIN, nullptr,
                    nullptr, nullptr, 0, nullptr, 0);
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, 0), oci::SUCCESS) << db.error();
    d.month = 13;
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, 0), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-01843: not a valid month");
    db.release(st);
    // Text into a BLOB is read as hex digits, as Oracle converts it.
    EXPECT_EQ(db.exec("insert into tb (r) values ('CAFE')"), "");
    EXPECT_EQ(db.exec("insert into tb (r) values ('XYZ')"), "ORA-01465: invalid hex number");
    // The Oracle 7-byte DATE format, both ways.
    st = db.prepare("insert into tb (n, d) values (2, :1)");
    unsigned char dat[7] = {120, 124, 12, 31, 1, 1, 1}; // 2024-12-31 00:00:00
    api().bindByPos(st, nullptr, db.err(), 1, dat, 7, oci::SQLT_DAT, nullptr, nullptr, nullptr, 0, nullptr, 0);
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, 0), oci::SUCCESS) << db.error();
    db.release(st);

    ASSERT_EQ(db.exec("alter session set nls_date_format='YYYY-MM-DD HH24:MI:SS'"), "");
    EXPECT_EQ(db.rows("select n, d, t from tb where d is not null order by d"),
              (std::vector<std::string>{".1|2024-02-29 23:59:58|hello", "2|2024-12-31 00:00:00|NULL"}));
    st = db.prepare("select n, d, d, t, r from tb where n < 1");
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, 0), oci::SUCCESS);
    double nOut = 0;
    oci::OCIDate dOut{};
    unsigned char datOut[7] = {};
    struct {
        sb4 length;
        char text[8];
    } lvcOut{};
    unsigned char rawOut[8] = {};
    ub2 rawLen = 0;
    api().defineByPos(st, nullptr, db.err(), 1, &nOut, sizeof nOut, oci::SQLT_FLT, nullptr, nullptr, nullptr, 0);
    api().defineByPos(st, nullptr, db.err(), 2, &dOut, sizeof dOut, oci::SQLT_ODT, nullptr, nullptr, nullptr, 0);
    api().defineByPos(st, nullptr, db.err(), 3, datOut, sizeof datOut, oci::SQLT_DAT, nullptr, nullptr, nullptr, 0);
    api().defineByPos(st, nullptr, db.err(), 4, &lvcOut, sizeof lvcOut, oci::SQLT_LVC, nullptr, nullptr, nullptr, 0);
    api().defineByPos(st, nullptr, db.err(), 5, rawOut, sizeof rawOut, oci::SQLT_BIN, nullptr, &rawLen, nullptr, 0);
    ASSERT_EQ(api().stmtFetch2(st, db.err(), 1, oci::FETCH_NEXT, 0, 0), oci::SUCCESS) << db.error();
    EXPECT_EQ(nOut, 0.1);
    EXPECT_EQ(dOut.year, 2024);
    EXPECT_EQ(dOut.day, 29);
    EXPECT_EQ(dOut.second, 58);
    EXPECT_EQ(std::vector<int>(datOut, datOut + 7), (std::vector<int>{120, 124, 2, 29, 24, 60, 59}));
    EXPECT_EQ(std::string(lvcOut.text, static_cast<std::size_t>(lvcOut.length)), "hello");
    EXPECT_EQ(std::string(reinterpret_cast<char *>(rawOut), rawLen), std::string("\x00\xFF\x10", 3));
    db.release(st);
    EXPECT_EQ(db.single("select r from tb where n is null"), "CAFE");
}

TEST_F(OracleSimTest, LobWritesAtOffsetsAndInPieces)
{
    ASSERT_EQ(db.exec("create table lo (id number, note clob, pic blob)"), "");
    OCILobLocator *clob = nullptr, *blob = nullptr;
    api().descriptorAlloc(db.env(), reinterpret_cast<void **>(&clob), oci::DTYPE_LOB, 0, nullptr);
    api().descriptorAlloc(db.env(), reinterpret_cast<void **>(&blob), oci::DTYPE_LOB, 0, nullptr);
    OCIStmt *st = db.prepare("insert into lo values (7, 'a😀c', EMPTY_BLOB()) returning id, note, pic into :1, :2, :3");
    std::int64_t id = 0;
    testsupport::ReturningBind idInto(st, db.err(), 1, oci::SQLT_INT, {&id}, sizeof id);
    testsupport::ReturningBind noteInto(st, db.err(), 2, oci::SQLT_CLOB, {clob}, sizeof(void *));
    testsupport::ReturningBind picInto(st, db.err(), 3, oci::SQLT_BLOB, {blob}, sizeof(void *));
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, 0), oci::SUCCESS) << db.error();
    db.release(st);
    EXPECT_EQ(id, 7);
    EXPECT_EQ(idInto.indicator(0), oci::IND_NOTNULL);
    oraub8 length = 0;
    api().lobGetLength2(db.svc(), db.err(), clob, &length);
    EXPECT_EQ(length, 4u); // the emoji counts two UTF-16 units

    // Offsets count UTF-16 units: position 4 is the "c" after the emoji.
    std::string piece = "Z";
    oraub8 bytes = 1, chars = 0;
    ASSERT_EQ(api().lobWrite2(db.svc(), db.err(), clob, &bytes, &chars, 4, piece.data(), 1, oci::ONE_PIECE, nullptr,
                              nullptr, 873, 1),
              oci::SUCCESS);
    // Past the end, the gap fills with blanks.
    bytes = 1;
    ASSERT_EQ(api().lobWrite2(db.svc(), db.err(), clob, &bytes, &chars, 7, piece.data(), 1, oci::ONE_PIECE, nullptr,
                              nullptr, 873, 1),
              oci::SUCCESS);
    // A BLOB written in three pieces of a polling write.
    const std::string parts[] = {"abc", "def", "gh"};
    const ub1 order[] = {oci::FIRST_PIECE, oci::NEXT_PIECE, oci::LAST_PIECE};
    for (int i = 0; i < 3; ++i) {
        bytes = 8;
        chars = 0;
        sword rc = api().lobWrite2(db.svc(), db.err(), blob, &bytes, &chars, 1, const_cast<char *>(parts[i].data()),
                                   parts[i].size(), order[i], nullptr, nullptr, 0, 0);
        EXPECT_EQ(rc, i < 2 ? oci::NEED_DATA : oci::SUCCESS) << db.error();
    }
    ASSERT_EQ(api().transCommit(db.svc(), db.err(), 0), oci::SUCCESS);
    EXPECT_EQ(db.single("select note, length(note), length(pic) from lo"), "a😀Z  Z|7|8");

    // Reading part of a CLOB: two characters from position 2.
    char buf[16] = {};
    bytes = 0;
    chars = 2;
    ASSERT_EQ(api().lobRead2(db.svc(), db.err(), clob, &bytes, &chars, 2, buf, sizeof buf, oci::ONE_PIECE, nullptr,
                             nullptr, 873, 1),
              oci::SUCCESS);
    EXPECT_EQ(std::string(buf, bytes), "😀");
    EXPECT_EQ(chars, 2u);
    api().descriptorFree(clob, oci::DTYPE_LOB);
    api().descriptorFree(blob, oci::DTYPE_LOB);
}

TEST_F(OracleSimTest, UpdateDeleteAndTransactionStatements)
{
    ASSERT_EQ(db.exec("create table u (id number primary key, name varchar2(10))"), "");
    ASSERT_EQ(db.exec("insert into u values (1, 'a')"), "");
    ASSERT_EQ(db.exec("insert into u values (2, 'b')"), "");
    ASSERT_EQ(db.exec("commit"), "");
    OCIStmt *st = db.prepare("update u set name = upper(name) where id >= :1");
    std::int64_t from = 1;
    api().bindByPos(st, nullptr, db.err(), 1, &from, sizeof from, oci::SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, 0);
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, 0), oci::SUCCESS);
    ub4 rowCount = 0;
    api().attrGet(st, oci::HTYPE_STMT, &rowCount, nullptr, oci::ATTR_ROW_COUNT, db.err());
    EXPECT_EQ(rowCount, 2u);
    ub2 type = 0;
    api().attrGet(st, oci::HTYPE_STMT, &type, nullptr, oci::ATTR_STMT_TYPE, db.err());
    EXPECT_EQ(type, oci::STMT_UPDATE);
    db.release(st);
    // An update that breaks the key undoes all of its rows.
    EXPECT_EQ(db.exec("update u set id = 5"), "ORA-00001: unique constraint (SCOTT.SYS_C0007132) violated");
    EXPECT_EQ(db.exec("update u set name = NULL where id = 1"), "");
    EXPECT_EQ(db.exec("update u set id = NULL"), "ORA-01407: cannot update (\"SCOTT\".\"U\".\"ID\") to NULL");
    EXPECT_EQ(db.rows("select id, name from u order by id"), (std::vector<std::string>{"1|NULL", "2|B"}));
    ASSERT_EQ(db.exec("rollback"), "");
    EXPECT_EQ(db.rows("select id, name from u order by id"), (std::vector<std::string>{"1|a", "2|b"}));
    ASSERT_EQ(db.exec("delete from u where name = 'a'"), "");
    ASSERT_EQ(db.exec("commit work"), "");
    EXPECT_EQ(db.single("select count(*) from u"), "1");
}

TEST_F(OracleSimTest, AWriterOnTheSameThreadFailsAtOnceInsteadOfWaiting)
{
    Conn other("scott", "tiger", sim.service());
    ASSERT_EQ(db.exec("create table w (id number)"), "");
    ASSERT_EQ(db.exec("insert into w values (1)"), "");
    // The holder can only commit once this thread stops waiting, so waiting would gain nothing.
    EXPECT_EQ(other.exec("insert into w values (2)"),
              "ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired");
    EXPECT_EQ(other.exec("create table w2 (id number)"),
              "ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired");
    ASSERT_EQ(api().transCommit(db.svc(), db.err(), 0), oci::SUCCESS);
    EXPECT_EQ(other.exec("insert into w values (2)", oci::COMMIT_ON_SUCCESS), "");
    EXPECT_EQ(db.single("select count(*) from w"), "2");
}

TEST_F(OracleSimTest, FreeingTheEnvironmentReleasesItsHandlesAndRollsBack)
{
    ASSERT_EQ(db.exec("create table e (id number)"), "");
    OCIStmt *st = nullptr;
    OCILobLocator *loc = nullptr;
    {
        OCIEnv *env = nullptr;
        OCIError *err = nullptr;
        OCISvcCtx *svc = nullptr;
        api().envNlsCreate(&env, oci::THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 873, 873);
        api().handleAlloc(env, reinterpret_cast<void **>(&err), oci::HTYPE_ERROR, 0, nullptr);
        const std::string user = "scott", password = "tiger", service = sim.service();
        ASSERT_EQ(api().logon2(env, err, &svc, text(user), 5, text(password), 5, text(service),
                               static_cast<ub4>(service.size()), 0),
                  oci::SUCCESS);
        const std::string sql = "insert into e values (1)";
        api().stmtPrepare2(svc, &st, err, text(sql), static_cast<ub4>(sql.size()), nullptr, 0, 1, 0);
        ASSERT_EQ(api().stmtExecute(svc, st, err, 1, 0, nullptr, nullptr, 0), oci::SUCCESS);
        api().descriptorAlloc(env, reinterpret_cast<void **>(&loc), oci::DTYPE_LOB, 0, nullptr);
        EXPECT_EQ(api().handleFree(env, oci::HTYPE_ENV), oci::SUCCESS);
    }
    EXPECT_EQ(api().stmtRelease(st, db.err(), nullptr, 0, 0), oci::INVALID_HANDLE);
    EXPECT_EQ(api().descriptorFree(loc, oci::DTYPE_LOB), oci::INVALID_HANDLE);
    EXPECT_EQ(db.single("select count(*) from e"), "0");
    EXPECT_EQ(db.exec("insert into e values (2)", oci::COMMIT_ON_SUCCESS), ""); // the lock went with the session
}

TEST_F(OracleSimTest, NumbersAndDatesReadAndPrintAsOracleDoes)
{
    ASSERT_EQ(db.exec("create table nd (n number, h number(4,-2), d date, c varchar2(3 char))"), "");
    for (const char *n : {"-0.5", "123456789012345678901234567890.123456789", "1e-5", "-42", "0", "1.10",
                          "1234567890123456789012345678901234567890123"})
        ASSERT_EQ(db.exec(std::string("insert into nd (n) values (") + n + ")"), "");
    // Up to 40 significant digits stay exact; beyond, Oracle rounds (and prints in scientific form
    // what would not fit 40 characters).
    EXPECT_EQ(db.rows("select n from nd order by n"),
              (std::vector<std::string>{"-42", "-.5", "0", ".00001", "1.1", "123456789012345678901234567890.123456789",
                                        "1.23456789012345678901234567890123456789E+42"}));
    // A negative scale rounds to hundreds; the precision still counts the digits kept.
    EXPECT_EQ(db.exec("insert into nd (h) values (123456)"), "");
    EXPECT_EQ(db.single("select h from nd where h is not null"), "123500");
    EXPECT_EQ(db.exec("insert into nd (h) values (1234567)"),
              "ORA-01438: value larger than specified precision allowed for this column");

    // Month names, two-digit years by the RR rule, twelve-hour clocks.
    EXPECT_EQ(db.exec("insert into nd (d) values (to_date('03-Mar-99 01:02:03 PM', 'DD-MON-RR HH:MI:SS AM'))"), "");
    EXPECT_EQ(db.single("select to_char(d, 'YYYY-MM-DD HH24:MI:SS') from nd where d is not null"),
              "1999-03-03 13:02:03");
    EXPECT_EQ(db.single("select d from nd where d is not null"), "03-MAR-99");
    EXPECT_EQ(db.single("select to_char(d, 'Month DD, YYYY') from nd where d is not null"), "March     03, 1999");

    // VARCHAR2(n CHAR) counts characters, not bytes.
    EXPECT_EQ(db.exec("insert into nd (c) values ('äöü')"), "");
    EXPECT_EQ(db.exec("insert into nd (c) values ('äöüß')"),
              "ORA-12899: value too large for column \"SCOTT\".\"ND\".\"C\" (actual: 4, maximum: 3)");
    EXPECT_EQ(db.single("select 'it''s', 2.50, nvl(null, 'x') from dual"), "it's|2.5|x");
}

TEST_F(OracleSimTest, SchemasAreSeparate)
{
    sim.createUser("adams", "wood");
    Conn adams("adams", "wood", sim.service());
    ASSERT_EQ(db.exec("create table mine (id number)"), "");
    ASSERT_EQ(adams.exec("create table mine (id varchar2(5))"), "");
    EXPECT_EQ(adams.single("select count(*) from all_tables where table_name = 'MINE'"), "1");
    EXPECT_EQ(adams.single("select owner from all_tables where table_name = 'MINE'"), "ADAMS");
    // Nothing is granted: another schema's table is as good as missing.
    EXPECT_EQ(adams.single("select count(*) from scott.mine"), "error: ORA-00942: table or view does not exist");
    EXPECT_EQ(db.single("select count(*) from scott.mine"), "0");
    EXPECT_EQ(adams.exec("create table scott.other (id number)"), "ORA-01031: insufficient privileges");
}

TEST_F(OracleSimTest, ArrayInsertReturnsOneLocatorPerRow)
{
    ASSERT_EQ(db.exec("create table al (id number, note clob)"), "");
    OCILobLocator *locs[3] = {};
    std::int64_t ids[3] = {1, 2, 3};
    for (auto &loc : locs)
        api().descriptorAlloc(db.env(), reinterpret_cast<void **>(&loc), oci::DTYPE_LOB, 0, nullptr);
    OCIStmt *st = db.prepare("insert into al (id, note) values (:1, EMPTY_CLOB()) returning note into :2");
    api().bindByPos(st, nullptr, db.err(), 1, ids, sizeof ids[0], oci::SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, 0);
    testsupport::ReturningBind notesInto(st, db.err(), 2, oci::SQLT_CLOB, {locs[0], locs[1], locs[2]}, sizeof(void *));
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 3, 0, nullptr, nullptr, 0), oci::SUCCESS) << db.error();
    db.release(st);
    for (int i = 0; i < 3; ++i) {
        std::string value = "note " + std::to_string(ids[i]);
        oraub8 bytes = value.size(), chars = 0;
        ASSERT_EQ(api().lobWrite2(db.svc(), db.err(), locs[i], &bytes, &chars, 1, value.data(), value.size(),
                                  oci::ONE_PIECE, nullptr, nullptr, 873, 1),
                  oci::SUCCESS);
        api().descriptorFree(locs[i], oci::DTYPE_LOB);
    }
    ASSERT_EQ(api().transCommit(db.svc(), db.err(), 0), oci::SUCCESS);
    EXPECT_EQ(db.rows("select id, note from al order by id"),
              (std::vector<std::string>{"1|note 1", "2|note 2", "3|note 3"}));
}

TEST_F(OracleSimTest, StatementTextIsReadAsOracleReadsIt)
{
    // Comments, CR LF, odd bytes in quoted names, doubled quotes in literals.
    EXPECT_EQ(db.exec("create /* a table */ table \"we ird$ name\" (\r\n  \"Col 1\" varchar2(20) -- trailing\r\n)"), "");
    EXPECT_EQ(db.exec("insert into \"we ird$ name\" values ('O''Brien')"), "");
    EXPECT_EQ(db.single("select \"Col 1\" from \"we ird$ name\""), "O'Brien");
    EXPECT_EQ(db.exec("insert into \"we ird$ name\" values ('unterminated)"), "ORA-01756: quoted string not properly terminated");
    EXPECT_EQ(db.exec("insert into \"we ird$ name\" values (?)"), "ORA-00911: invalid character");
    EXPECT_EQ(db.exec("insert into \"we ird$ name\" values ('a', 'b')"), "ORA-00913: too many values");
    EXPECT_EQ(db.exec("insert into \"we ird$ name\" (\"Col 1\", \"Col 1\") values ('a', 'b')"),
              "ORA-00957: duplicate column name");
    EXPECT_EQ(db.exec("insert into \"we ird$ name\" (nope) values ('a')"), "ORA-00904: \"NOPE\": invalid identifier");
    EXPECT_EQ(db.exec("select from dual"), "ORA-00936: missing expression");
    EXPECT_EQ(db.exec("select 1 dual"), "ORA-00923: FROM keyword not found where expected");
    EXPECT_EQ(db.exec("select * from dual where 1"), "ORA-00920: invalid relational operator");
    EXPECT_EQ(db.exec("select nosuch(1) from dual"), "ORA-00904: \"NOSUCH\": invalid identifier");
    EXPECT_EQ(db.exec("truncate table x"), "ORA-00900: invalid SQL statement");
    EXPECT_EQ(db.exec(std::string(300, '(')), "ORA-00900: invalid SQL statement");
    EXPECT_EQ(db.exec("select " + std::string(300, '(') + "1" + std::string(300, ')') + " from dual").rfind("ORA-00600", 0),
              0u);

    // OCI_ATTR_STMT_TYPE is known right after prepare.
    const std::pair<const char *, ub2> types[] = {{"  SELECT 1 from dual", oci::STMT_SELECT},
                                                  {"insert into t values (1)", oci::STMT_INSERT},
                                                  {"delete t", oci::STMT_DELETE},
                                                  {"Create table x (a number)", oci::STMT_CREATE},
                                                  {"drop table x", oci::STMT_DROP},
                                                  {"alter table x add primary key (a)", oci::STMT_ALTER},
                                                  {"commit", oci::STMT_UNKNOWN}};
    for (const auto &[sql, expected] : types) {
        OCIStmt *st = db.prepare(sql);
        ub2 type = 99;
        api().attrGet(st, oci::HTYPE_STMT, &type, nullptr, oci::ATTR_STMT_TYPE, db.err());
        EXPECT_EQ(type, expected) << sql;
        db.release(st);
    }
}

TEST_F(OracleSimTest, BoundValuesFollowOraclesNullAndSizeRules)
{
    ASSERT_EQ(db.exec("create table bv (id number not null, name varchar2(10), born date)"), "");
    OCIStmt *st = db.prepare("insert into bv values (:id, :name, :born)");
    char id[8] = "1", name[8] = "";
    ub2 idLen = 1, nameLen = 0;
    oci::OCIDate born{2024, 1, 31, 0, 0, 0};
    api().bindByPos(st, nullptr, db.err(), 1, id, sizeof id, oci::SQLT_CHR, nullptr, &idLen, nullptr, 0, nullptr, 0);
    api().bindByPos(st, nullptr, db.err(), 2, name, sizeof name, oci::SQLT_CHR, nullptr, &nameLen, nullptr, 0, nullptr, 0);
    api().bindByPos(st, nullptr, db.err(), 3, &born, sizeof born, oci::SQLT_ODT, nullptr, nullptr, nullptr, 0, nullptr, 0);
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, 0), oci::SUCCESS) << db.error();
    idLen = 0; // a zero-length value is NULL, whatever the column
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, 0), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-01400: cannot insert NULL into (\"SCOTT\".\"BV\".\"ID\")");
    idLen = 1;
    born.day = 32;
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, 0), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-01847: day of month must be between 1 and last day of month");
    born = {0, 1, 1, 0, 0, 0};
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 1, 0, nullptr, nullptr, 0), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-01841: (full) year must be between -4713 and +9999, and not be 0");
    db.release(st);
    EXPECT_EQ(db.single("select id, name from bv"), "1|NULL");

    // A bind the statement has no place for, and a place without a bind.
    st = db.prepare("select count(*) from bv where id = :1");
    api().bindByPos(st, nullptr, db.err(), 1, id, 1, oci::SQLT_CHR, nullptr, nullptr, nullptr, 0, nullptr, 0);
    api().bindByPos(st, nullptr, db.err(), 2, id, 1, oci::SQLT_CHR, nullptr, nullptr, nullptr, 0, nullptr, 0);
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, 0), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-01036: illegal variable name/number");
    db.release(st);
    // The number of the placeholder does not matter, only its place.
    st = db.prepare("select count(*) from bv where id = :9 and name is null");
    api().bindByPos(st, nullptr, db.err(), 1, id, 1, oci::SQLT_CHR, nullptr, nullptr, nullptr, 0, nullptr, 0);
    EXPECT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, 0), oci::SUCCESS) << db.error();
    db.release(st);
}

TEST_F(OracleSimTest, UniqueIndexesAndDroppingIndexes)
{
    ASSERT_EQ(db.exec("create table ui (a number, b number)"), "");
    ASSERT_EQ(db.exec("insert into ui values (1, 1)"), "");
    ASSERT_EQ(db.exec("insert into ui values (1, 2)"), "");
    EXPECT_EQ(db.exec("create unique index ui_a on ui (a)"), "ORA-01452: cannot CREATE UNIQUE INDEX; duplicate keys found");
    ASSERT_EQ(db.exec("create unique index ui_b on ui (b)"), "");
    EXPECT_EQ(db.exec("insert into ui values (3, 2)"), "ORA-00001: unique constraint (SCOTT.UI_B) violated");
    EXPECT_EQ(db.exec("drop index nosuch"), "ORA-01418: specified index does not exist");
    ASSERT_EQ(db.exec("alter table ui add constraint ui_pk primary key (a, b)"), "");
    EXPECT_EQ(db.exec("drop index ui_pk"), "ORA-02429: cannot drop index used for enforcement of unique/primary key");
    EXPECT_EQ(db.exec("drop index ui_b"), "");
    EXPECT_EQ(db.exec("insert into ui values (3, 2)"), "");
    // A key over columns that already have an index takes that index over.
    ASSERT_EQ(db.exec("create table ui2 (a number)"), "");
    ASSERT_EQ(db.exec("create index ui2_a on ui2 (a)"), "");
    ASSERT_EQ(db.exec("alter table ui2 add constraint ui2_pk primary key (a)"), "");
    EXPECT_EQ(db.single("select index_name from user_constraints where constraint_name = 'UI2_PK'"), "UI2_A");
    ASSERT_EQ(db.exec("insert into ui2 values (1)"), "");
    EXPECT_EQ(db.exec("insert into ui2 values (1)"), "ORA-00001: unique constraint (SCOTT.UI2_PK) violated");
    // Dropping the table takes its indexes and constraints along; the names are free again.
    ASSERT_EQ(db.exec("drop table ui2"), "");
    EXPECT_EQ(db.exec("create table ui2_a (x number)"), "");
    EXPECT_EQ(db.exec("alter table ui2_a add constraint ui2_pk primary key (x)"), "");
}

TEST_F(OracleSimTest, AWriterOnAnotherThreadWaitsForTheCommit)
{
    ASSERT_EQ(db.exec("create table wt (id number)"), "");
    ASSERT_EQ(db.exec("insert into wt values (1)"), "");
    std::string otherResult = "not run";
    std::thread writer([&] {
        Conn other("scott", "tiger", sim.service());
        otherResult = other.exec("insert into wt values (2)", oci::COMMIT_ON_SUCCESS);
    });
    // The writer blocks until this session's transaction ends, then goes in.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(api().transCommit(db.svc(), db.err(), 0), oci::SUCCESS);
    writer.join();
    EXPECT_EQ(otherResult, "");
    EXPECT_EQ(db.single("select count(*) from wt"), "2");
}

// Fault injection counts the executes of the whole process, so each case runs in a fresh process:
// the parent test starts this binary again on one child test with the setting in its environment.
bool inFaultChild() { return std::getenv("ORACLE_SIM_TEST_CHILD") != nullptr; }

int runChild(const std::string &test, const std::string &variable, const std::string &value, std::string *out)
{
    setenv("ORACLE_SIM_TEST_CHILD", "1", 1);
    setenv(variable.c_str(), value.c_str(), 1);
    int rc = testsupport::runCommand(testsupport::childTestCommand("OracleSimFaultChild." + test), out);
    unsetenv(variable.c_str());
    unsetenv("ORACLE_SIM_TEST_CHILD");
    return rc;
}

MORVANE_CHILD_TEST(OracleSimFaultChild, FailExecute)
{
    ASSERT_TRUE(inFaultChild()) << "started by OracleSimFaults";
    testsupport::OracleSim sim;
    Conn db("scott", "tiger", sim.service());
    EXPECT_EQ(db.exec("create table t (id number)"), "");                                 // execute 1
    EXPECT_EQ(db.exec("insert into t values (1)"), "ORA-01555: snapshot too old: rollback segment too small"); // 2
    EXPECT_EQ(db.single("select count(*) from t"), "0");                                 // 3: the failure changed nothing
}

MORVANE_CHILD_TEST(OracleSimFaultChild, DropAfter)
{
    ASSERT_TRUE(inFaultChild()) << "started by OracleSimFaults";
    testsupport::OracleSim sim;
    Conn db("scott", "tiger", sim.service());
    Conn other("scott", "tiger", sim.service());
    EXPECT_EQ(db.exec("create table t (id number)"), "");                                 // 1
    EXPECT_EQ(db.exec("insert into t values (1)"), "");                                   // 2
    EXPECT_EQ(db.exec("insert into t values (2)"), "ORA-03113: end-of-file on communication channel"); // 3
    EXPECT_EQ(api().transCommit(db.svc(), db.err(), 0), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-03114: not connected to ORACLE");
    EXPECT_EQ(db.exec("select * from dual"), "ORA-03114: not connected to ORACLE");
    // A ping is a round trip too: it cannot report a lost session as alive.
    EXPECT_EQ(api().ping(db.svc(), db.err(), 0), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-03114: not connected to ORACLE");
    EXPECT_EQ(api().ping(other.svc(), other.err(), 0), oci::SUCCESS);
    // The server handle says so too, whatever error a client met.
    void *server = nullptr;
    ub4 status = 99;
    api().attrGet(db.svc(), oci::HTYPE_SVCCTX, &server, nullptr, oci::ATTR_SERVER, db.err());
    api().attrGet(server, oci::HTYPE_SERVER, &status, nullptr, oci::ATTR_SERVER_STATUS, db.err());
    EXPECT_EQ(status, oci::SERVER_NOT_CONNECTED);
    // The lost session's open work is gone; other sessions go on.
    EXPECT_EQ(other.single("select count(*) from t"), "0");
}

TEST(OracleSimFaults, InjectedFailuresHitTheNthExecute)
{
    std::string out;
    EXPECT_EQ(runChild("FailExecute", "ORACLE_SIM_FAIL_EXECUTE",
                       "2:ORA-01555: snapshot too old: rollback segment too small", &out),
              0)
        << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
    EXPECT_EQ(runChild("DropAfter", "ORACLE_SIM_DROP_AFTER", "3", &out), 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

} // namespace
