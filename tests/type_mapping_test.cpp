// The MySQL-to-Oracle column clause: every family of the type table, in its order, and the edges
// where a prefix, a whole-word test or a length threshold decides.
#include "convert/TypeMapping.h"

#include "db/Error.h"

#include <gtest/gtest.h>

using convert::BuildColumnClause;
using convert::DeclaredLength;
using convert::ReplacePrefix;

namespace {
std::string clause(const std::string &name, const std::string &type, bool upper = true, bool blobToText = false)
{
    return BuildColumnClause(name, type, upper, blobToText);
}
} // namespace

TEST(TypeMapping, ExamplesOfTheTypeTable)
{
    EXPECT_EQ(clause("id", "int(11)"), "\"ID\"  number ");
    EXPECT_EQ(clause("name", "varchar(50)"), "\"NAME\" varchar2(50) ");
    EXPECT_EQ(clause("note", "varchar(5000)"), "\"NOTE\" CLOB ");
    EXPECT_EQ(clause("code", "char(3)"), "\"CODE\" varchar2(3) ");
    EXPECT_EQ(clause("kind", "enum('a','bc')"), "\"KIND\" varchar2(8) ");
    EXPECT_EQ(clause("body", "text"), "\"BODY\" CLOB ");
    EXPECT_EQ(clause("photo", "longblob"), "\"PHOTO\"  BLOB ");
    EXPECT_EQ(clause("photo", "longblob", true, true), "\"PHOTO\"  CLOB ");
    EXPECT_EQ(clause("created", "datetime"), "\"CREATED\"  date ");
    EXPECT_EQ(clause("flag", "bit(1)"), "\"FLAG\"  ");
}

TEST(TypeMapping, NumericFamiliesArePrefixes)
{
    for (const char *t : {"int(11)", "tinyint(1)", "bigint(20) unsigned", "float", "double", "decimal(10,2)",
                          "year(4)", "integer", "int(10) unsigned", "smallint(6)", "mediumint(9)", "double(8,3)"})
        EXPECT_EQ(clause("n", t), "\"N\"  number ") << t;
    // "int" is tested at the start only.
    EXPECT_EQ(clause("p", "point"), "\"P\"  ");
}

TEST(TypeMapping, DateFamiliesAreWholeWords)
{
    for (const char *t : {"date", "datetime", "timestamp", "time"})
        EXPECT_EQ(clause("d", t), "\"D\"  date ") << t;
    for (const char *t : {"timestamp(14)", "datetime(6)", "time(3)", "DATE"})
        EXPECT_EQ(clause("d", t), "\"D\"  ") << t;
}

TEST(TypeMapping, VarcharThresholdIsStrictlyAbove4000)
{
    EXPECT_EQ(clause("v", "varchar(4000)"), "\"V\" varchar2(4000) ");
    EXPECT_EQ(clause("v", "varchar(4001)"), "\"V\" CLOB ");
    EXPECT_EQ(clause("v", "varchar(1)"), "\"V\" varchar2(1) ");
    // A fixed-length type has no threshold and carries its rest over verbatim.
    EXPECT_EQ(clause("c", "char(10) binary"), "\"C\" varchar2(10) binary ");
    EXPECT_EQ(clause("c", "char(9000)"), "\"C\" varchar2(9000) ");
}

TEST(TypeMapping, VarcharWithAttributeRaisesTheConversionError)
{
    try {
        clause("v", "varchar(20) binary");
        FAIL() << "expected the conversion error";
    } catch (const db::Error &e) {
        EXPECT_STREQ(e.what(), "'20) binar' is not a valid integer value");
    }
    EXPECT_THROW(clause("v", "varchar(abc)"), db::Error);
}

TEST(TypeMapping, EnumAndSetAreSizedByTheirValueList)
{
    EXPECT_EQ(clause("s", "set('x','y')"), "\"S\" varchar2(7) ");
    EXPECT_EQ(clause("k", "enum('a')"), "\"K\" varchar2(3) ");
    // A very long list is not held to Oracle's limit: Oracle judges the statement.
    std::string longEnum = "enum('" + std::string(4100, 'x') + "')";
    EXPECT_EQ(clause("k", longEnum), "\"K\" varchar2(" + std::to_string(longEnum.size() - 6) + ") ");
}

TEST(TypeMapping, TextBlobAndUnknownTypes)
{
    EXPECT_EQ(clause("t", "tinytext"), "\"T\" CLOB ");
    EXPECT_EQ(clause("t", "mediumtext"), "\"T\" CLOB ");
    EXPECT_EQ(clause("t", "longtext"), "\"T\" CLOB ");
    EXPECT_EQ(clause("t", "TEXT"), "\"T\"  ");
    EXPECT_EQ(clause("b", "tinyblob"), "\"B\"  BLOB ");
    EXPECT_EQ(clause("b", "tinyblob", true, true), "\"B\"  CLOB ");
    EXPECT_EQ(clause("b", "mediumblob"), "\"B\"  BLOB ");
    for (const char *t : {"binary(16)", "varbinary(255)", "bit(1)", "geometry", "json"})
        EXPECT_EQ(clause("x", t), "\"X\"  ") << t;
}

TEST(TypeMapping, NameCasingFollowsTheOption)
{
    EXPECT_EQ(clause("Name", "int", false), "\"Name\"  number ");
    EXPECT_EQ(clause("Name", "int", true), "\"NAME\"  number ");
    // Only ASCII letters change.
    EXPECT_EQ(clause("größe", "int", true), "\"GRößE\"  number ");
}

TEST(TypeMapping, ColumnNameWithDoubleQuoteIsRefused)
{
    try {
        clause("a\"b", "int");
        FAIL() << "expected an error";
    } catch (const db::Error &e) {
        EXPECT_NE(std::string(e.what()).find("a\"b"), std::string::npos) << e.what();
    }
}

TEST(DeclaredLength, ParsesBetweenFirstParenAndLastByte)
{
    EXPECT_EQ(DeclaredLength("varchar(255)"), 255);
    EXPECT_EQ(DeclaredLength("  varchar(255) \t"), 255);
    EXPECT_EQ(DeclaredLength("text"), 0);
    EXPECT_EQ(DeclaredLength("(12)"), 0);
    EXPECT_THROW(DeclaredLength("varchar(99999999999)"), db::Error);
}

TEST(ReplacePrefix, KeepsTheRestVerbatim)
{
    EXPECT_EQ(ReplacePrefix("char(3)", "char(", "varchar2("), "varchar2(3)");
    EXPECT_EQ(ReplacePrefix("char(", "char(", "varchar2("), "varchar2(");
}
