// Name rules shared by every statement: casing, the byte cut, and quoting for each server.
#include "convert/NameRules.h"

#include "db/ConnectionProfile.h"
#include "db/Error.h"

#include <gtest/gtest.h>

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
