// Name rules shared by every statement: casing, the byte cut, quoting for each server, and the Oracle
// names of a run's tables.
#include "convert/NameRules.h"
#include "convert/ObjectNamePlanner.h"
#include "convert/TableMarker.h"
#include "convert/TargetNamePlanner.h"

#include "db/ConnectionProfile.h"
#include "db/Error.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <vector>

using namespace convert;

TEST(NameRules, ApplyNameCaseTouchesOnlyAsciiLetters)
{
    EXPECT_EQ(ApplyNameCase("orders_2024", true), "ORDERS_2024");
    EXPECT_EQ(ApplyNameCase("orders", false), "orders");
    EXPECT_EQ(ApplyNameCase("çafé", true), "çAFé");
}

TEST(NameRules, CutNeverSplitsAUtf8Character)
{
    EXPECT_EQ(cutToBytes(std::string(30, 'a')), std::string(30, 'a'));
    EXPECT_EQ(cutToBytes(std::string(31, 'a')), std::string(30, 'a'));
    // 29 ASCII bytes then a two-byte character: the character does not fit whole, so it goes.
    std::string name = std::string(29, 'a') + "é" + "b";
    EXPECT_EQ(cutToBytes(name), std::string(29, 'a'));
    // Three-byte characters: 10 of them fill exactly 30 bytes.
    std::string han;
    for (int i = 0; i < 11; ++i)
        han += "表";
    EXPECT_EQ(cutToBytes(han).size(), 30u);
}

TEST(NameRules, QuotingForEachServer)
{
    EXPECT_EQ(quoteMySqlName("orders"), "`orders`");
    EXPECT_EQ(quoteMySqlName("we`ird"), "`we``ird`");
    EXPECT_EQ(quoteOracleName("Orders"), "\"Orders\"");
    EXPECT_THROW(quoteOracleName("bad\"name"), db::Error);
}

TEST(ConnectionProfile, SetParameterReplacesInPlaceOrAppends)
{
    db::ConnectionProfile p({"Database=shop", "User_Name=u", "Password=p", "HostName=localhost"});
    p.setParameter("DATABASE", "other");
    EXPECT_EQ(p.lines()[0], "Database=other");
    p.setParameter("RowsetSize", "20");
    EXPECT_EQ(p.lines().back(), "RowsetSize=20");
    EXPECT_EQ(p.parameter("hostname").value(), "localhost");
    EXPECT_FALSE(p.parameter("Port").has_value());
    // A value holding '=' keeps it.
    p.setParameter("Password", "a=b");
    EXPECT_EQ(p.parameter("password").value(), "a=b");
    p.replace({"A=1"});
    EXPECT_EQ(p.lines().size(), 1u);
}

// The Oracle names of one run, against what Oracle already has: plain tables, and tables whose comment
// marks the MySQL table they were made from.
class TargetNamePlannerTest : public ::testing::Test {
protected:
    OracleSchema oracle;
    std::vector<std::string> mysqlTables;

    std::vector<TableNames> plan(const std::vector<std::string> &selection, bool uppercase = true)
    {
        TargetNamePlanner planner(oracle, mysqlTables.empty() ? selection : mysqlTables, uppercase);
        std::vector<TableNames> names;
        for (const auto &table : selection)
            names.push_back(planner.namesFor(table));
        return names;
    }
    // What a run leaves in Oracle for the names it gave, as the next run reads it.
    void leaveInOracle(const std::vector<TableNames> &names)
    {
        for (const auto &n : names) {
            oracle.tables.insert(n.target);
            if (n.marked)
                oracle.markedSources[n.target] = n.source;
        }
    }
    static std::vector<std::string> targets(const std::vector<TableNames> &names)
    {
        std::vector<std::string> out;
        for (const auto &n : names)
            out.push_back(n.target);
        return out;
    }
};

TEST_F(TargetNamePlannerTest, AShortNameIsItselfUnmarkedAndAnOracleTableOfThatNameIsItsOwn)
{
    oracle.tables = {"ORDERS"};
    const auto names = plan({"orders", std::string(30, 'x')});
    EXPECT_EQ(targets(names), (std::vector<std::string>{"ORDERS", std::string(30, 'X')}));
    EXPECT_FALSE(names[0].marked);
    EXPECT_FALSE(names[1].marked);
}

TEST_F(TargetNamePlannerTest, CaseTwinsAreMarkedAndFoundAgainWhateverTheSelection)
{
    mysqlTables = {"MIXED", "Mixed", "mixed"};
    const auto first = plan({"MIXED", "Mixed", "mixed"});
    EXPECT_EQ(targets(first), (std::vector<std::string>{"MIXED", "MIXED0000", "MIXED0001"}));
    for (const auto &n : first)
        EXPECT_TRUE(n.marked) << n.source;
    leaveInOracle(first);
    // Another day, another order, another selection: each MySQL table meets its own Oracle table.
    EXPECT_EQ(targets(plan({"mixed", "Mixed", "MIXED"})),
              (std::vector<std::string>{"MIXED0001", "MIXED0000", "MIXED"}));
    EXPECT_EQ(targets(plan({"Mixed"})), (std::vector<std::string>{"MIXED0000"}));
}

TEST_F(TargetNamePlannerTest, ATwinConvertedAloneFirstKeepsItsTableWhenTheOtherComes)
{
    mysqlTables = {"MIXED", "Mixed"};
    const auto alone = plan({"Mixed"});
    EXPECT_EQ(targets(alone), (std::vector<std::string>{"MIXED"}));
    leaveInOracle(alone);
    // MIXED is Mixed's table now: the other twin takes a counter rather than overwrite it.
    const auto both = plan({"MIXED", "Mixed"});
    EXPECT_EQ(targets(both), (std::vector<std::string>{"MIXED0000", "MIXED"}));
}

TEST_F(TargetNamePlannerTest, LongNamesSharingTheirStartKeepTheirTablesFromRunToRun)
{
    const std::string prefix(26, 'Q');
    const auto first = plan({prefix + "_north", prefix + "_south"});
    EXPECT_EQ(targets(first), (std::vector<std::string>{prefix + "0000", prefix + "0001"}));
    EXPECT_TRUE(first[0].marked && first[1].marked);
    leaveInOracle(first);
    const auto again = plan({prefix + "_south", prefix + "_north", prefix + "_east"});
    EXPECT_EQ(targets(again), (std::vector<std::string>{prefix + "0001", prefix + "0000", prefix + "0002"}));
    // A name that is another's cut counter is itself no counter name of the first.
    EXPECT_EQ(targets(plan({prefix + "0001"})), (std::vector<std::string>{prefix + "0002"}));
}

TEST_F(TargetNamePlannerTest, AMarkerIsOnlyFollowedToANameTheWorkingNameCouldHaveGiven)
{
    // Made with uppercase names; converted again keeping the case, the table is not "Mixed"'s name.
    mysqlTables = {"MIXED", "Mixed"};
    leaveInOracle(plan({"MIXED", "Mixed"}));
    EXPECT_EQ(targets(plan({"Mixed"}, false)), (std::vector<std::string>{"Mixed"}));
}

TEST_F(TargetNamePlannerTest, WhenOracleHasEveryCounterTheLastOneIsUsedOnce)
{
    const std::string prefix(26, 'L');
    for (int k = 0; k <= 100; ++k) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%04d", k);
        oracle.tables.insert(prefix + digits);
    }
    const auto names = plan({prefix + "_first_long", prefix + "_second_long"});
    // A second table cannot share it: the one before, still Oracle's, is the one left to it.
    EXPECT_EQ(targets(names), (std::vector<std::string>{prefix + "0100", prefix + "0099"}));
    // Unless a marker gives it to another MySQL table: that table is not overwritten.
    oracle.markedSources[prefix + "0100"] = "someone_else_with_a_long_name_of_its_own";
    EXPECT_THROW(plan({prefix + "_first_long"}), db::Error);
}

TEST_F(TargetNamePlannerTest, ACutNeverSplitsACharacter)
{
    std::string han; // ten three-byte characters: 30 bytes
    for (int i = 0; i < 10; ++i)
        han += "表";
    // The first 26 bytes would end inside the ninth character: eight whole ones stay.
    EXPECT_EQ(targets(plan({han, han}, false)), (std::vector<std::string>{han, han.substr(0, 24) + "0000"}));
}

TEST(TableMarker, NamesTheMySqlTableBehindAnyCarriedComment)
{
    EXPECT_EQ(markedSource(tableMarker("orders")), "orders");
    EXPECT_EQ(markedSource(commentWithMarker("Orders of the shop", "we`ird")), "we`ird");
    // A carried comment that itself speaks of MySQL tables is not a marker; the last line is.
    EXPECT_EQ(markedSource(commentWithMarker(tableMarker("old"), "new")), "new");
    EXPECT_FALSE(markedSource("Orders of the shop").has_value());
    EXPECT_FALSE(markedSource("Converted from MySQL table `unterminated").has_value());
}

TEST(ObjectNamePlanner, TheUsualNameWhenFreeACounterWhenNotTheSameNameEveryTime)
{
    // Oracle has a primary key on ORDERS and an index of another table's.
    ObjectNamePlanner objects({{"PRIMARYORDERS1", "ORDERS"}, {"IDX_EMAIL", "USERS"}});
    // ORDERS owns its name: a run that replaces or continues ORDERS gives it the same one.
    EXPECT_EQ(objects.nameFor("ORDERS", "primary", "PRIMARYORDERS1"), "PRIMARYORDERS1");
    EXPECT_EQ(objects.nameFor("ORDERS", "primary", "anything"), "PRIMARYORDERS1");
    // Another table's name is not free, nor is one given in this run.
    EXPECT_EQ(objects.nameFor("CUSTOMERS", "index:email", "IDX_EMAIL"), "IDX_EMAIL0000");
    EXPECT_EQ(objects.nameFor("CUSTOMERS", "index:email2", "IDX_EMAIL"), "IDX_EMAIL0001");
    // Cut to 30 bytes first; two cuts that meet get counters after their first 26 bytes.
    const std::string long30(30, 'K');
    EXPECT_EQ(objects.nameFor("A", "check:one", long30 + "_one"), long30);
    EXPECT_EQ(objects.nameFor("A", "check:two", long30 + "_two"), std::string(26, 'K') + "0000");
}
