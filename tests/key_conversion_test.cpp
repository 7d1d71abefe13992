// Primary keys and indexes: the statements built from "show index", and what Oracle makes of them.
#include "support/EngineRig.h"

#include "convert/KeyConversion.h"
#include "convert/NameRules.h"
#include "convert/TargetSteps.h"
#include "db/Error.h"

#include <gtest/gtest.h>

using convert::ConversionOptions;
using convert::TableNames;
using testsupport::EngineRig;

namespace {

std::vector<std::string> sqlOf(const std::vector<convert::KeyStatement> &statements)
{
    std::vector<std::string> out;
    for (const auto &s : statements)
        out.push_back(s.sql);
    return out;
}

TableNames names(const std::string &source, bool upper = true)
{
    std::string w = convert::ApplyNameCase(source, upper);
    return {source, w, w};
}

} // namespace

class KeyConversionTest : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }

    convert::ObjectNamePlanner objects; // an empty schema: every usual name is free
};

TEST_F(KeyConversionTest, UsersExampleGivesThreeStatementsInListingOrder)
{
    EngineRig rig({"create table users (id int primary key, email varchar(50), last_name varchar(20), "
                   "first_name varchar(20), key email (email), key name_idx (last_name, first_name))"});
    ConversionOptions o;
    EXPECT_EQ(
        sqlOf(convert::BuildKeyStatements(rig.catalog(), names("users"), o, objects)),
        (std::vector<std::string>{"alter table \"USERS\"  add constraint \"PRIMARYUSERS1\" primary key (\"ID\")",
                                  "create index \"IDX_EMAILUSERS\" on \"USERS\" (\"EMAIL\")",
                                  "create index \"IDX_NAME_IDXUSERS\" on \"USERS\" (\"LAST_NAME\",\"FIRST_NAME\")"}));

    ASSERT_TRUE(convert::CreateTargetTable(rig.oracleData(), rig.catalog(), names("users"), o).success);
    auto result = convert::ConvertKeys(rig.oracleData(), rig.catalog(), names("users"), o, objects);
    EXPECT_TRUE(result.success) << result.message;
    EXPECT_TRUE(result.failures.empty());
}

TEST_F(KeyConversionTest, AUniqueKeyOnThePrimaryKeyColumnsIsRefusedAndReported)
{
    EngineRig rig({"create table acct (id int primary key, code char(3), unique key uk (id), key c (code))"});
    ConversionOptions o;
    ASSERT_TRUE(convert::CreateTargetTable(rig.oracleData(), rig.catalog(), names("acct"), o).success);
    auto result = convert::ConvertKeys(rig.oracleData(), rig.catalog(), names("acct"), o, objects);
    EXPECT_FALSE(result.success);
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].name, "IDX_UKACCT");
    EXPECT_EQ(result.failures[0].message, "ORA-01408: such column list already indexed");
    // The key after the refused one was still made.
    EXPECT_THROW(rig.oracleData().execute("create index \"Q\" on \"ACCT\" (\"CODE\")"), db::Error);
}

TEST_F(KeyConversionTest, CompositeKeysKeepTheirColumnOrder)
{
    EngineRig rig({"create table pairs (a int, b int, c int, primary key (b, a), key cb (c, b))"});
    auto statements = convert::BuildKeyStatements(rig.catalog(), names("pairs"), {}, objects);
    ASSERT_EQ(statements.size(), 2u);
    EXPECT_EQ(statements[0].sql, "alter table \"PAIRS\"  add constraint \"PRIMARYPAIRS1\" primary key (\"B\",\"A\")");
    EXPECT_EQ(statements[1].sql, "create index \"IDX_CBPAIRS\" on \"PAIRS\" (\"C\",\"B\")");
}

TEST_F(KeyConversionTest, LongNamesAreCutAsTheCreateStepCutThem)
{
    const std::string longColumn = "a_column_name_well_over_thirty_bytes";
    EngineRig rig({"create table t (" + longColumn + " int, primary key (" + longColumn + "), key " +
                   "an_index_name_that_is_far_too_long_one (" + longColumn + "), key " +
                   "an_index_name_that_is_far_too_long_two (" + longColumn + "))"});
    ConversionOptions o;
    o.uppercaseNames = false;
    ASSERT_TRUE(convert::CreateTargetTable(rig.oracleData(), rig.catalog(), names("t", false), o).success);
    auto result = convert::ConvertKeys(rig.oracleData(), rig.catalog(), names("t", false), o, objects);
    // The primary key resolves its cut column; both indexes then repeat its column list. The second's
    // cut name would repeat the first's: it gets a counter instead.
    ASSERT_EQ(result.failures.size(), 2u);
    EXPECT_EQ(result.failures[0].name, "idx_an_index_name_that_is_far_");
    EXPECT_EQ(result.failures[0].message, "ORA-01408: such column list already indexed");
    EXPECT_EQ(result.failures[1].name, "idx_an_index_name_that_is_0000");
    EXPECT_EQ(result.failures[1].message, "ORA-01408: such column list already indexed");
}

TEST_F(KeyConversionTest, ATableWithoutKeysRunsNothing)
{
    EngineRig rig({"create table plain (a int)"});
    EXPECT_TRUE(convert::BuildKeyStatements(rig.catalog(), names("plain"), {}, objects).empty());
    auto result = convert::ConvertKeys(rig.oracleData(), rig.catalog(), names("plain"), {}, objects);
    EXPECT_TRUE(result.success);
}
