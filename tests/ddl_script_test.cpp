// The DDL as a script: run statement by statement on a fresh Oracle schema, it makes the same tables,
// columns, keys and constraints a definitions-only run makes in another; and morvane-cli check --sql
// writes it with its header.
#include "support/EngineRig.h"
#include "support/OracleSim.h"
#include "support/ReportSchema.h"

#include "convert/DdlScript.h"
#include "db/Drivers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

using testsupport::EngineRig;

namespace {

const std::vector<std::string> kShop = {
    "create table customers (id int auto_increment primary key, email varchar(80) not null,"
    " name varchar(40) not null default 'nobody', status enum('new','active') not null default 'new',"
    " joined datetime default current_timestamp, unique key by_email (email)) comment 'people who buy'",
    "create table products (id int auto_increment primary key, price decimal(10,2) unsigned not null,"
    " tags set('red','blue'), note text, constraint chk_price check (price < 100000))",
    "create table orders (id int auto_increment primary key, customer_id int not null, product_id int,"
    " qty smallint not null default 1, key by_product (product_id),"
    " constraint fk_orders_customer foreign key (customer_id) references customers (id) on delete cascade,"
    " constraint fk_orders_product foreign key (product_id) references products (id) on delete set null)",
    "create table customer_loyalty_program_members (id int primary key, level enum('a','b') not null)",
    "insert into customers (email, name) values ('a@x', 'Ann'), ('b@x', 'Bob')"};
const std::vector<std::string> kTables = {"customers", "products", "orders", "customer_loyalty_program_members"};

// The statements of a script: comment lines and SQL*Plus settings left out, each statement up to the
// line that ends with ";".
std::vector<std::string> statementsOf(const std::string &script)
{
    std::vector<std::string> statements;
    std::istringstream lines(script);
    std::string line, current;
    while (std::getline(lines, line)) {
        if (current.empty() && (line.rfind("--", 0) == 0 || line.rfind("SET ", 0) == 0 || line.empty()))
            continue;
        current += (current.empty() ? "" : "\n") + line;
        if (!line.empty() && line.back() == ';') {
            current.pop_back();
            statements.push_back(current);
            current.clear();
        }
    }
    return statements;
}

// What a schema holds, as its dictionary says, one line per thing in a stable order.
std::vector<std::string> dictionaryOf(db::Connection &oracle)
{
    std::vector<std::string> lines;
    auto add = [&](const std::string &kind, const std::string &sql) {
        for (const auto &row : oracle.query(sql)) {
            std::string line = kind;
            for (const auto &value : row) {
                // An identity's sequence is named by its owner and a number of the schema's own.
                std::string text = value.isNull() ? std::string("<null>") : value.data;
                if (const auto at = text.find(".\"ISEQ$$_"); at != std::string::npos)
                    text = "<identity>";
                line += " | " + text;
            }
            lines.push_back(line);
        }
    };
    add("table", "select table_name from user_tables order by table_name");
    add("column", "select table_name, column_name, data_type, data_length, data_precision, data_scale, nullable,"
                  " data_default, identity_column from user_tab_columns order by table_name, column_id");
    add("constraint", "select table_name, constraint_name, constraint_type, search_condition, delete_rule"
                      " from user_constraints where generated = 'USER NAME' order by table_name, constraint_name");
    add("index", "select table_name, index_name, uniqueness from user_indexes order by table_name, index_name");
    add("comment", "select table_name, comments from user_tab_comments where comments is not null order by table_name");
    std::sort(lines.begin(), lines.end());
    return lines;
}

class DdlScriptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MORVANE_REQUIRE_SANDBOX();
        MORVANE_REQUIRE_STAND_IN("a second schema made for the test");
    }
};

} // namespace

TEST_F(DdlScriptTest, TheScriptMakesWhatADefinitionsOnlyRunMakes)
{
    EngineRig rig(kShop);
    convert::ConversionOptions options;
    options.keepSchema = true;

    // The script, against an empty schema of its own, then run there statement by statement.
    testsupport::OracleSim sim;
    sim.createUser("SCRIPTED", "pw");
    auto scripted = db::createOracleConnection();
    scripted->replaceProfile(sim.profile("SCRIPTED", "pw"));
    scripted->open();
    convert::CheckConnections connections{rig.catalog(), *scripted, "SCRIPTED"};
    const std::string script =
        convert::BuildDdlScript(connections, kTables, options, {"", rig.mysql().name(), "SCRIPTED", sim.service()});
    EXPECT_EQ(script.rfind("-- Morvane: the DDL of a conversion, as a run would send it to Oracle\n", 0), 0u) << script;
    EXPECT_NE(script.find("-- Options: --keep-schema\n"), std::string::npos) << script;
    const auto statements = statementsOf(script);
    ASSERT_GE(statements.size(), 10u) << script;
    for (const auto &statement : statements)
        EXPECT_NO_THROW(scripted->execute(statement)) << statement;

    // A definitions-only run into the rig's own empty schema.
    options.definitionsOnly = true;
    EXPECT_TRUE(rig.run(kTables, options).clean()) << testing::PrintToString(rig.log().lines());
    // (The rig's sessions, opened before the other stand-in was made: they reach the rig's own service.)
    db::Connection &run = rig.oracleConn();
    EXPECT_EQ(dictionaryOf(*scripted), dictionaryOf(run)) << script;

    // The same script a second time, now that the tables are there: it replaces them, and ends the same.
    const std::string again =
        convert::BuildDdlScript(connections, kTables, options, {"", rig.mysql().name(), "SCRIPTED", sim.service()});
    EXPECT_NE(again.find("drop table \"CUSTOMERS\" cascade constraints;"), std::string::npos) << again;
    for (const auto &statement : statementsOf(again))
        EXPECT_NO_THROW(scripted->execute(statement)) << statement;
    EXPECT_EQ(dictionaryOf(*scripted), dictionaryOf(run));
}

TEST_F(DdlScriptTest, CheckWritesTheScriptWithItsHeader)
{
    EngineRig rig(kShop);
    const auto path = (std::filesystem::temp_directory_path() / ("morvane-" + rig.mysql().name() + ".sql")).string();
    std::string out;
    ASSERT_EQ(testsupport::runCommand(
                  rig.convertCommand("cli/morvane-cli", "check", {"--keep-schema", "--sql", path, "customers"}), &out),
              0)
        << out;
    EXPECT_NE(out.find("The statements a run would send are in " + path + "."), std::string::npos) << out;
    const std::string script = testsupport::readFile(path);
    EXPECT_NE(script.find("-- From MySQL database " + rig.mysql().name() + " on the local server\n"), std::string::npos)
        << script;
    EXPECT_NE(script.find("SET DEFINE OFF\n"), std::string::npos);
    EXPECT_NE(script.find("alter table \"CUSTOMERS\" add constraint \"IDX_BY_EMAILCUSTOMERS\" unique (\"EMAIL\");\n"),
              std::string::npos)
        << script;
    // Nothing reached Oracle.
    EXPECT_EQ(rig.oracleRows("select count(*) from user_tables where table_name = 'CUSTOMERS'").at(0).at(0).data, "0");
    EXPECT_EQ(
        testsupport::runCommand(rig.convertCommand("cli/morvane-cli", "convert", {"--sql", path, "customers"}), &out),
        2);
    std::filesystem::remove(path);
}
