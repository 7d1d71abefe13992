// What MySQL 8 answers differently from MariaDB, as its documentation shows the answers: the version
// text, COLUMN_DEFAULT (text unquoted, expressions marked in EXTRA), SHOW INDEX rows of functional key
// parts, and the select list a copy sends. No MySQL 8 runs here, so these are its recorded answers.
#include "convert/SchemaDetails.h"
#include "convert/SchemaStatements.h"
#include "convert/SourceListing.h"
#include "convert/SourceReader.h"
#include "convert/SourceServer.h"
#include "db/mysql/MySqlError.h"

#include <gtest/gtest.h>

using convert::ColumnDefault;
using convert::SourceServer;

namespace {

const SourceServer kMySql8 = SourceServer::from("8.0.36");
const SourceServer kMySql57 = SourceServer::from("5.7.44-log");
const SourceServer kMariaDb = SourceServer::from("10.11.6-MariaDB-0+deb12u1");

std::optional<std::string> defaultOf(const SourceServer &server, const std::string &type, const char *value,
                                     const std::string &extra = "")
{
    return ColumnDefault(server, type, value ? db::Value::text(value) : db::Value::null(), extra);
}

} // namespace

TEST(MySql8Answers, TheServerIsToldByItsVersionText)
{
    EXPECT_FALSE(kMySql8.mariadb);
    EXPECT_TRUE(kMySql8.isMySql8());
    EXPECT_TRUE(kMySql8.atLeast(8, 0, 17));
    EXPECT_FALSE(SourceServer::from("8.0.16").atLeast(8, 0, 17));
    EXPECT_FALSE(kMySql57.isMySql8());
    EXPECT_TRUE(kMariaDb.mariadb);
    EXPECT_FALSE(kMariaDb.isMySql8());
    const SourceServer prefixed = SourceServer::from("5.5.5-10.3.39-MariaDB");
    EXPECT_TRUE(prefixed.mariadb);
    EXPECT_EQ(prefixed.major, 10);
    EXPECT_EQ(prefixed.minor, 3);
}

TEST(MySql8Answers, DefaultsAreReadInTheFormMariaDbWritesThem)
{
    // MySQL 8: text unquoted, numbers bare, expressions marked DEFAULT_GENERATED.
    EXPECT_EQ(defaultOf(kMySql8, "varchar(20)", "new"), "'new'");
    EXPECT_EQ(defaultOf(kMySql8, "varchar(20)", "it's"), "'it''s'");
    EXPECT_EQ(defaultOf(kMySql8, "varchar(20)", "now()"), "'now()'") << "a text that reads like an expression";
    EXPECT_EQ(defaultOf(kMySql8, "varchar(20)", ""), "''");
    EXPECT_EQ(defaultOf(kMySql8, "int", "0"), "0");
    EXPECT_EQ(defaultOf(kMySql8, "decimal(10,2) unsigned", "0.00"), "0.00");
    EXPECT_EQ(defaultOf(kMySql8, "timestamp", "CURRENT_TIMESTAMP", "DEFAULT_GENERATED on update CURRENT_TIMESTAMP"),
              "CURRENT_TIMESTAMP");
    EXPECT_EQ(defaultOf(kMySql8, "varchar(36)", "uuid()", "DEFAULT_GENERATED"), "uuid()");
    EXPECT_EQ(defaultOf(kMySql8, "varchar(20)", nullptr), std::nullopt);
    // MySQL 5.7 marks no expression; CURRENT_TIMESTAMP was the only one.
    EXPECT_EQ(defaultOf(kMySql57, "datetime(3)", "CURRENT_TIMESTAMP(3)"), "CURRENT_TIMESTAMP(3)");
    EXPECT_EQ(defaultOf(kMySql57, "char(2)", "EU"), "'EU'");
    // MariaDB 10.2.7 and later: as written.
    EXPECT_EQ(defaultOf(kMariaDb, "varchar(20)", "'new'"), "'new'");
    EXPECT_EQ(defaultOf(kMariaDb, "timestamp", "current_timestamp()"), "current_timestamp()");
    EXPECT_EQ(defaultOf(kMariaDb, "varchar(20)", "NULL"), std::nullopt);

    // And so a MySQL 8 text default arrives in Oracle, not dropped with a wrong reason.
    std::vector<std::string> notes;
    convert::ColumnDetails label;
    label.name = "label";
    label.type = "varchar(20)";
    label.hasDefault = true;
    label.defaultText = *defaultOf(kMySql8, "varchar(20)", "new product");
    EXPECT_EQ(convert::ColumnClauseExtras(label, {}, notes), "default 'new product'");
    EXPECT_TRUE(notes.empty());
}

TEST(MySql8Answers, AFunctionalKeyPartHasItsExpressionAndNoColumn)
{
    // SHOW INDEX FROM t1 for INDEX functional_index ((col1 + col2)), as MySQL 8.0.13+ lists it.
    const auto row = convert::SourceIndexRowFrom({{"Table", db::Value::text("t1")},
                                                  {"Non_unique", db::Value::text("1")},
                                                  {"Key_name", db::Value::text("functional_index")},
                                                  {"Seq_in_index", db::Value::text("1")},
                                                  {"Column_name", db::Value::null()},
                                                  {"Collation", db::Value::text("A")},
                                                  {"Cardinality", db::Value::text("0")},
                                                  {"Sub_part", db::Value::null()},
                                                  {"Packed", db::Value::null()},
                                                  {"Null", db::Value::text("YES")},
                                                  {"Index_type", db::Value::text("BTREE")},
                                                  {"Comment", db::Value::text("")},
                                                  {"Index_comment", db::Value::text("")},
                                                  {"Visible", db::Value::text("YES")},
                                                  {"Expression", db::Value::text("(`col1` + `col2`)")}});
    EXPECT_EQ(row.keyName, "functional_index");
    EXPECT_TRUE(row.column.empty());
    EXPECT_EQ(row.expression, "(`col1` + `col2`)");
    EXPECT_FALSE(row.unique);
    // A column's part of the same listing has no expression (its Expression is NULL).
    const auto plain = convert::SourceIndexRowFrom({{"Key_name", db::Value::text("PRIMARY")},
                                                    {"Seq_in_index", db::Value::text("1")},
                                                    {"Column_name", db::Value::text("id")},
                                                    {"Non_unique", db::Value::text("0")},
                                                    {"Expression", db::Value::null()}});
    EXPECT_EQ(plain.column, "id");
    EXPECT_TRUE(plain.expression.empty());
    EXPECT_TRUE(plain.unique);
}

TEST(MySql8Answers, TheSelectListAsEachServerReadsIt)
{
    const std::vector<convert::SourceColumn> columns = {{"f", "float", "YES", db::Value::null(), ""},
                                                        {"g", "point", "YES", db::Value::null(), ""}};
    EXPECT_EQ(convert::SourceSelectList(columns, kMySql8),
              "cast(`f` as double) as `f`, st_aswkb(`g`, 'axis-order=long-lat') as `g`");
    EXPECT_EQ(convert::SourceSelectList(columns, SourceServer::from("8.0.16")),
              "(`f` + 0e0) as `f`, st_aswkb(`g`, 'axis-order=long-lat') as `g`");
    EXPECT_EQ(convert::SourceSelectList(columns, kMySql57), "(`f` + 0e0) as `f`, st_aswkb(`g`) as `g`");
    EXPECT_EQ(convert::SourceSelectList(columns, kMariaDb), "cast(`f` as double) as `f`, st_aswkb(`g`) as `g`");
}

TEST(MySql8Answers, AConnectionTheServerClosedForIdlingIsALostOne)
{
    // ER_CLIENT_INTERACTION_TIMEOUT, MySQL 8.0.24 and later: "The client was disconnected by the server
    // because of inactivity."
    EXPECT_TRUE(db::isConnectionLost(4031));
    EXPECT_TRUE(db::isConnectionLost(2013));
    EXPECT_FALSE(db::isConnectionLost(1146)); // a missing table is no lost session
}
