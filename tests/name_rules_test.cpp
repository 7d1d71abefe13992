// Name rules shared by every statement: casing, the byte cut, quoting for each server, and the Oracle
// names of a run's tables.
#include "convert/NameRules.h"
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

// The Oracle names of one run, against a set of names Oracle already has.
class TargetNamePlannerTest : public ::testing::Test {
protected:
    std::set<std::string> inOracle;
    std::vector<std::string> asked;
    TargetNamePlanner planner{[this](const std::string &name) {
        asked.push_back(name);
        return inOracle.count(name) > 0;
    }};
};

TEST_F(TargetNamePlannerTest, AShortFreeNameIsItselfAndAsksNothing)
{
    inOracle = {"ORDERS"};
    EXPECT_EQ(planner.nameFor("ORDERS"), "ORDERS"); // the policy decides what happens to it
    EXPECT_EQ(planner.nameFor(std::string(30, 'X')), std::string(30, 'X'));
    EXPECT_TRUE(asked.empty());
}

TEST_F(TargetNamePlannerTest, ANameTakenInThisRunGetsTheNextFreeCounter)
{
    inOracle = {"MIXED0000"};
    EXPECT_EQ(planner.nameFor("MIXED"), "MIXED");
    EXPECT_EQ(planner.nameFor("MIXED"), "MIXED0001");
    EXPECT_EQ(planner.nameFor("MIXED"), "MIXED0002");
    // A long name's counter names are taken in the run as well, and so are names given as they are.
    const std::string prefix(26, 'q');
    EXPECT_EQ(planner.nameFor(prefix + "_long_name"), prefix + "0000");
    EXPECT_EQ(planner.nameFor(prefix + "0000"), prefix + "0001");
    EXPECT_EQ(planner.nameFor(prefix + "0002"), prefix + "0002");
    EXPECT_EQ(planner.nameFor(prefix + "_other"), prefix + "0003");
}

TEST_F(TargetNamePlannerTest, WhenOracleHasEveryCounterTheLastOneIsUsedOnce)
{
    const std::string prefix(26, 'L');
    for (int k = 0; k <= 100; ++k) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%04d", k);
        inOracle.insert(prefix + digits);
    }
    EXPECT_EQ(planner.nameFor(prefix + "_first_long"), prefix + "0100");
    // A second table cannot share it: the one before, still Oracle's, is the one left to it.
    EXPECT_EQ(planner.nameFor(prefix + "_second_long"), prefix + "0099");
}

TEST_F(TargetNamePlannerTest, ACutNeverSplitsACharacter)
{
    std::string han; // ten three-byte characters: 30 bytes
    for (int i = 0; i < 10; ++i)
        han += "表";
    EXPECT_EQ(planner.nameFor(han), han);
    // The first 26 bytes would end inside the ninth character: eight whole ones stay.
    EXPECT_EQ(planner.nameFor(han), han.substr(0, 24) + "0000");
}
