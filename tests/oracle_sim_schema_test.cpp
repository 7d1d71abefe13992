// The stand-in's schema objects beyond tables and plain keys, driven through raw OCI calls: NOT NULL,
// defaults, unique and foreign keys, CHECK constraints, identity columns and sequences, comments,
// the dictionary views that show them, and dropping tables that carry them. Every refusal is
// checked with Oracle's own number and text.

#include "support/OracleSim.h"
#include "support/RawOci.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using testsupport::RawConn;
using Rows = std::vector<std::string>;

const testsupport::RawOciApi &api() { return testsupport::rawOci(); }

class OracleSimSchema : public ::testing::Test {
protected:
    testsupport::OracleSim sim;
    RawConn db{"scott", "tiger", sim.service()};

    void run(const std::vector<std::string> &statements)
    {
        for (const auto &sql : statements)
            ASSERT_EQ(db.exec(sql), "") << sql;
    }
};

TEST_F(OracleSimSchema, NotNullIsAddedCheckedAndEnforced)
{
    run({"create table \"T\" (\"A\" number, \"B\" varchar2(10))", "insert into \"T\" values (1, NULL)"});
    // A constraint that has no name yet shows none in the message.
    EXPECT_EQ(db.exec("alter table \"T\" modify (\"B\" not null)"),
              "ORA-02296: cannot enable (SCOTT.) - null values found");
    EXPECT_EQ(db.exec("alter table \"T\" modify (\"B\" constraint \"NN_B\" not null)"),
              "ORA-02296: cannot enable (SCOTT.NN_B) - null values found");
    EXPECT_EQ(db.exec("alter table \"T\" modify (\"NOPE\" not null)"), "ORA-00904: \"NOPE\": invalid identifier");
    run({"update \"T\" set \"B\" = 'x'", "alter table \"T\" modify (\"B\" not null)"});
    EXPECT_EQ(db.exec("alter table \"T\" modify (\"B\" not null)"),
              "ORA-01442: column to be modified to NOT NULL is already NOT NULL");

    EXPECT_EQ(db.exec("insert into \"T\" (\"A\") values (2)"),
              "ORA-01400: cannot insert NULL into (\"SCOTT\".\"T\".\"B\")");
    EXPECT_EQ(db.exec("insert into \"T\" values (2, '')"),
              "ORA-01400: cannot insert NULL into (\"SCOTT\".\"T\".\"B\")");
    EXPECT_EQ(db.exec("update \"T\" set \"B\" = NULL"), "ORA-01407: cannot update (\"SCOTT\".\"T\".\"B\") to NULL");
    EXPECT_EQ(db.single("select nullable from user_tab_columns where table_name = 'T' and column_name = 'B'"), "N");
    EXPECT_EQ(db.single("select constraint_type, search_condition, generated from user_constraints "
                        "where table_name = 'T'"),
              "C|\"B\" IS NOT NULL|GENERATED NAME");
    EXPECT_EQ(
        db.single("select count(*) from user_constraints where table_name = 'T' and constraint_name = 'SYS_C0007132'"),
        "1");

    // NULL again: the constraint goes; a column that allows NULL, or is in the primary key, cannot.
    run({"alter table \"T\" modify (\"B\" null)"});
    EXPECT_EQ(db.single("select count(*) from user_constraints where table_name = 'T'"), "0");
    EXPECT_EQ(db.exec("alter table \"T\" modify (\"B\" null)"),
              "ORA-01451: column to be modified to NULL cannot be modified to NULL");
    run({"alter table \"T\" add primary key (\"A\")"});
    EXPECT_EQ(db.exec("alter table \"T\" modify (\"A\" null)"),
              "ORA-01451: column to be modified to NULL cannot be modified to NULL");

    // Written in the CREATE, named or not, with several columns in one MODIFY.
    run({"create table n2 (id number constraint nn_id not null, x number not null, y number, z number)",
         "alter table n2 modify (y not null, z not null)"});
    EXPECT_EQ(db.rows("select constraint_name, search_condition from user_constraints where table_name = 'N2' "
                      "and generated = 'USER NAME'"),
              (Rows{"NN_ID|\"ID\" IS NOT NULL"}));
    EXPECT_EQ(db.single("select count(*) from user_constraints where table_name = 'N2'"), "4");
    // One column of the MODIFY fails: none of it stays.
    run({"create table n3 (a number, b number)", "insert into n3 values (1, NULL)"});
    EXPECT_EQ(db.exec("alter table n3 modify (a not null, b not null)"),
              "ORA-02296: cannot enable (SCOTT.) - null values found");
    EXPECT_EQ(db.single("select nullable from user_tab_columns where table_name = 'N3' and column_name = 'A'"), "Y");
}

TEST_F(OracleSimSchema, DefaultsFillLeftOutColumnsOnly)
{
    run({"create table d (id number, n number default 42, s varchar2(20) default 'it''s', neg number default -1.5,"
         " pos number default +2, dt date default sysdate, ts timestamp default systimestamp,"
         " cd date default current_date, ct timestamp(3) default current_timestamp)",
         "insert into d (id) values (1)", "insert into d (id, n, s) values (2, NULL, NULL)",
         "insert into d (id, n) values (3, default)"});
    EXPECT_EQ(db.rows("select id, n, s, neg, pos from d order by id"),
              (Rows{"1|42|it's|-1.5|2", "2|NULL|NULL|-1.5|2", "3|42|it's|-1.5|2"}));
    EXPECT_EQ(db.single("select count(*) from d where dt is not null and ts is not null and cd is not null "
                        "and ct is not null"),
              "3");
    EXPECT_EQ(db.single("select count(*) from d where dt > to_date('2020-01-01', 'YYYY-MM-DD')"), "3");
    run({"update d set n = default where id = 2"});
    EXPECT_EQ(db.single("select n from d where id = 2"), "42");
    // The dictionary shows each default as it was written.
    EXPECT_EQ(db.rows("select column_name, data_default from user_tab_columns where table_name = 'D' "
                      "and column_id <= 6 order by column_id"),
              (Rows{"ID|NULL", "N|42", "S|'it''s'", "NEG|-1.5", "POS|+2", "DT|sysdate"}));

    EXPECT_EQ(db.exec("create table d2 (a number, b number default a)"), "ORA-00984: column not allowed here");
    // A value may stand in parentheses; a condition may not be a bare value.
    run({"create table d5 (a number default (0), b number check ((b) > (1)))", "insert into d5 (b) values (2)"});
    EXPECT_EQ(db.single("select a from d5"), "0");
    EXPECT_EQ(db.single("select count(*) from d5 where (a)"), "error: ORA-00920: invalid relational operator");
    EXPECT_EQ(db.single("select count(*) from d5 where (a = 0 and b)"),
              "error: ORA-00920: invalid relational operator");
    // A default is converted when a row takes it, as Oracle does.
    run({"create table d3 (a number, b number default 'abc', c varchar2(2) default 'long')"});
    EXPECT_EQ(db.exec("insert into d3 (a, c) values (1, 'x')"), "ORA-01722: invalid number");
    EXPECT_EQ(db.exec("insert into d3 (a, b) values (1, 2)"),
              "ORA-12899: value too large for column \"SCOTT\".\"D3\".\"C\" (actual: 4, maximum: 2)");
    EXPECT_EQ(db.exec("create table d4 (a number default :1)"),
              "ORA-01027: bind variables not allowed for data definition operations");
}

TEST_F(OracleSimSchema, UniqueKeysRefuseDuplicatesAsOracleComparesThem)
{
    run({"create table u (a number, b varchar2(5), c number)", "insert into u values (1, 'x', 1)",
         "insert into u values (1, 'y', 1)"});
    EXPECT_EQ(db.exec("create unique index \"UA\" on \"U\" (\"A\")"),
              "ORA-01452: cannot CREATE UNIQUE INDEX; duplicate keys found");
    EXPECT_EQ(db.exec("alter table \"U\" add constraint \"UA\" unique (\"A\")"),
              "ORA-02299: cannot validate (SCOTT.UA) - duplicate keys found");
    EXPECT_EQ(db.exec("alter table \"U\" add unique (\"C\")"),
              "ORA-02299: cannot validate (SCOTT.SYS_C0007132) - duplicate keys found");
    run({"create unique index \"UAB\" on \"U\" (\"A\", \"B\")"});
    EXPECT_EQ(db.exec("insert into u values (1, 'x', 2)"), "ORA-00001: unique constraint (SCOTT.UAB) violated");

    // A key that is all NULL is not indexed; a partly NULL one collides on its other columns.
    run({"insert into u values (NULL, NULL, 3)", "insert into u values (NULL, NULL, 4)",
         "insert into u values (5, NULL, 5)"});
    EXPECT_EQ(db.exec("insert into u values (5, NULL, 6)"), "ORA-00001: unique constraint (SCOTT.UAB) violated");
    run({"insert into u values (NULL, 'z', 7)"});
    EXPECT_EQ(db.exec("insert into u values (NULL, 'z', 8)"), "ORA-00001: unique constraint (SCOTT.UAB) violated");
    EXPECT_EQ(db.exec("update u set b = 'x' where c = 1 and b = 'y'"),
              "ORA-00001: unique constraint (SCOTT.UAB) violated");

    run({"delete from u where c = 1 and b = 'y'", "alter table u add constraint uc unique (c)"});
    EXPECT_EQ(db.exec("insert into u values (9, 'q', 3)"), "ORA-00001: unique constraint (SCOTT.UC) violated");
    EXPECT_EQ(db.exec("update u set c = 3 where c = 4"), "ORA-00001: unique constraint (SCOTT.UC) violated");
    run({"insert into u values (9, 'q', NULL)", "insert into u values (10, 'q', NULL)"});
    EXPECT_EQ(db.exec("alter table u add constraint uc2 unique (c)"),
              "ORA-02261: such unique or primary key already exists in the table");
    EXPECT_EQ(db.exec("alter table u add constraint uc primary key (a)"),
              "ORA-02264: name already used by an existing constraint");
    // A unique constraint over an indexed column list takes the index over.
    run({"alter table u add constraint uab_key unique (a, b)"});
    EXPECT_EQ(db.rows("select constraint_name, constraint_type, index_name from user_constraints "
                      "where table_name = 'U' order by constraint_name"),
              (Rows{"UAB_KEY|U|UAB", "UC|U|UC"}));
    EXPECT_EQ(db.rows("select index_name, uniqueness from user_indexes where table_name = 'U' order by index_name"),
              (Rows{"UAB|UNIQUE", "UC|UNIQUE"}));
    EXPECT_EQ(db.exec("drop index uab"), "ORA-02429: cannot drop index used for enforcement of unique/primary key");
    EXPECT_EQ(db.exec("create table ul (c clob unique)"),
              "ORA-02329: column of datatype LOB cannot be unique or a primary key");
}

TEST_F(OracleSimSchema, ForeignKeysNeedAParentKeyAndKeepChildrenWithParents)
{
    run({"create table p (x number, y number, name varchar2(10))", "create table c (id number, a number, b number)",
         "insert into p values (1, 1, 'one')", "insert into c values (1, 1, 1)", "insert into c values (2, 9, 9)"});
    EXPECT_EQ(db.exec("alter table c add constraint fk foreign key (a, b) references p (x, y)"),
              "ORA-02270: no matching unique or primary key for this column-list");
    EXPECT_EQ(db.exec("alter table c add constraint fk foreign key (a) references p"),
              "ORA-02268: referenced table does not have a primary key");
    run({"alter table p add constraint p_pk primary key (x, y)"});
    EXPECT_EQ(db.exec("alter table c add constraint fk foreign key (a) references p (x, y)"),
              "ORA-02256: number of referencing columns must match referenced columns");
    EXPECT_EQ(db.exec("alter table c add constraint fk foreign key (a, b) references p (x, name)"),
              "ORA-02270: no matching unique or primary key for this column-list");
    EXPECT_EQ(db.exec("alter table c add constraint fk foreign key (a, b) references nosuch (x, y)"),
              "ORA-00942: table or view does not exist");
    EXPECT_EQ(
        db.exec("alter table \"C\" add constraint \"FK\" foreign key (\"A\", \"B\") references \"P\" (\"X\", \"Y\")"),
        "ORA-02298: cannot validate (SCOTT.FK) - parent keys not found");
    run({"delete from c where id = 2",
         "alter table \"C\" add constraint \"FK\" foreign key (\"A\", \"B\") references \"P\" (\"X\", \"Y\")"});
    EXPECT_EQ(db.exec("alter table c add constraint fk2 foreign key (a, b) references p"),
              "ORA-02275: such a referential constraint already exists in the table");

    EXPECT_EQ(db.exec("insert into c values (3, 9, 9)"),
              "ORA-02291: integrity constraint (SCOTT.FK) violated - parent key not found");
    run({"insert into c values (4, 9, NULL)"}); // a NULL in the key refers to nothing
    EXPECT_EQ(db.exec("update c set a = 7 where id = 1"),
              "ORA-02291: integrity constraint (SCOTT.FK) violated - parent key not found");
    EXPECT_EQ(db.exec("delete from p"), "ORA-02292: integrity constraint (SCOTT.FK) violated - child record found");
    EXPECT_EQ(db.exec("update p set y = 2"),
              "ORA-02292: integrity constraint (SCOTT.FK) violated - child record found");
    EXPECT_EQ(db.single("select count(*) from p"), "1");
    // Checked when the statement has written all its rows: moving parent and child together passes.
    run({"update p set name = 'uno'", "delete from c where id = 1", "delete from p"});

    EXPECT_EQ(db.rows("select constraint_name, constraint_type, r_owner, r_constraint_name, delete_rule from "
                      "user_constraints where table_name = 'C'"),
              (Rows{"FK|R|SCOTT|P_PK|NO ACTION"}));
    EXPECT_EQ(db.rows("select column_name, position from user_cons_columns where constraint_name = 'FK' "
                      "order by position"),
              (Rows{"A|1", "B|2"}));
    EXPECT_EQ(db.exec("alter table c add constraint fk3 foreign key (id) references p (name)"),
              "ORA-02270: no matching unique or primary key for this column-list");
    run({"alter table p add constraint p_name unique (name)"});
    EXPECT_EQ(db.exec("alter table c add constraint fk3 foreign key (id) references p (name)"),
              "ORA-02267: column type incompatible with referenced column type");
}

TEST_F(OracleSimSchema, ForeignKeysCascadeSetNullAndReferToTheirOwnTable)
{
    run({"create table ord (id number primary key)",
         "create table line (id number primary key, ord number references ord on delete cascade)",
         "create table note (id number, line number, constraint note_line foreign key (line) references line (id) "
         "on delete cascade)",
         "create table tag (id number, ord number constraint tag_ord references ord (id) on delete set null)",
         "insert into ord values (1)", "insert into ord values (2)", "insert into line values (10, 1)",
         "insert into line values (20, 2)", "insert into note values (100, 10)", "insert into note values (200, 20)",
         "insert into tag values (7, 1)"});
    EXPECT_EQ(db.rows("select table_name, delete_rule from user_constraints where constraint_type = 'R' "
                      "order by table_name"),
              (Rows{"LINE|CASCADE", "NOTE|CASCADE", "TAG|SET NULL"}));
    run({"delete from ord where id = 1"});
    EXPECT_EQ(db.rows("select id from line"), (Rows{"20"}));
    EXPECT_EQ(db.rows("select id from note"), (Rows{"200"}));
    EXPECT_EQ(db.rows("select id, ord from tag"), (Rows{"7|NULL"}));

    // SET NULL into a NOT NULL column fails the delete and keeps everything.
    run({"create table strict (ord number not null, constraint strict_ord foreign key (ord) references ord "
         "on delete set null)",
         "insert into strict values (2)"});
    EXPECT_EQ(db.exec("delete from ord"), "ORA-01407: cannot update (\"SCOTT\".\"STRICT\".\"ORD\") to NULL");
    EXPECT_EQ(db.single("select count(*) from note"), "1");
    run({"drop table strict",
         "create table checked (ord number, constraint checked_ord foreign key (ord) "
         "references ord on delete set null, constraint checked_set check (ord is not null))",
         "insert into checked values (2)"});
    EXPECT_EQ(db.exec("delete from ord"), "ORA-02290: check constraint (SCOTT.CHECKED_SET) violated");

    // A row may be its own parent; a statement may delete a whole chain of rows referring to each other.
    run({"create table emp (id number primary key, mgr number, constraint emp_mgr foreign key (mgr) references emp)",
         "insert into emp values (1, 1)", "insert into emp values (2, 1)", "insert into emp values (3, 2)"});
    EXPECT_EQ(db.exec("insert into emp values (4, 5)"),
              "ORA-02291: integrity constraint (SCOTT.EMP_MGR) violated - parent key not found");
    EXPECT_EQ(db.exec("delete from emp where id = 2"),
              "ORA-02292: integrity constraint (SCOTT.EMP_MGR) violated - child record found");
    run({"delete from emp"});
    EXPECT_EQ(db.single("select count(*) from emp"), "0");

    // A long chain of cascades in one table.
    run({"create table chain (id number primary key, up number references chain on delete cascade)",
         "insert into chain values (1, NULL)"});
    for (int i = 2; i <= 300; ++i)
        ASSERT_EQ(db.exec("insert into chain values (" + std::to_string(i) + ", " + std::to_string(i - 1) + ")"), "");
    run({"delete from chain where id = 1"});
    EXPECT_EQ(db.single("select count(*) from chain"), "0");
}

TEST_F(OracleSimSchema, CheckConstraintsHoldForOldAndNewRows)
{
    run({"create table k (n number, s varchar2(10), e varchar2(20))", "insert into k values (-1, 'abc', 'a,b')"});
    EXPECT_EQ(db.exec("alter table \"K\" add constraint \"CK_N\" check (\"N\" >= 0)"),
              "ORA-02293: cannot validate (SCOTT.CK_N) - check constraint violated");
    EXPECT_EQ(db.exec("alter table k add check (n >= 0)"),
              "ORA-02293: cannot validate (SCOTT.) - check constraint violated");
    run({"update k set n = 1", "alter table \"K\" add constraint \"CK_N\" check (\"N\" between 0 and 255)",
         "alter table k add constraint ck_s check (s in ('abc', 'def') and length(s) = 3)",
         "alter table k add constraint ck_e check (regexp_like(e, '^(a|b|c)(,(a|b|c))*$'))",
         "alter table k add constraint ck_or check (n is null or not (n = 13))"});
    EXPECT_EQ(db.exec("insert into k values (256, 'abc', 'a')"), "ORA-02290: check constraint (SCOTT.CK_N) violated");
    EXPECT_EQ(db.exec("insert into k values (1, 'xyz', 'a')"), "ORA-02290: check constraint (SCOTT.CK_S) violated");
    EXPECT_EQ(db.exec("insert into k values (1, 'abc', 'a,d')"), "ORA-02290: check constraint (SCOTT.CK_E) violated");
    EXPECT_EQ(db.exec("insert into k values (13, 'abc', 'c')"), "ORA-02290: check constraint (SCOTT.CK_OR) violated");
    EXPECT_EQ(db.exec("update k set e = 'b,b,x'"), "ORA-02290: check constraint (SCOTT.CK_E) violated");
    // Unknown is not false: NULL passes every check.
    run({"insert into k values (NULL, NULL, NULL)", "insert into k values (0, 'def', 'c,a,b')"});
    EXPECT_EQ(db.single("select count(*) from k"), "3");
    EXPECT_EQ(db.single("select search_condition from user_constraints where constraint_name = 'CK_N'"),
              "\"N\" between 0 and 255");
    EXPECT_EQ(db.rows("select column_name, position from user_cons_columns where constraint_name = 'CK_S'"),
              (Rows{"S|NULL"}));

    run({"create table k2 (a number check (a not in (1, 2)), b number)"});
    EXPECT_EQ(db.exec("insert into k2 values (2, 0)"), "ORA-02290: check constraint (SCOTT.SYS_C0007132) violated");
    EXPECT_EQ(db.exec("create table k3 (a number check (a > b), b number)"),
              "ORA-02438: Column check constraint cannot reference other columns");
    EXPECT_EQ(db.exec("create table k3 (a date, check (a > sysdate))"),
              "ORA-02436: date or system variable wrongly specified in CHECK constraint");
    EXPECT_EQ(db.exec("alter table k2 add check (nope > 0)"), "ORA-00904: \"NOPE\": invalid identifier");
    EXPECT_EQ(db.exec("alter table k2 add check (regexp_like(b, '[a'))"), ""); // no rows to test it on yet
    EXPECT_EQ(db.exec("insert into k2 values (3, 3)"), "ORA-12726: unmatched bracket in regular expression");
}

TEST_F(OracleSimSchema, CheckConditionsMatchPatternsComputeAndTestJson)
{
    run({"create table p (code varchar2(10), qty number, price number, doc clob)",
         "alter table p add constraint p_code check (code like 'A\\_%' escape '\\' and code not like '%!%%' escape "
         "'!')",
         "alter table p add constraint p_total check (qty * price - -1 <= 101 and abs(qty) < 50 and -qty < 0)",
         "alter table p add constraint p_doc check (doc is json strict)"});
    // _ is one character, also a multi-byte one; an escaped _ only itself.
    run({"insert into p (code) values ('A_é')", "insert into p (code) values ('A_')"});
    EXPECT_EQ(db.exec("insert into p (code) values ('AB1')"), "ORA-02290: check constraint (SCOTT.P_CODE) violated");
    EXPECT_EQ(db.exec("insert into p (code) values ('A_5%')"), "ORA-02290: check constraint (SCOTT.P_CODE) violated");
    run({"insert into p (qty, price) values (10, 10)", "insert into p (qty, price) values (4, 2.5)"});
    EXPECT_EQ(db.exec("insert into p (qty, price) values (10, 10.01)"),
              "ORA-02290: check constraint (SCOTT.P_TOTAL) violated");
    EXPECT_EQ(db.exec("insert into p (qty, price) values (-1, 1)"),
              "ORA-02290: check constraint (SCOTT.P_TOTAL) violated");
    EXPECT_EQ(db.single("select qty * price + 0.5, -qty, abs(-qty) from p where qty = 4"), "10.5|-4|4");
    // Sums and products are exact, carried and borrowed across the point; NUMBER's range still holds.
    EXPECT_EQ(db.single("select 0.1 + 0.2, 1 - 1.001, -2.5 * -4, 99999999999999999999 + 1, 0.5 - 1 from dual"),
              ".3|-.001|10|100000000000000000000|-.5");
    EXPECT_EQ(db.exec("select 9e125 * 10 from dual"), "ORA-01426: numeric overflow");
    EXPECT_EQ(db.single("select count(*) from dual where 'abcabd' like '%ab_' and 'x' like '%%x%%' and 'ab' not "
                        "like 'a' and 'ab' like 'a%b'"),
              "1");
    // Oracle 19c: an object or an array at the top, in the standard syntax when STRICT.
    run({"insert into p (doc) values ('{\"a\": [1, 2.5e3, true, null, \"x\\\"y\"]}')",
         "insert into p (doc) values ('[]')"});
    for (const char *doc : {"{a: 1}", "{\"a\": TRUE}", "[01]", "1", "\"text\"", "{\"a\": 1", "[1,]"})
        EXPECT_EQ(db.exec("insert into p (doc) values ('" + std::string(doc) + "')"),
                  "ORA-02290: check constraint (SCOTT.P_DOC) violated")
            << doc;
    EXPECT_EQ(db.single("select count(*) from p where doc is json"), "2");
    EXPECT_EQ(db.single("select count(*) from dual where '{a: 1, a: 2}' is json lax"), "1");
    EXPECT_EQ(db.single("select count(*) from dual where '{\"a\": 1, \"a\": 2}' is json with unique keys"), "0");
    EXPECT_EQ(db.single("select count(*) from dual where '{\"a\": 1}' is not json"), "0");
    // The escape may stand before %, _ or itself only, and is one character.
    EXPECT_EQ(db.exec("select count(*) from p where code like 'A!B' escape '!'"),
              "ORA-01424: missing or illegal character following the escape character");
    EXPECT_EQ(db.exec("select count(*) from p where code like 'A!' escape '!'"),
              "ORA-01424: missing or illegal character following the escape character");
    EXPECT_EQ(db.exec("select count(*) from p where code like 'A' escape '!!'"),
              "ORA-01425: escape character must be character string of length 1");
}

TEST_F(OracleSimSchema, IdentityColumnsNumberLeftOutRows)
{
    run({"create table i (\"ID\" number generated by default as identity, v varchar2(5))",
         "insert into i (v) values ('a')", "insert into i (v) values ('b')", "insert into i values (10, 'c')"});
    EXPECT_EQ(db.rows("select id, v from i order by id"), (Rows{"1|a", "2|b", "10|c"}));
    EXPECT_EQ(db.exec("insert into i values (NULL, 'd')"),
              "ORA-01400: cannot insert NULL into (\"SCOTT\".\"I\".\"ID\")");
    const std::string sequence = db.single("select sequence_name from user_tab_identity_cols where table_name = 'I'");
    EXPECT_EQ(sequence.rfind("ISEQ$$_", 0), 0u) << sequence;
    EXPECT_EQ(db.single("select column_name, generation_type from user_tab_identity_cols"), "ID|BY DEFAULT");
    EXPECT_EQ(db.single("select nullable, identity_column, data_default from user_tab_columns "
                        "where table_name = 'I' and column_name = 'ID'"),
              "N|YES|\"SCOTT\".\"" + sequence + "\".nextval");
    EXPECT_EQ(db.single("select search_condition from user_constraints where table_name = 'I'"), "\"ID\" IS NOT NULL");

    // START WITH LIMIT VALUE moves the next number above the largest in the table.
    run({"alter table \"I\" modify (\"ID\" generated by default as identity (start with limit value))",
         "insert into i (v) values ('e')"});
    EXPECT_EQ(db.rows("select id from i where v = 'e'"), (Rows{"11"}));
    EXPECT_EQ(db.exec("alter table i modify (v generated by default as identity (start with limit value))"),
              "ORA-30673: column to be modified is not an identity column");
    EXPECT_EQ(db.exec("create table i2 (id varchar2(5) generated always as identity)"),
              "ORA-30675: identity column must be a numeric type");
    EXPECT_EQ(db.exec("create table i2 (id number default 1 generated always as identity)"),
              "ORA-30674: identity column cannot have a default value");

    run({"create table ia (id number generated always as identity (start with 100 increment by 10), v number)",
         "insert into ia (v) values (1)", "insert into ia (v) values (2)"});
    EXPECT_EQ(db.rows("select id from ia order by id"), (Rows{"100", "110"}));
    EXPECT_EQ(db.exec("insert into ia (id, v) values (5, 3)"),
              "ORA-32795: cannot insert into a generated always identity column");
    EXPECT_EQ(db.exec("update ia set id = 5"), "ORA-32796: cannot update a generated always identity column");
    run({"create table io (id number generated by default on null as identity, v number)",
         "insert into io values (NULL, 1)", "insert into io values (7, 2)"});
    EXPECT_EQ(db.rows("select id, v from io order by v"), (Rows{"1|1", "7|2"}));
}

TEST_F(OracleSimSchema, SequencesGiveNumbersToInserts)
{
    run({"create table t (a number, b number)", "create sequence \"S\" start with 5",
         "insert into t values (\"S\".nextval, 0)", "insert into t values (s.nextval, s.nextval)"});
    // One number per row, however often the row asks.
    EXPECT_EQ(db.rows("select a, b from t order by a"), (Rows{"5|0", "6|6"}));
    EXPECT_EQ(db.single("select s.currval from dual"), "6");
    EXPECT_EQ(db.single("select scott.s.nextval from dual"), "7");
    EXPECT_EQ(db.exec("insert into t values (nosuch.nextval, 0)"), "ORA-02289: sequence does not exist");
    EXPECT_EQ(db.single("select nosuch.nextval from dual"), "error: ORA-02289: sequence does not exist");
    EXPECT_EQ(db.single("select a from t where a = s.nextval"), "error: ORA-02287: sequence number not allowed here");
    run({"commit"}); // the stand-in has one writer at a time, and NEXTVAL writes
    RawConn other("scott", "tiger", sim.service());
    EXPECT_EQ(other.single("select s.currval from dual"),
              "error: ORA-08002: sequence S.CURRVAL is not yet defined in this session");
    EXPECT_EQ(other.single("select s.nextval from dual"), "8");

    EXPECT_EQ(db.exec("create sequence s"), "ORA-00955: name is already used by an existing object");
    EXPECT_EQ(db.exec("create table s (x number)"), "ORA-00955: name is already used by an existing object");
    EXPECT_EQ(db.exec("create sequence bad increment by 0"), "ORA-04002: INCREMENT must be a non-zero integer");
    EXPECT_EQ(db.exec("create sequence bad minvalue 5 start with 1"),
              "ORA-04006: START WITH cannot be less than MINVALUE");
    EXPECT_EQ(db.exec("create sequence bad cache 1"),
              "ORA-04010: the number of values to CACHE must be greater than 1");

    // LAST_NUMBER is where the next cache of numbers starts, as Oracle shows it.
    run({"create sequence c20", "create sequence nc nocache", "create sequence top maxvalue 2"});
    EXPECT_EQ(db.rows("select sequence_name, min_value, max_value, increment_by, cache_size, last_number "
                      "from user_sequences where sequence_name in ('C20', 'NC') order by sequence_name"),
              (Rows{"C20|1|9999999999999999999999999999|1|20|1", "NC|1|9999999999999999999999999999|1|0|1"}));
    EXPECT_EQ(db.single("select c20.nextval from dual"), "1");
    EXPECT_EQ(db.single("select nc.nextval from dual"), "1");
    EXPECT_EQ(db.rows("select last_number from user_sequences where sequence_name in ('C20', 'NC') "
                      "order by sequence_name"),
              (Rows{"21", "2"}));
    EXPECT_EQ(db.single("select top.nextval from dual"), "1");
    EXPECT_EQ(db.single("select top.nextval from dual"), "2");
    EXPECT_EQ(db.single("select top.nextval from dual"),
              "error: ORA-08004: sequence TOP.NEXTVAL exceeds MAXVALUE and cannot be instantiated");
    run({"drop sequence s"});
    EXPECT_EQ(db.exec("drop sequence s"), "ORA-02289: sequence does not exist");
}

TEST_F(OracleSimSchema, CommentsOnTablesAndColumns)
{
    run({"create table \"T\" (\"C\" number, d number)", "comment on table \"T\" is 'Orders of the shop'",
         "comment on column \"T\".\"C\" is 'it''s the key'", "comment on column scott.t.d is 'second'"});
    EXPECT_EQ(db.rows("select table_name, table_type, comments from user_tab_comments"),
              (Rows{"T|TABLE|Orders of the shop"}));
    EXPECT_EQ(db.rows("select column_name, comments from user_col_comments where table_name = 'T' order by 1"),
              (Rows{"C|it's the key", "D|second"}));
    EXPECT_EQ(db.single("select owner, comments from all_tab_comments where table_name = 'T'"),
              "SCOTT|Orders of the shop");
    run({"comment on table t is ''"});
    EXPECT_EQ(db.single("select comments from user_tab_comments"), "NULL");
    EXPECT_EQ(db.exec("comment on column t.nosuch is 'x'"), "ORA-00904: \"NOSUCH\": invalid identifier");
    EXPECT_EQ(db.exec("comment on table nosuch is 'x'"), "ORA-00942: table or view does not exist");
    EXPECT_EQ(db.exec("comment on table t is \"x\""), "ORA-01780: string literal required");
}

TEST_F(OracleSimSchema, DictionaryViewsShowAShopSchema)
{
    run({"create table customers (id number generated by default as identity primary key, "
         "email varchar2(100) not null, constraint customers_email unique (email))",
         "create table orders (id number primary key, customer number not null, "
         "status varchar2(10) default 'new' check (status in ('new', 'paid')), "
         "constraint orders_customer foreign key (customer) references customers (id))"});
    EXPECT_EQ(db.rows("select constraint_type, table_name, r_constraint_name, delete_rule, status from "
                      "user_constraints where constraint_type != 'C' order by table_name, constraint_type"),
              (Rows{"P|CUSTOMERS|NULL|NULL|ENABLED", "U|CUSTOMERS|NULL|NULL|ENABLED", "P|ORDERS|NULL|NULL|ENABLED",
                    "R|ORDERS|SYS_C0007134|NO ACTION|ENABLED"}));
    EXPECT_EQ(
        db.rows("select search_condition from user_constraints where constraint_type = 'C' "
                "order by constraint_name"),
        (Rows{"\"ID\" IS NOT NULL", "\"EMAIL\" IS NOT NULL", "\"CUSTOMER\" IS NOT NULL", "status in ('new', 'paid')"}));
    EXPECT_EQ(db.rows("select table_name, column_name, position from user_cons_columns "
                      "where constraint_name in ('CUSTOMERS_EMAIL', 'ORDERS_CUSTOMER') order by 1"),
              (Rows{"CUSTOMERS|EMAIL|1", "ORDERS|CUSTOMER|1"}));
    EXPECT_EQ(db.rows("select column_name, nullable, data_default, identity_column from user_tab_columns "
                      "where table_name = 'ORDERS' order by column_id"),
              (Rows{"ID|N|NULL|NO", "CUSTOMER|N|NULL|NO", "STATUS|Y|'new'|NO"}));
    EXPECT_EQ(db.single("select count(*) from all_constraints where owner = 'SCOTT' and table_name = 'ORDERS'"), "4");
    EXPECT_EQ(db.single("select count(*) from all_cons_columns where owner = 'SCOTT'"), "8");
    EXPECT_EQ(db.single("select sequence_owner, increment_by from all_sequences"), "SCOTT|1");
    EXPECT_EQ(db.single("select owner, table_name from all_tab_identity_cols"), "SCOTT|CUSTOMERS");
    EXPECT_EQ(db.single("select identity_options from user_tab_identity_cols"),
              "START WITH: 1, INCREMENT BY: 1, MAX_VALUE: 9999999999999999999999999999, MIN_VALUE: 1, "
              "CYCLE_FLAG: N, CACHE_SIZE: 20, ORDER_FLAG: N, SCALE_FLAG: N, EXTEND_FLAG: N, KEEP_VALUE: N");
    run({"insert into customers (email) values ('a@example.com')", "insert into orders (id, customer) values (1, 1)"});
    EXPECT_EQ(db.single("select status from orders"), "new");
    EXPECT_EQ(db.exec("insert into orders (id, customer) values (2, 2)"),
              "ORA-02291: integrity constraint (SCOTT.ORDERS_CUSTOMER) violated - parent key not found");
}

TEST_F(OracleSimSchema, DropTableTakesItsConstraintsSequencesAndComments)
{
    run({"create table p (id number generated by default as identity, constraint p_pk primary key (id))",
         "create table c (id number, p number constraint c_p references p)", "comment on table p is 'parent'",
         "insert into p values (default)", "insert into c values (1, 1)"});
    EXPECT_EQ(db.exec("drop table p"), "ORA-02449: unique/primary keys in table referenced by foreign keys");
    EXPECT_EQ(db.exec("drop table p purge"), "ORA-02449: unique/primary keys in table referenced by foreign keys");
    EXPECT_EQ(db.single("select count(*) from user_sequences"), "1");
    run({"drop table p cascade constraints"});
    EXPECT_EQ(db.single("select count(*) from user_constraints"), "0");
    EXPECT_EQ(db.single("select count(*) from user_sequences"), "0");
    EXPECT_EQ(db.single("select count(*) from user_tab_comments"), "1"); // C, without a comment
    run({"insert into c values (2, 99)"});                               // the foreign key went with its parent
    // The names are free again; a table that refers only to itself drops without CASCADE.
    run({"create table p (id number primary key, up number references p)", "insert into p values (1, 1)",
         "drop table p"});
}

TEST_F(OracleSimSchema, ArrayInsertReportsEachRefusedRowWithItsConstraint)
{
    run({"create table ord (id number primary key)", "insert into ord values (1)",
         "create table line (id number generated by default as identity, ord number references ord, "
         "qty number constraint line_qty check (qty > 0), code varchar2(5) constraint line_code unique)"});
    // Rows as the driver's array insert binds them, column-wise; row 6 has no order (a NULL key).
    struct {
        std::int64_t ord[6] = {1, 2, 1, 1, 1, 0};
        sb2 ordInd[6] = {0, 0, 0, 0, 0, oci::IND_NULL};
        std::int64_t qty[6] = {1, 1, 0, 1, 1, 1};
        char code[6][8] = {"A", "B", "C", "A", "E", "F"};
        ub2 codeLen[6] = {1, 1, 1, 1, 1, 1};
    } rows;
    OCIStmt *st = db.prepare("insert into line (ord, qty, code) values (:1, :2, :3)");
    api().bindByPos(st, nullptr, db.err(), 1, rows.ord, sizeof rows.ord[0], oci::SQLT_INT, rows.ordInd, nullptr,
                    nullptr, 0, nullptr, 0);
    api().bindByPos(st, nullptr, db.err(), 2, rows.qty, sizeof rows.qty[0], oci::SQLT_INT, nullptr, nullptr, nullptr, 0,
                    nullptr, 0);
    api().bindByPos(st, nullptr, db.err(), 3, rows.code, sizeof rows.code[0], oci::SQLT_CHR, nullptr, rows.codeLen,
                    nullptr, 0, nullptr, 0);
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 6, 0, nullptr, nullptr, oci::BATCH_ERRORS),
              oci::SUCCESS_WITH_INFO);
    ub4 errors = 0;
    api().attrGet(st, oci::HTYPE_STMT, &errors, nullptr, oci::ATTR_NUM_DML_ERRORS, db.err());
    OCIError *rowErr = nullptr;
    api().handleAlloc(db.env(), reinterpret_cast<void **>(&rowErr), oci::HTYPE_ERROR, 0, nullptr);
    std::vector<std::pair<ub4, std::string>> reported;
    for (ub4 k = 0; k < errors; ++k) {
        ASSERT_EQ(api().paramGet(db.err(), oci::HTYPE_ERROR, db.err(), reinterpret_cast<void **>(&rowErr), k),
                  oci::SUCCESS);
        ub4 offset = 99;
        api().attrGet(rowErr, oci::HTYPE_ERROR, &offset, nullptr, oci::ATTR_DML_ROW_OFFSET, db.err());
        reported.emplace_back(offset, testsupport::rawErrorText(rowErr));
    }
    api().handleFree(rowErr, oci::HTYPE_ERROR);
    db.release(st);
    EXPECT_EQ(reported, (std::vector<std::pair<ub4, std::string>>{
                            {1, "ORA-02291: integrity constraint (SCOTT.SYS_C0007134) violated - parent key not found"},
                            {2, "ORA-02290: check constraint (SCOTT.LINE_QTY) violated"},
                            {3, "ORA-00001: unique constraint (SCOTT.LINE_CODE) violated"}}));
    run({"commit"});
    EXPECT_EQ(db.rows("select code, ord from line order by code"), (Rows{"A|1", "E|1", "F|NULL"}));
    EXPECT_EQ(db.single("select count(*) from line where id is null"), "0");
}

TEST_F(OracleSimSchema, KeysPairColumnsAsWrittenAndTreatNullsAsOracleDoes)
{
    // A unique constraint added to a table: the same NULL rule as a unique index.
    run({"create table u (a number, b number)", "alter table u add constraint u_ab unique (a, b)",
         "insert into u values (NULL, NULL)", "insert into u values (NULL, NULL)", "insert into u values (1, NULL)"});
    EXPECT_EQ(db.exec("insert into u values (1, NULL)"), "ORA-00001: unique constraint (SCOTT.U_AB) violated");

    // A foreign key names the parent columns in its own order; the parent key lists them in another.
    run({"create table p (x number, y number, constraint p_yx unique (y, x))", "insert into p values (1, 2)",
         "create table c (a number, b number, constraint c_ab foreign key (a, b) references p (x, y))",
         "insert into c values (1, 2)"});
    EXPECT_EQ(db.exec("insert into c values (2, 1)"),
              "ORA-02291: integrity constraint (SCOTT.C_AB) violated - parent key not found");
    EXPECT_EQ(db.rows("select r_constraint_name from user_constraints where constraint_name = 'C_AB'"), (Rows{"P_YX"}));

    // NOT IN with a NULL in its list is false for a listed value and unknown for any other, so such a
    // check refuses the listed values only.
    run({"create table n (a number, constraint n_a check (a not in (1, NULL)))"});
    EXPECT_EQ(db.exec("insert into n values (1)"), "ORA-02290: check constraint (SCOTT.N_A) violated");
    run({"insert into n values (2)", "insert into n values (NULL)"});
    // The same logic in queries: BETWEEN and NOT BETWEEN both leave NULL out.
    EXPECT_EQ(db.single("select count(*) from n where a between 2 and 2"), "1");
    EXPECT_EQ(db.single("select count(*) from n where a not between 2 and 2"), "0");
    EXPECT_EQ(db.single("select count(*) from dual where regexp_like('ABC', '^a b c$', 'ix')"), "1");
    EXPECT_EQ(db.single("select count(*) from dual where regexp_like('ABC', '^abc$')"), "0");
    EXPECT_EQ(db.single("select count(*) from dual where regexp_like('ABC', 'abc', 'z')"),
              "error: ORA-01760: illegal argument for function");
}

TEST_F(OracleSimSchema, FailedDdlLeavesNothingBehind)
{
    EXPECT_EQ(db.exec("create table bad (id number primary key, p number references nosuch)"),
              "ORA-00942: table or view does not exist");
    EXPECT_EQ(db.exec("create table bad (id number generated by default as identity, v number references nosuch)"),
              "ORA-00942: table or view does not exist");
    EXPECT_EQ(db.exec("create table bad (id number constraint k not null, v number constraint k unique)"),
              "ORA-02264: name already used by an existing constraint");
    EXPECT_EQ(db.single("select count(*) from user_tables"), "0");
    EXPECT_EQ(db.single("select count(*) from user_sequences"), "0");
    // No system name was used up either.
    run({"create table good (id number primary key)"});
    EXPECT_EQ(db.single("select constraint_name from user_constraints"), "SYS_C0007132");
}

TEST_F(OracleSimSchema, SequencesCycleCountDownAndNumberUpdatedRows)
{
    run({"create sequence down start with 3 increment by -1 minvalue 1 maxvalue 3 cycle nocache",
         "create table t (a number, b number)", "insert into t values (1, NULL)", "insert into t values (2, NULL)",
         "insert into t values (3, NULL)", "update t set b = down.nextval"});
    EXPECT_EQ(db.rows("select a, b from t order by a"), (Rows{"1|3", "2|2", "3|1"}));
    EXPECT_EQ(db.single("select down.nextval from dual"), "3"); // cycles back to MAXVALUE
    EXPECT_EQ(db.exec("create sequence bad minvalue 5 maxvalue 5"), "ORA-04004: MINVALUE must be less than MAXVALUE");
    EXPECT_EQ(db.exec("create sequence bad start with 9 maxvalue 5"),
              "ORA-04008: START WITH cannot be more than MAXVALUE");
    // An identity column's sequence is listed with the others, and moved by START WITH LIMIT VALUE.
    run({"create table i (id number generated by default as identity (nocache), v number)",
         "insert into i values (40, 1)",
         "alter table i modify (id generated by default as identity (start with limit value))"});
    EXPECT_EQ(db.single("select count(*) from user_sequences"), "2");
    run({"insert into i (v) values (2)"});
    EXPECT_EQ(db.single("select id from i where v = 2"), "41");
}

} // namespace
