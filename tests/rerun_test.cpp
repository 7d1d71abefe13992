// A migration is never one run: converted again with constraints kept, resumed after a stop, a replaced
// table that others point at, names cut to 30 bytes that would meet, a commit whose answer is lost, a
// table whose every row is refused. After each run both servers are counted, and the second run ends
// as honestly as the first.
#include "support/EngineRig.h"

#include "db/Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

using convert::ConversionOptions;
using convert::ExistingTablePolicy;
using convert::Progress;
using testsupport::EngineRig;
using Lines = std::vector<std::string>;

namespace {

// A small shop: customers and products referenced by orders and their lines, auto-increment keys, NOT
// NULL columns, a unique key, value lists and comments.
const Lines kShop = {
    "create table customers (id int auto_increment primary key, email varchar(80) not null,"
    " name varchar(40) not null, status enum('new','active','gone') not null default 'new',"
    " unique key by_email (email)) comment 'people who buy'",
    "create table products (id int auto_increment primary key, sku char(8) not null,"
    " price decimal(10,2) unsigned not null, tags set('red','blue'))",
    "create table orders (id int auto_increment primary key, customer_id int not null,"
    " placed datetime not null, note varchar(100),"
    " constraint fk_orders_customer foreign key (customer_id) references customers (id) on delete cascade)",
    "create table order_lines (order_id int not null, product_id int not null, qty smallint unsigned not null,"
    " primary key (order_id, product_id),"
    " constraint fk_lines_order foreign key (order_id) references orders (id) on delete cascade,"
    " constraint fk_lines_product foreign key (product_id) references products (id))",
    "insert into customers (email, name, status) select concat('c', seq, '@shop'), concat('Customer ', seq),"
    " elt(seq % 3 + 1, 'new', 'active', 'gone') from seq_1_to_50",
    "insert into products (sku, price, tags) select concat('SKU', lpad(seq, 5, '0')), seq * 1.5,"
    " elt(seq % 3 + 1, 'red', 'blue', 'red,blue') from seq_1_to_20",
    "insert into orders (customer_id, placed, note) select seq % 50 + 1, '2024-01-01' + interval seq hour,"
    " concat('order ', seq) from seq_1_to_300",
    "insert into order_lines select seq % 300 + 1, seq div 300 + 1, seq % 5 + 1 from seq_1_to_1200"};
const Lines kShopTables = {"customers", "products", "orders", "order_lines"};

ConversionOptions keepSchema()
{
    ConversionOptions o;
    o.keepSchema = true;
    return o;
}

class RerunTest : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }

    static std::string oracleCount(EngineRig &rig, const std::string &table)
    {
        return rig.oracleRows("select count(*) from \"" + table + "\"").at(0).at(0).data;
    }
    static std::string mysqlCount(EngineRig &rig, const std::string &table)
    {
        return rig.mysqlRows("select count(*) from `" + table + "`").at(0).at(0).data;
    }
    // Constraints of the shop's tables in Oracle by type, leaving out the NOT NULL checks Oracle names
    // itself: "P" primary keys, "U" unique, "R" foreign keys, "C" checks.
    static std::string constraintsOf(EngineRig &rig, const std::string &type)
    {
        return std::to_string(rig.oracleRows("select constraint_name from user_constraints where constraint_type = '" +
                                             type +
                                             "' and table_name in ('CUSTOMERS', 'PRODUCTS', 'ORDERS', 'ORDER_LINES')"
                                             " and generated = 'USER NAME'")
                                  .size());
    }
    static void expectEveryShopRowInOracle(EngineRig &rig)
    {
        for (const auto &table : kShopTables) {
            std::string upper = table;
            std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
            EXPECT_EQ(oracleCount(rig, upper), mysqlCount(rig, table)) << table;
        }
    }
    static bool logHas(EngineRig &rig, const std::string &start)
    {
        for (const auto &line : rig.log().lines())
            if (line.rfind(start, 0) == 0)
                return true;
        return false;
    }
};

} // namespace

TEST_F(RerunTest, KeepSchemaRunTwiceCarriesWhatChangedAndKeepsEveryKey)
{
    EngineRig rig(kShop);
    for (int run = 1; run <= 2; ++run) {
        if (run == 2) {
            // Between the two days MySQL changed: a value, a new order with a line, a deleted line.
            rig.mysql().execute("update customers set name = 'Renamed' where id = 5");
            rig.mysql().execute(
                "insert into orders (id, customer_id, placed, note) values (301, 7, '2025-02-03 04:05:06', 'new')");
            rig.mysql().execute("insert into order_lines values (301, 3, 2)");
            rig.mysql().execute("delete from order_lines where order_id = 2");
        }
        rig.log().clear();
        const auto summary = rig.run(kShopTables, keepSchema());
        EXPECT_TRUE(summary.clean()) << "run " << run << ": " << testing::PrintToString(rig.log().lines());
        for (const auto &line : rig.log().lines())
            EXPECT_EQ(line.find("ORA-"), std::string::npos) << "run " << run << ": " << line;
        expectEveryShopRowInOracle(rig);
        // MySQL's keys and constraints, in Oracle each time: 4 primary keys, the unique email, 3 foreign
        // keys, the status list, the unsigned price and quantity, the tags.
        EXPECT_EQ(constraintsOf(rig, "P"), "4") << "run " << run;
        EXPECT_EQ(constraintsOf(rig, "R"), "3") << "run " << run;
        EXPECT_EQ(constraintsOf(rig, "C"), "4") << "run " << run;
    }
    EXPECT_EQ(rig.oracleRows("select \"NAME\" from \"CUSTOMERS\" where \"ID\" = 5").at(0).at(0).data, "Renamed");
    EXPECT_EQ(rig.oracleRows("select count(*) from \"ORDER_LINES\" where \"ORDER_ID\" = 2").at(0).at(0).data, "0");
    // The identity gives the next order a number of its own.
    rig.oracleData().execute("insert into \"ORDERS\" (\"CUSTOMER_ID\", \"PLACED\") values (1, sysdate)");
    rig.oracleData().commit();
}

TEST_F(RerunTest, AResumeAfterAStopInAChildTableFinishesItsRowsKeysAndConstraints)
{
    EngineRig rig(kShop);
    // Stopped during the rows of order_lines, the last table: no NOT NULL, checks or foreign keys yet.
    rig.run(kShopTables, keepSchema(), [](const Progress &p) { return !(p.table == 3 && p.rows >= 300); });
    const long held = std::atol(oracleCount(rig, "ORDER_LINES").c_str());
    ASSERT_GE(held, 300);
    ASSERT_LT(held, std::atol(mysqlCount(rig, "order_lines").c_str()));
    EXPECT_EQ(constraintsOf(rig, "R"), "0");

    ConversionOptions resume = keepSchema();
    resume.resume = true;
    for (int run = 1; run <= 2; ++run) {
        rig.log().clear();
        const auto summary = rig.run(kShopTables, resume);
        EXPECT_TRUE(summary.clean()) << "resume " << run << ": " << testing::PrintToString(rig.log().lines());
        expectEveryShopRowInOracle(rig);
        EXPECT_EQ(constraintsOf(rig, "P"), "4");
        EXPECT_EQ(constraintsOf(rig, "R"), "3");
        EXPECT_EQ(constraintsOf(rig, "C"), "4");
        EXPECT_EQ(rig.oracleRows("select nullable from user_tab_columns where table_name = 'ORDER_LINES' and "
                                 "column_name = 'QTY'")
                      .at(0)
                      .at(0)
                      .data,
                  "N");
    }
    EXPECT_TRUE(logHas(rig, "Continued after key ")) << testing::PrintToString(rig.log().lines());
    // The next order inserted without a number gets a free one.
    rig.oracleData().execute("insert into \"ORDERS\" (\"CUSTOMER_ID\", \"PLACED\") values (3, sysdate)");
    rig.oracleData().commit();
    EXPECT_EQ(oracleCount(rig, "ORDERS"), "301");
}

TEST_F(RerunTest, AResumedTableGetsTheKeysAndConstraintsAnEarlierRunLeftUndone)
{
    // An earlier run made the tables and their rows and no key at all (as a run whose session was lost
    // before its keys, or one that skipped them).
    EngineRig rig(kShop);
    ConversionOptions bare;
    bare.skipIndexes = true;
    ASSERT_TRUE(rig.run({"customers", "orders"}, bare).clean());
    EXPECT_EQ(rig.oracleRows("select count(*) from user_constraints where table_name = 'ORDERS'").at(0).at(0).data,
              "0");

    ConversionOptions resume = keepSchema();
    resume.resume = true;
    for (int run = 1; run <= 2; ++run) {
        rig.log().clear();
        EXPECT_TRUE(rig.run({"customers", "orders"}, resume).clean()) << testing::PrintToString(rig.log().lines());
        EXPECT_EQ(rig.oracleRows("select count(*) from user_constraints where table_name = 'ORDERS' and "
                                 "constraint_type in ('P', 'R')")
                      .at(0)
                      .at(0)
                      .data,
                  "2");
        EXPECT_EQ(rig.oracleRows("select nullable from user_tab_columns where table_name = 'ORDERS' and "
                                 "column_name = 'PLACED'")
                      .at(0)
                      .at(0)
                      .data,
                  "N");
        EXPECT_EQ(oracleCount(rig, "ORDERS"), "300");
    }
    // Made without an identity, the column cannot become one: said, not hidden.
    EXPECT_TRUE(logHas(rig, "Column \"ID\" of ORDERS was made without an identity and cannot become one"))
        << testing::PrintToString(rig.log().lines());
    // A second order with the number 1 is refused by the key made on the second day.
    EXPECT_THROW(
        rig.oracleData().execute("insert into \"ORDERS\" (\"ID\", \"CUSTOMER_ID\", \"PLACED\") values (1, 1, sysdate)"),
        db::Error);
}

TEST_F(RerunTest, AReplacedTableThatOthersPointAtGetsTheirKeysBack)
{
    EngineRig rig(kShop);
    ASSERT_TRUE(rig.run(kShopTables, keepSchema()).clean());
    // customers alone, again, without the option: orders' key to it goes with the drop and comes back.
    for (int run = 1; run <= 2; ++run) {
        rig.log().clear();
        const auto summary = rig.run({"customers"});
        EXPECT_TRUE(summary.clean()) << testing::PrintToString(rig.log().lines());
        EXPECT_TRUE(logHas(rig, "Foreign keys of other tables that point at CUSTOMERS: 1 made again"))
            << testing::PrintToString(rig.log().lines());
        EXPECT_EQ(constraintsOf(rig, "R"), "3");
        EXPECT_EQ(oracleCount(rig, "CUSTOMERS"), "50");
        EXPECT_EQ(oracleCount(rig, "ORDERS"), "300");
    }
    // A key Oracle then refuses fails the table: an order whose customer is gone from MySQL.
    rig.mysql().execute("set foreign_key_checks = 0");
    rig.mysql().execute("delete from customers where id = 8");
    rig.log().clear();
    const auto summary = rig.run({"customers"});
    EXPECT_EQ(summary.failed, 1u);
    EXPECT_TRUE(logHas(rig, "FK_ORDERS_CUSTOMER: ORA-02298")) << testing::PrintToString(rig.log().lines());
    EXPECT_EQ(oracleCount(rig, "CUSTOMERS"), "49");
}

TEST_F(RerunTest, ConstraintNamesOfLongTablesThatMeetAt30BytesArePlannedApart)
{
    // CK_<table>_<column> cut to 30 bytes is the same for both tables, and so is PRIMARY<table>1.
    const std::string a = "warehouse_inventory_adjustments_north", b = "warehouse_inventory_adjustments_south";
    EngineRig rig({"create table " + a + " (id int primary key, kind enum('in','out') not null, qty int unsigned)",
                   "create table " + b + " (id int primary key, kind enum('in','out') not null, qty int unsigned)",
                   "insert into " + a + " values (1, 'in', 5), (2, 'out', 1)",
                   "insert into " + b + " values (1, 'out', 2)"});
    for (int run = 1; run <= 2; ++run) {
        rig.log().clear();
        const auto summary = rig.run({a, b}, keepSchema());
        EXPECT_TRUE(summary.clean()) << "run " << run << ": " << testing::PrintToString(rig.log().lines());
    }
    const auto names = rig.oracleRows("select constraint_name from user_constraints where generated = 'USER NAME' "
                                      "and table_name in ('WAREHOUSE_INVENTORY_ADJUST0000', "
                                      "'WAREHOUSE_INVENTORY_ADJUST0001') order by constraint_name");
    // Per table a primary key and two checks, all six names different.
    ASSERT_EQ(names.size(), 6u);
    for (std::size_t i = 1; i < names.size(); ++i)
        EXPECT_NE(names[i - 1].at(0).data, names[i].at(0).data);
    EXPECT_EQ(oracleCount(rig, "WAREHOUSE_INVENTORY_ADJUST0000"), "2");
    EXPECT_EQ(oracleCount(rig, "WAREHOUSE_INVENTORY_ADJUST0001"), "1");
}

TEST_F(RerunTest, ACommitWhoseAnswerIsLostLeavesACounterEqualToWhatOracleHolds)
{
    EngineRig rig({"create table ledger (id int primary key, amount decimal(10,2))",
                   "insert into ledger select seq, seq / 4 from seq_1_to_1000"});
    // The third commit of rows goes through, but its answer never comes back.
    setenv("ORACLE_SIM_LOSE_COMMIT", "3", 1);
    rig.oracleInsert().close();
    rig.oracleInsert().open();
    unsetenv("ORACLE_SIM_LOSE_COMMIT");
    EXPECT_THROW(rig.run({"ledger"}), db::ConnectionLostError);
    const auto &lines = rig.log().lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], "Insert table LEDGER " + oracleCount(rig, "LEDGER") + " Rows ");
    EXPECT_EQ(lines.back(), "Tables not converted: ledger.");
}

TEST_F(RerunTest, ATableWhoseEveryRowIsRefusedIsNotConverted)
{
    EngineRig rig({"create table wide (id int primary key, n decimal(65,0))",
                   "insert into wide values (1, 123456789012345678901234567890123456789),"
                   " (2, -123456789012345678901234567890123456789)",
                   "create table fine (id int primary key)", "insert into fine values (1)"});
    const auto summary = rig.run({"wide", "fine"});
    EXPECT_EQ(summary.converted, 1u);
    EXPECT_EQ(summary.failed, 1u);
    EXPECT_EQ(summary.rejectedRows, 2u);
    EXPECT_EQ(rig.log().lines().at(rig.log().lines().size() - 2),
              "Wizard has converted 1 of 2 tables; failed tables: 1, rejected rows: 2.");
}

TEST_F(RerunTest, AForeignKeyOracleRefusesFailsItsTableAndTheStepIsNoTable)
{
    // MySQL holds an order whose customer is gone (foreign key checks were off): Oracle refuses the key.
    EngineRig rig({"create table customers (id int primary key)", "insert into customers values (1), (2)",
                   "create table orders (id int primary key, customer_id int,"
                   " constraint fk_orders_customer foreign key (customer_id) references customers (id))",
                   "set foreign_key_checks = 0", "insert into orders values (1, 1), (2, 3)"});
    const auto summary = rig.run({"customers", "orders"}, keepSchema());
    EXPECT_EQ(summary.converted, 1u);
    EXPECT_EQ(summary.failed, 1u);
    EXPECT_EQ(summary.converted + summary.failed, summary.tables);
    EXPECT_TRUE(logHas(rig, "FK_ORDERS_CUSTOMER: ORA-02298")) << testing::PrintToString(rig.log().lines());
    EXPECT_EQ(rig.log().lines().at(rig.log().lines().size() - 2),
              "Wizard has converted 1 of 2 tables; failed tables: 1, rejected rows: 0.");
    EXPECT_EQ(rig.run({"customers", "orders"}, keepSchema()).failed, 1u);
}

TEST_F(RerunTest, AMySqlServerThatStopsAnsweringEndsTheRunOnceWithItsTableNotConverted)
{
    EngineRig rig({"create table first_t (id int primary key)", "insert into first_t select seq from seq_1_to_12000",
                   "create table second_t (id int primary key)", "insert into second_t values (1), (2)",
                   "create table third_t (id int primary key)", "insert into third_t values (1)"});
    // The copy's own session waits two seconds on the server.
    rig.rowSource().setCallTimeout(2);
    // Another session locks the table being read, so its next page waits on a server that says nothing.
    auto locker = testsupport::connectSandbox(rig.mysql().name());
    std::thread locking;
    const auto summary = [&] {
        try {
            return rig.run({"first_t", "second_t", "third_t"}, {}, [&](const Progress &p) {
                if (p.rows >= 101 && !locking.joinable())
                    locking = std::thread([&] { locker->execute("lock tables first_t write"); });
                return true;
            });
        } catch (const db::ConnectionLostError &) {
            return convert::RunSummary{};
        }
    }();
    if (locking.joinable())
        locking.join();
    locker->execute("unlock tables");
    EXPECT_EQ(summary.tables, 0u) << "the run should have ended by the lost session";
    const auto &lines = rig.log().lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Conversion ended at table first_t.");
    // The reason says which server did not answer, and within how long.
    EXPECT_NE(lines[lines.size() - 4].find("MySQL server"), std::string::npos) << lines[lines.size() - 4];
    EXPECT_NE(lines[lines.size() - 4].find("did not answer within 2 seconds"), std::string::npos)
        << testing::PrintToString(lines);
    EXPECT_EQ(lines.back(), "Tables not converted: first_t, second_t, third_t.");
    for (const auto &line : lines)
        EXPECT_EQ(line.find("SECOND_T"), std::string::npos) << line;
}
