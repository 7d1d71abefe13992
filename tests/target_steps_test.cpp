// The three Oracle steps of a run against the stand-in: the existence test, drop and create, the
// create statements built from real MariaDB tables, and the server's message when a step fails.
#include "convert/TargetSteps.h"
#include "db/ConnectionProfile.h"
#include "db/Drivers.h"
#include "db/Error.h"
#include "db/TargetTable.h"
#include "support/MySqlSandbox.h"
#include "support/OracleSim.h"

#include <gtest/gtest.h>

namespace {

class TargetSteps : public testing::Test {
protected:
    void SetUp() override
    {
        m_oracleConn = open();
        m_oracleData = open();
    }

    std::unique_ptr<db::Connection> open()
    {
        auto connection = db::createOracleConnection();
        connection->replaceProfile(m_sim.profile());
        connection->open();
        return connection;
    }

    bool exists(const std::string &table) { return convert::TargetTableExists(*m_oracleConn, table, m_sim.user()); }

    // The columns Oracle reports for a table, as "NAME type" with the describe type code.
    std::vector<std::pair<std::string, int>> columnsOf(const std::string &table)
    {
        auto target = m_oracleData->createTargetTable("oracleinsertdata");
        target->open(table);
        std::vector<std::pair<std::string, int>> out;
        for (const auto &column : target->columns())
            out.emplace_back(column.name, column.type);
        return out;
    }

    testsupport::OracleSim m_sim;
    std::unique_ptr<db::Connection> m_oracleConn;
    std::unique_ptr<db::Connection> m_oracleData;
};

convert::TableNames namesFor(const std::string &table, bool uppercase = true)
{
    const std::string working = uppercase ? db::asciiUpper(table) : table;
    return {table, working, working};
}

} // namespace

TEST_F(TargetSteps, ExistenceTestBindsNameAndOwner)
{
    EXPECT_FALSE(exists("ORDERS"));
    m_oracleData->execute("create table ORDERS (ID number)");
    EXPECT_TRUE(exists("ORDERS"));
    EXPECT_TRUE(convert::TargetTableExists(*m_oracleConn, "ORDERS", "scott")) << "the owner in any case";
    EXPECT_FALSE(exists("orders")) << "the name in its exact case";

    // A quote in the name is part of the name asked about; it cannot end the literal and widen the test.
    EXPECT_FALSE(exists("x' or 'a'='a"));
    m_oracleData->execute("create table \"it's\" (\"ID\" number)");
    EXPECT_TRUE(exists("it's"));
    EXPECT_FALSE(exists("it''s"));
}

TEST_F(TargetSteps, ExistenceTestThrowsWhatOracleSays)
{
    m_oracleConn->close();
    EXPECT_THROW(exists("ORDERS"), db::Error);
}

TEST_F(TargetSteps, DropReportsOraclesMessageAndSendsNoNameWithADoubleQuote)
{
    m_oracleData->execute("create table \"Mixed\" (\"ID\" number)");
    auto dropped = convert::DropTargetTable(*m_oracleData, "Mixed");
    EXPECT_TRUE(dropped.success) << dropped.message;
    EXPECT_FALSE(exists("Mixed"));

    dropped = convert::DropTargetTable(*m_oracleData, "Mixed");
    EXPECT_FALSE(dropped.success);
    EXPECT_EQ(dropped.message, "ORA-00942: table or view does not exist");

    m_oracleData->execute("create table \"A\" (\"ID\" number)");
    dropped = convert::DropTargetTable(*m_oracleData, "A\" cascade constraints purge --");
    EXPECT_FALSE(dropped.success);
    EXPECT_NE(dropped.message.find("contains a double quote"), std::string::npos) << dropped.message;
    EXPECT_TRUE(exists("A"));
}

TEST_F(TargetSteps, CreateFromARealMySqlTable)
{
    MORVANE_REQUIRE_SANDBOX();
    testsupport::ScratchDatabase scratch({"create table orders (id int primary key, name varchar(20), price "
                                          "decimal(10,2), note text, pic blob, born datetime, at time)"});
    auto catalog = testsupport::connectSandbox(scratch.name());

    auto created = convert::CreateTargetTable(*m_oracleData, *catalog, namesFor("orders"), {});
    ASSERT_TRUE(created.success) << created.message;
    EXPECT_TRUE(exists("ORDERS"));
    EXPECT_EQ(columnsOf("ORDERS"),
              (std::vector<std::pair<std::string, int>>{
                  {"ID", 2}, {"NAME", 1}, {"PRICE", 2}, {"NOTE", 112}, {"PIC", 113}, {"BORN", 12}, {"AT", 12}}));

    // Uppercase names off: table and columns keep their case in Oracle, and only that case exists.
    convert::ConversionOptions keepCase;
    keepCase.uppercaseNames = false;
    keepCase.blobToText = true;
    created = convert::CreateTargetTable(*m_oracleData, *catalog, namesFor("orders", false), keepCase);
    ASSERT_TRUE(created.success) << created.message;
    EXPECT_TRUE(exists("orders"));
    EXPECT_EQ(columnsOf("orders").at(4), (std::pair<std::string, int>{"pic", 112}));

    // Creating it again: Oracle's own message.
    created = convert::CreateTargetTable(*m_oracleData, *catalog, namesFor("orders"), {});
    EXPECT_FALSE(created.success);
    EXPECT_EQ(created.message, "ORA-00955: name is already used by an existing object");
}

TEST_F(TargetSteps, CreateReportsTheMessageOfWhicheverSideFailed)
{
    MORVANE_REQUIRE_SANDBOX();
    testsupport::ScratchDatabase scratch(
        {"create table flags (id int)", "create table `we\"ird` (id int)", "create table `odd``col` (`a\"b` int)"});
    auto catalog = testsupport::connectSandbox(scratch.name());

    // A table of that name is there already: Oracle refuses the statement and says why.
    ASSERT_TRUE(convert::CreateTargetTable(*m_oracleData, *catalog, namesFor("flags"), {}).success);
    auto created = convert::CreateTargetTable(*m_oracleData, *catalog, namesFor("flags"), {});
    EXPECT_FALSE(created.success);
    EXPECT_EQ(created.message.rfind("ORA-00955", 0), 0u) << created.message;

    // No such table in MySQL: the server's text, and nothing reaches Oracle.
    created = convert::CreateTargetTable(*m_oracleData, *catalog, namesFor("missing"), {});
    EXPECT_FALSE(created.success);
    EXPECT_NE(created.message.find("doesn't exist"), std::string::npos) << created.message;
    EXPECT_FALSE(exists("MISSING"));

    // Names Oracle cannot hold: refused before anything is sent.
    created = convert::CreateTargetTable(*m_oracleData, *catalog, namesFor("we\"ird"), {});
    EXPECT_FALSE(created.success);
    EXPECT_NE(created.message.find("contains a double quote"), std::string::npos) << created.message;
    created = convert::CreateTargetTable(*m_oracleData, *catalog, namesFor("odd`col"), {});
    EXPECT_FALSE(created.success);
    EXPECT_NE(created.message.find("column name a\"b contains a double quote"), std::string::npos) << created.message;
    EXPECT_FALSE(exists("ODD`COL"));
}
