// The MySQL-to-Oracle column clause: every family of the type table, in its order, the edges where a
// prefix, a whole-word test or a length threshold decides, and the families MySQL and MariaDB report that
// would otherwise reach Oracle without a type.
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
    EXPECT_EQ(clause("note", "varchar(5000)"), "\"NOTE\" CLOB ");
    EXPECT_EQ(clause("body", "text"), "\"BODY\" CLOB ");
    EXPECT_EQ(clause("photo", "longblob"), "\"PHOTO\"  BLOB ");
    EXPECT_EQ(clause("photo", "longblob", true, true), "\"PHOTO\"  CLOB ");
    EXPECT_EQ(clause("created", "datetime"), "\"CREATED\"  date ");
    // MySQL counts characters, so the Oracle column does too; enum and set keep their list-length size.
    EXPECT_EQ(clause("name", "varchar(50)"), "\"NAME\" varchar2(50 char) ");
    EXPECT_EQ(clause("code", "char(3)"), "\"CODE\" varchar2(3 char) ");
    EXPECT_EQ(clause("kind", "enum('a','bc')"), "\"KIND\" varchar2(8 char) ");
    EXPECT_EQ(clause("s", "set('x','y')"), "\"S\" varchar2(7 char) ");
}

TEST(TypeMapping, NumericFamiliesArePrefixes)
{
    for (const char *t : {"int(11)", "tinyint(1)", "bigint(20) unsigned", "float", "double", "decimal(10,2)", "year(4)",
                          "integer", "int(10) unsigned", "smallint(6)", "mediumint(9)", "double(8,3)",
                          "decimal(65,30) unsigned", "int(10) unsigned zerofill", "bit(1)", "bit(64)"})
        EXPECT_EQ(clause("n", t), "\"N\"  number ") << t;
}

TEST(TypeMapping, DatesKeepTheirFractionalSeconds)
{
    for (const char *t : {"date", "datetime", "timestamp", "time"})
        EXPECT_EQ(clause("d", t), "\"D\"  date ") << t;
    EXPECT_EQ(clause("d", "datetime(6)"), "\"D\"  timestamp(6) ");
    EXPECT_EQ(clause("d", "timestamp(3)"), "\"D\"  timestamp(3) ");
    EXPECT_EQ(clause("d", "time(1)"), "\"D\"  timestamp(1) ");
    // Old servers' display width, not fractional digits.
    EXPECT_EQ(clause("d", "timestamp(14)"), "\"D\"  date ");
}

TEST(TypeMapping, CharacterSizesCountCharactersUpTo4000)
{
    EXPECT_EQ(clause("v", "varchar(4000)"), "\"V\" varchar2(4000 char) ");
    EXPECT_EQ(clause("v", "varchar(4001)"), "\"V\" CLOB ");
    EXPECT_EQ(clause("v", "varchar(1)"), "\"V\" varchar2(1 char) ");
    // Oracle has no zero-length column.
    EXPECT_EQ(clause("c", "char(0)"), "\"C\" varchar2(1 char) ");
    // A value list longer than Oracle's limit: the list bounds every value, 4000 characters is the most.
    std::string longEnum = "enum('" + std::string(4100, 'x') + "')";
    EXPECT_EQ(clause("k", longEnum), "\"K\" varchar2(4000 char) ");
    EXPECT_EQ(convert::MappedCharacterLength(longEnum), 4000);
    EXPECT_EQ(convert::MappedCharacterLength("varchar(1001)"), 1001);
    EXPECT_EQ(convert::MappedCharacterLength("text"), 0);
}

TEST(TypeMapping, AttributesNeverReachOracle)
{
    EXPECT_EQ(clause("c", "char(10) binary"), "\"C\" varchar2(10 char) ");
    EXPECT_EQ(clause("v", "varchar(20) binary"), "\"V\" varchar2(20 char) ");
    EXPECT_EQ(clause("v", "varchar(100) /*M!100301 COMPRESSED*/"), "\"V\" varchar2(100 char) ");
    EXPECT_EQ(clause("t", "longtext /*M!100301 COMPRESSED*/"), "\"T\" CLOB ");
    EXPECT_EQ(clause("b", "blob /*M!100301 COMPRESSED*/"), "\"B\"  BLOB ");
    EXPECT_EQ(convert::NormalizedType("varbinary(16) /*M!100301 COMPRESSED*/"), "varbinary(16)");
}

TEST(TypeMapping, BinarySpatialJsonAndMariaDbTypes)
{
    EXPECT_EQ(clause("b", "binary(16)"), "\"B\"  raw(16) ");
    EXPECT_EQ(clause("b", "varbinary(2000)"), "\"B\"  raw(2000) ");
    EXPECT_EQ(clause("b", "varbinary(2001)"), "\"B\"  BLOB ");
    EXPECT_EQ(clause("b", "binary(0)"), "\"B\"  raw(1) ");
    for (const char *t : {"geometry", "point", "linestring", "polygon", "multipoint", "multilinestring", "multipolygon",
                          "geometrycollection", "geomcollection"})
        EXPECT_EQ(clause("g", t), "\"G\"  BLOB ") << t;
    EXPECT_EQ(clause("j", "json"), "\"J\" CLOB ");
    EXPECT_EQ(clause("u", "uuid"), "\"U\" varchar2(36 char) ");
    EXPECT_EQ(clause("a", "inet6"), "\"A\" varchar2(39 char) ");
    EXPECT_EQ(clause("a", "inet4"), "\"A\" varchar2(15 char) ");
}

TEST(TypeMapping, TextAndBlobFamilies)
{
    EXPECT_EQ(clause("t", "tinytext"), "\"T\" CLOB ");
    EXPECT_EQ(clause("t", "mediumtext"), "\"T\" CLOB ");
    EXPECT_EQ(clause("t", "longtext"), "\"T\" CLOB ");
    EXPECT_EQ(clause("b", "tinyblob"), "\"B\"  BLOB ");
    EXPECT_EQ(clause("b", "tinyblob", true, true), "\"B\"  CLOB ");
    EXPECT_EQ(clause("b", "mediumblob"), "\"B\"  BLOB ");
}

TEST(TypeMapping, AnUnknownTypeFailsNamingTheColumnAndType)
{
    for (const char *t : {"TEXT", "vector(3)", "DATE"}) {
        try {
            clause("weird", t);
            FAIL() << t << " was mapped";
        } catch (const db::Error &e) {
            EXPECT_EQ(std::string(e.what()),
                      "Column \"weird\" has MySQL type \"" + std::string(t) + "\", which has no Oracle equivalent");
        }
    }
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
    // The length function itself keeps its strict reading; the mapping never hands it an attribute.
    try {
        DeclaredLength("varchar(20) binary");
        FAIL() << "expected the conversion error";
    } catch (const db::Error &e) {
        EXPECT_STREQ(e.what(), "'20) binar' is not a valid integer value");
    }
}

TEST(ReplacePrefix, KeepsTheRestVerbatim)
{
    EXPECT_EQ(ReplacePrefix("char(3)", "char(", "varchar2("), "varchar2(3)");
    EXPECT_EQ(ReplacePrefix("char(", "char(", "varchar2("), "varchar2(");
}
