// The Oracle create statement built from real "show FIELDS" listings of the sandbox MariaDB: every
// column family as this server spells its type, the exact shape of the text, names cut at 30 bytes,
// and the server's own message when the listing fails.
#include "convert/NameRules.h"
#include "convert/TableDefinition.h"
#include "db/Drivers.h"
#include "db/Error.h"
#include "support/MySqlSandbox.h"

#include <gtest/gtest.h>

using testsupport::ScratchDatabase;

namespace {

class TableDefinition : public testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }

    // The statement for a table as the run would ask for it: W is the cased name, T equals W here.
    std::string definition(ScratchDatabase &scratch, const std::string &table, convert::ConversionOptions options = {})
    {
        m_catalog = testsupport::connectSandbox(scratch.name());
        m_listing = m_catalog->createDataSet();
        const std::string working = convert::ApplyNameCase(table, options.uppercaseNames);
        return convert::BuildTableDefinition(*m_listing, {table, working, working}, options);
    }

    std::unique_ptr<db::Connection> m_catalog;
    std::unique_ptr<db::DataSet> m_listing;
};

} // namespace

TEST_F(TableDefinition, EveryColumnFamilyAsThisServerListsIt)
{
    ScratchDatabase scratch(
        {"create table wide (i int, tb tinyint(1), bu bigint unsigned, de decimal(10,2), f float, d double,"
         " fl float(7,3), si smallint(5) unsigned zerofill, y year, c char(10), v varchar(50), v4000 "
         "varchar(4000),"
         " v4001 varchar(4001), e enum('a','bc'), s set('x','yz'), tt tinytext, t text, mt mediumtext, lt "
         "longtext,"
         " tbl tinyblob, b blob, mb mediumblob, lb longblob, da date, dt datetime, ts timestamp null, tm "
         "time,"
         " dt6 datetime(6), bi bit(3), bn binary(16), vb varbinary(100), js json, g geometry) character set "
         "latin1"});

    // Types MariaDB lists with a width or a suffix ("int(11)", "datetime(6)") take the same path as
    // MySQL's bare ones; every column gets a type Oracle knows.
    const std::string expected = "Create table \"WIDE\" (\r\n"
                                 "\"I\"  number  , \r\n"
                                 "\"TB\"  number  , \r\n"
                                 "\"BU\"  number  , \r\n"
                                 "\"DE\"  number  , \r\n"
                                 "\"F\"  number  , \r\n"
                                 "\"D\"  number  , \r\n"
                                 "\"FL\"  number  , \r\n"
                                 "\"SI\"  number  , \r\n"
                                 "\"Y\"  number  , \r\n"
                                 "\"C\" varchar2(10 char)  , \r\n"
                                 "\"V\" varchar2(50 char)  , \r\n"
                                 "\"V4000\" varchar2(4000 char)  , \r\n"
                                 "\"V4001\" CLOB  , \r\n"
                                 "\"E\" varchar2(8 char)  , \r\n"
                                 "\"S\" varchar2(8 char)  , \r\n"
                                 "\"TT\" CLOB  , \r\n"
                                 "\"T\" CLOB  , \r\n"
                                 "\"MT\" CLOB  , \r\n"
                                 "\"LT\" CLOB  , \r\n"
                                 "\"TBL\"  BLOB  , \r\n"
                                 "\"B\"  BLOB  , \r\n"
                                 "\"MB\"  BLOB  , \r\n"
                                 "\"LB\"  BLOB  , \r\n"
                                 "\"DA\"  date  , \r\n"
                                 "\"DT\"  date  , \r\n"
                                 "\"TS\"  date  , \r\n"
                                 "\"TM\"  date  , \r\n"
                                 "\"DT6\"  timestamp(6)  , \r\n"
                                 "\"BI\"  number  , \r\n"
                                 "\"BN\"  raw(16)  , \r\n"
                                 "\"VB\"  raw(100)  , \r\n"
                                 "\"JS\" CLOB  , \r\n" // MariaDB's json is longtext
                                 "\"G\"  BLOB  ) ";
    EXPECT_EQ(definition(scratch, "wide"), expected);

    convert::ConversionOptions asText;
    asText.blobToText = true;
    asText.uppercaseNames = false;
    const std::string statement = definition(scratch, "wide", asText);
    EXPECT_NE(statement.find("\r\n\"lb\"  CLOB  , \r\n"), std::string::npos) << statement;
    EXPECT_NE(statement.find("\r\n\"tbl\"  CLOB  , \r\n"), std::string::npos) << statement;
    // Spatial values are well-known binary whatever the option says: the only BLOB left.
    EXPECT_EQ(statement.find("BLOB"), statement.rfind("\"g\"  BLOB  ) ") + 5) << statement;
}

TEST_F(TableDefinition, OneColumnAndTheListingStaysOpen)
{
    ScratchDatabase scratch({"create table one (id int)"});
    EXPECT_EQ(definition(scratch, "one"), "Create table \"ONE\" (\r\n\"ID\"  number  ) ");
    // The catalog data set is left on the listing, at its end.
    EXPECT_TRUE(m_listing->isOpen());
    EXPECT_TRUE(m_listing->eof());
}

TEST_F(TableDefinition, MixedCaseTableOnACaseSensitiveServer)
{
    ScratchDatabase scratch(
        {"create table Order_Lines (Line_No int, Note varchar(20))", "create table ORDER_LINES (other int)"});
    // The listing reads the table as MySQL names it; its upper-case twin is another table here.
    EXPECT_EQ(definition(scratch, "Order_Lines"),
              "Create table \"ORDER_LINES\" (\r\n\"LINE_NO\"  number  , \r\n\"NOTE\" varchar2(20 char)  ) ");
    convert::ConversionOptions keepCase;
    keepCase.uppercaseNames = false;
    EXPECT_EQ(definition(scratch, "Order_Lines", keepCase),
              "Create table \"Order_Lines\" (\r\n\"Line_No\"  number  , \r\n\"Note\" varchar2(20 char)  ) ");
}

TEST_F(TableDefinition, LongColumnNamesAreCutTo30Bytes)
{
    ScratchDatabase scratch({"create table names (a_column_name_that_is_longer_than_thirty_bytes int,"
                             " a_column_name_that_is_longer_than_thirty_bytes_too int,"
                             " exactly_thirty_bytes_long_name int,"
                             " `abcdefghijklmnopqrstuvwxyz123é_tail` int)"});
    // The two first names agree in their first 30 bytes: the second gets a counter after its first 26,
    // as Oracle would refuse one name twice; a multi-byte character straddling byte 30 is left out whole
    // rather than split.
    EXPECT_EQ(definition(scratch, "names"), "Create table \"NAMES\" (\r\n"
                                            "\"A_COLUMN_NAME_THAT_IS_LONGER_T\"  number  , \r\n"
                                            "\"A_COLUMN_NAME_THAT_IS_LONG0000\"  number  , \r\n"
                                            "\"EXACTLY_THIRTY_BYTES_LONG_NAME\"  number  , \r\n"
                                            "\"ABCDEFGHIJKLMNOPQRSTUVWXYZ123\"  number  ) ");
}

TEST_F(TableDefinition, MissingTableCarriesTheServerMessage)
{
    ScratchDatabase scratch;
    try {
        definition(scratch, "no_such_table");
        FAIL() << "the listing of a missing table succeeded";
    } catch (const db::Error &e) {
        EXPECT_EQ(e.code(), 1146);
        EXPECT_EQ(std::string(e.what()), "Table '" + scratch.name() + ".no_such_table' doesn't exist");
    }
}

TEST_F(TableDefinition, WideCharacterColumnsAreMeasuredAndBecomeClobOnlyWhenAValueNeedsIt)
{
    // 1500 characters of two bytes are 3000 bytes: still a VARCHAR2. 2001 of them are 4002 bytes: a
    // VARCHAR2 cannot hold them whatever its character count, so that column becomes a CLOB.
    ScratchDatabase scratch({"create table wide (id int, fits varchar(1500), toolong varchar(3000),"
                             " hidden varchar(2000) invisible, small varchar(1000)) character set utf8mb4",
                             "insert into wide (id, fits, toolong, hidden, small) values"
                             " (1, repeat('é', 1500), repeat('é', 2001), 'x', repeat('😀', 1000))"});
    std::vector<std::string> notes;
    m_catalog = testsupport::connectSandbox(scratch.name());
    m_listing = m_catalog->createDataSet();
    const std::string statement = convert::BuildTableDefinition(*m_listing, {"wide", "WIDE", "WIDE"}, {}, &notes);
    EXPECT_EQ(statement, "Create table \"WIDE\" (\r\n"
                         "\"ID\"  number  , \r\n"
                         "\"FITS\" varchar2(1500 char)  , \r\n"
                         "\"TOOLONG\" CLOB  , \r\n"
                         "\"HIDDEN\" varchar2(2000 char)  , \r\n"
                         "\"SMALL\" varchar2(1000 char)  ) ");
    EXPECT_EQ(notes, std::vector<std::string>{"Column \"toolong\" becomes CLOB: its longest value is 4002 bytes, more "
                                              "than the 4000 bytes an Oracle VARCHAR2 holds"});
}
