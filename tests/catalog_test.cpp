// The source catalog against the sandbox MariaDB: the database list with the typed name preselected,
// and the tables of the chosen database on the reopened catalog connection.
#include "support/MySqlSandbox.h"

#include "db/Error.h"
#include "db/SourceCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>

using db::SourceCatalog;
using testsupport::ScratchDatabase;

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }

    static std::string upper(std::string s)
    {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
        return s;
    }
};

TEST_F(CatalogTest, TheTypedNameIsPreselectedWithoutRegardToCase)
{
    ScratchDatabase scratch;
    auto catalog = testsupport::connectSandbox(scratch.name());
    SourceCatalog listing(*catalog);

    const auto exact = listing.listDatabases(scratch.name());
    ASSERT_GE(exact.selected, 0);
    EXPECT_EQ(exact.names.at(exact.selected), scratch.name());
    EXPECT_NE(std::find(exact.names.begin(), exact.names.end(), "information_schema"), exact.names.end());

    const auto shouted = listing.listDatabases(upper(scratch.name()));
    ASSERT_GE(shouted.selected, 0);
    EXPECT_EQ(shouted.names.at(shouted.selected), scratch.name());

    // The typed text is compared as it stands: a trailing blank matches nothing.
    EXPECT_EQ(listing.listDatabases(scratch.name() + " ").selected, -1);
    EXPECT_EQ(listing.listDatabases("").selected, -1);
}

TEST_F(CatalogTest, TablesAreListedInTheServersOrderOnTheChosenDatabase)
{
    ScratchDatabase first({"create table zeta (id int)", "create table alpha (id int)",
                           "create table `Mixed Case` (id int)",
                           "create table 表格_客户 (id int)"});
    ScratchDatabase second({"create table only_here (id int)"});
    auto catalog = testsupport::connectSandbox(first.name());
    SourceCatalog listing(*catalog);

    std::vector<std::string> expected;
    for (const auto &row : first.admin().query("show tables"))
        expected.push_back(row.at(0).data);
    const auto tables = listing.listTables(first.name());
    EXPECT_EQ(tables, expected);
    EXPECT_EQ(tables.size(), 4u);
    EXPECT_NE(std::find(tables.begin(), tables.end(), "表格_客户"), tables.end());
    EXPECT_NE(std::find(tables.begin(), tables.end(), "Mixed Case"), tables.end());

    // Another database: only its tables; the profile's Database line is replaced in place.
    EXPECT_EQ(listing.listTables(second.name()), std::vector<std::string>{"only_here"});
    EXPECT_TRUE(catalog->isOpen());
    ASSERT_EQ(catalog->profile().lines().size(), 4u);
    EXPECT_EQ(catalog->profile().lines()[0], "Database=" + second.name());
    EXPECT_EQ(catalog->profile().lines()[1], "User_Name=morvane");
    // The catalog connection now works on that database (the run reads column lists through it).
    EXPECT_EQ(catalog->query("select database()").at(0).at(0).data, second.name());
}

TEST_F(CatalogTest, ADatabaseWithoutTablesListsNothing)
{
    ScratchDatabase empty;
    auto catalog = testsupport::connectSandbox();
    EXPECT_TRUE(SourceCatalog(*catalog).listTables(empty.name()).empty());
}

TEST_F(CatalogTest, AnUnknownDatabaseFailsWithTheServersMessage)
{
    auto catalog = testsupport::connectSandbox();
    try {
        SourceCatalog(*catalog).listTables("morvane_no_such_database");
        FAIL() << "listing an unknown database succeeded";
    } catch (const db::Error &e) {
        EXPECT_NE(std::string(e.what()).find("Unknown database 'morvane_no_such_database'"), std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(catalog->isOpen());
}
