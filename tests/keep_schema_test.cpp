// The rest of the schema on request: a shop with customers, products, orders and order lines, carried with
// its NOT NULL columns, defaults, unique keys, auto-increment columns, foreign keys, value lists and
// comments, then read back from Oracle's own dictionary views; and what is not converted, named.
#include "support/EngineRig.h"

#include "db/Error.h"

#include <gtest/gtest.h>

#include <algorithm>

using testsupport::EngineRig;

namespace {

const std::vector<std::string> kShop = {
    "create table customers (id int auto_increment primary key, email varchar(80) not null,"
    " name varchar(40) not null, status enum('new','active','gone') not null default 'new',"
    " created datetime default current_timestamp, unique key by_email (email)) comment 'people who buy'",
    "create table products (id int auto_increment primary key, sku char(8) not null unique,"
    " price decimal(10,2) unsigned not null default 0.00, stock smallint unsigned default 0,"
    " label varchar(20) default 'new product' comment 'shown on the shelf', tags set('red','blue','a.b'))",
    "create table orders (id int auto_increment primary key, customer_id int not null,"
    " placed datetime not null default current_timestamp, note varchar(100) not null default '',"
    " constraint fk_orders_customer foreign key (customer_id) references customers (id) on delete cascade)",
    "create table order_lines (order_id int not null, product_id int not null, qty smallint unsigned not null default "
    "1,"
    " primary key (order_id, product_id),"
    " constraint fk_lines_order foreign key (order_id) references orders (id) on delete cascade on update cascade,"
    " constraint fk_lines_product foreign key (product_id) references products (id))",
    "create table notes (id int primary key, product_id int, constraint fk_notes_product foreign key (product_id)"
    " references products (id))",
    "insert into customers (email, name, status) select concat('c', seq, '@shop'), concat('Customer ', seq),"
    " elt(seq % 3 + 1, 'new', 'active', 'gone') from seq_1_to_50",
    "insert into products (sku, price, stock, tags) select concat('SKU', lpad(seq, 5, '0')), seq * 1.5, seq,"
    " elt(seq % 3 + 1, 'red', 'blue,a.b', '') from seq_1_to_20",
    "insert into orders (customer_id, note) select seq % 50 + 1, if(seq % 10 = 0, '', concat('order ', seq))"
    " from seq_1_to_200",
    "insert into order_lines select seq % 200 + 1, seq % 20 + 1, seq % 5 + 1 from seq_1_to_400"
    " on duplicate key update qty = qty",
    "create view big_orders as select order_id, sum(qty) as items from order_lines group by order_id",
    "create trigger orders_touch before update on orders for each row set new.placed = now()",
    "create procedure count_orders() select count(*) from orders"};

const std::vector<std::string> kTables = {"customers", "products", "orders", "order_lines", "big_orders"};

class KeepSchemaTest : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }

    static convert::ConversionOptions keepSchema()
    {
        convert::ConversionOptions options;
        options.keepSchema = true;
        return options;
    }

    static std::vector<std::string> column(EngineRig &rig, const std::string &sql)
    {
        std::vector<std::string> out;
        for (const auto &row : rig.oracleRows(sql))
            out.push_back(row.at(0).isNull() ? "<null>" : row.at(0).data);
        return out;
    }

    static bool logHas(EngineRig &rig, const std::string &line)
    {
        const auto &lines = rig.log().lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

} // namespace

TEST_F(KeepSchemaTest, TheShopArrivesWithItsConstraintsDefaultsIdentitiesAndComments)
{
    EngineRig rig(kShop);
    const auto summary = rig.run(kTables, keepSchema());
    const auto &lines = rig.log().lines();
    EXPECT_EQ(summary.failed, 0u) << testing::PrintToString(lines);

    // NOT NULL where MySQL has it, but on a column whose empty strings arrive as NULL.
    EXPECT_EQ(column(rig, "select column_name from user_tab_columns where table_name = 'CUSTOMERS' and nullable = 'N'"
                          " order by column_name"),
              (std::vector<std::string>{"EMAIL", "ID", "NAME", "STATUS"}));
    EXPECT_TRUE(logHas(rig, "Column \"note\" stays nullable: 20 of its values are empty strings, which Oracle holds "
                            "as NULL"))
        << testing::PrintToString(lines);
    EXPECT_EQ(column(rig, "select nullable from user_tab_columns where table_name = 'ORDERS' and column_name = 'NOTE'"),
              std::vector<std::string>{"Y"});

    // Defaults, translated where Oracle has one.
    EXPECT_EQ(column(rig, "select data_default from user_tab_columns where table_name = 'CUSTOMERS' and column_name ="
                          " 'STATUS'"),
              std::vector<std::string>{"'new'"});
    EXPECT_EQ(column(rig, "select data_default from user_tab_columns where table_name = 'ORDERS' and column_name ="
                          " 'PLACED'"),
              std::vector<std::string>{"SYSDATE"});
    EXPECT_TRUE(logHas(rig, "Column \"note\": its default '' is NULL in Oracle, so none is set"));

    // Unique keys are unique indexes; value lists and unsigned ranges are CHECK constraints.
    EXPECT_EQ(column(rig, "select uniqueness from user_indexes where index_name = 'IDX_BY_EMAILCUSTOMERS'"),
              std::vector<std::string>{"UNIQUE"});
    EXPECT_THROW(rig.oracleData().execute("insert into \"CUSTOMERS\" (\"EMAIL\", \"NAME\") values ('c1@shop', 'Twin')"),
                 db::Error);
    EXPECT_EQ(
        column(rig, "select search_condition from user_constraints where constraint_name = 'CK_CUSTOMERS_STATUS'"),
        std::vector<std::string>{"\"STATUS\" in ('new','active','gone')"});
    try {
        rig.oracleData().execute("insert into \"PRODUCTS\" (\"SKU\", \"PRICE\") values ('NEG', -1)");
        FAIL() << "a negative unsigned price went in";
    } catch (const db::Error &e) {
        EXPECT_EQ(std::string(e.what()), "ORA-02290: check constraint (SCOTT.CK_PRODUCTS_PRICE) violated");
    }

    // A SET column takes members joined by commas, nothing else.
    rig.oracleData().execute("insert into \"PRODUCTS\" (\"SKU\", \"TAGS\") values ('OK1', 'red,a.b')");
    EXPECT_THROW(rig.oracleData().execute("insert into \"PRODUCTS\" (\"SKU\", \"TAGS\") values ('BAD', 'red,axb')"),
                 db::Error);
    rig.oracleData().rollback();

    // An insert without the identity column gets a number above the rows copied; a child without its
    // parent is refused.
    rig.oracleData().execute("insert into \"CUSTOMERS\" (\"EMAIL\", \"NAME\") values ('new@shop', 'Newcomer')");
    rig.oracleData().commit();
    const auto id = column(rig, "select \"ID\" from \"CUSTOMERS\" where \"EMAIL\" = 'new@shop'");
    ASSERT_EQ(id.size(), 1u);
    EXPECT_GT(std::stoi(id[0]), 50);
    try {
        rig.oracleData().execute("insert into \"ORDERS\" (\"CUSTOMER_ID\") values (999)");
        FAIL() << "an order without its customer went in";
    } catch (const db::Error &e) {
        EXPECT_EQ(std::string(e.what()), "ORA-02291: integrity constraint (SCOTT.FK_ORDERS_CUSTOMER) violated - "
                                         "parent key not found");
    }
    rig.oracleData().rollback();
    EXPECT_EQ(column(rig, "select delete_rule from user_constraints where constraint_name = 'FK_LINES_ORDER'"),
              std::vector<std::string>{"CASCADE"});
    EXPECT_TRUE(logHas(rig, "Foreign keys: 3 created"));
    EXPECT_TRUE(logHas(rig, "Foreign key fk_lines_order of ORDER_LINES: ON UPDATE CASCADE is not carried; Oracle has "
                            "no ON UPDATE rule and refuses such an update"));

    // Comments on tables and columns.
    EXPECT_EQ(column(rig, "select comments from user_tab_comments where table_name = 'CUSTOMERS'"),
              std::vector<std::string>{"people who buy"});
    EXPECT_EQ(column(rig, "select comments from user_col_comments where table_name = 'PRODUCTS' and column_name = "
                          "'LABEL'"),
              std::vector<std::string>{"shown on the shelf"});

    // What a user must still do by hand is named: the view's SQL, the trigger, the routine.
    EXPECT_TRUE(logHas(rig, "View big_orders: its table BIG_ORDERS holds a snapshot of the rows the view shows now"));
    EXPECT_TRUE(logHas(rig, "Not converted: trigger orders_touch"));
    EXPECT_TRUE(logHas(rig, "Not converted: procedure count_orders"));
}

TEST_F(KeepSchemaTest, AKeyToATableOutsideTheRunIsNamedAndTheOptionOffCarriesNothing)
{
    EngineRig rig(kShop);
    rig.run({"orders"}, keepSchema());
    EXPECT_TRUE(logHas(rig, "Foreign keys: 0 created")) << testing::PrintToString(rig.log().lines());
    EXPECT_TRUE(logHas(rig, "Foreign key fk_orders_customer of ORDERS refers to customers, which has no Oracle "
                            "table: it is not created"));
    // Once customers has its Oracle table, a run of orders alone finds it and makes the key.
    rig.run({"customers"}, keepSchema());
    rig.log().clear();
    rig.run({"orders"}, keepSchema());
    EXPECT_TRUE(logHas(rig, "Foreign keys: 1 created")) << testing::PrintToString(rig.log().lines());

    EngineRig plain(kShop);
    plain.run({"customers"});
    EXPECT_EQ(column(plain, "select count(*) from user_constraints where table_name = 'CUSTOMERS' and "
                            "constraint_type <> 'P'"),
              std::vector<std::string>{"0"});
    EXPECT_EQ(column(plain, "select uniqueness from user_indexes where index_name = 'IDX_BY_EMAILCUSTOMERS'"),
              std::vector<std::string>{"NONUNIQUE"});
    EXPECT_EQ(plain.log().lines().at(0), "Create table CUSTOMERS...Done");
    EXPECT_EQ(plain.log().lines().at(1), "");
    EXPECT_EQ(plain.log().lines().at(2), "Insert table CUSTOMERS 50 Rows ...Done");
}

TEST_F(KeepSchemaTest, WhatOracleCannotCarryIsSaidAndAViewsPlaceholderCommentIsNotCarried)
{
    EngineRig rig({"set sql_mode = ''",
                   "create table visits (id int primary key, day date not null, seen timestamp not null"
                   " default current_timestamp on update current_timestamp)",
                   "insert into visits values (1, '2024-05-01', now()), (2, '0000-00-00', now())",
                   "create view recent_visits as select id, day from visits where day > '2024-01-01'"});
    for (int run = 1; run <= 2; ++run) {
        rig.log().clear();
        rig.run({"visits", "recent_visits"}, keepSchema());
        EXPECT_TRUE(logHas(rig, "Column \"day\" stays nullable: 1 of its values are the zero date 0000-00-00, which "
                                "arrives as NULL"))
            << testing::PrintToString(rig.log().lines());
        EXPECT_TRUE(logHas(rig, "Column \"seen\": ON UPDATE CURRENT_TIMESTAMP is not carried; Oracle sets no column "
                                "on update by itself (a trigger would)"));
        EXPECT_EQ(column(rig, "select nullable from user_tab_columns where table_name = 'VISITS' and column_name = "
                              "'DAY'"),
                  std::vector<std::string>{"Y"});
        EXPECT_EQ(column(rig, "select count(*) from user_tab_comments where table_name = 'RECENT_VISITS' and "
                              "comments is not null"),
                  std::vector<std::string>{"0"});
    }
}

TEST_F(KeepSchemaTest, AStopAmongTheStatementsAfterTheRowsLeavesTheRestToAResume)
{
    EngineRig rig(kShop);
    const std::string notNull =
        "select column_name from user_tab_columns where table_name = 'CUSTOMERS' and nullable = 'N' order by 1";
    // Stopped as soon as the rows are in and the first statement after them went.
    bool rowsIn = false;
    const auto stopped = rig.run({"customers"}, keepSchema(), [&](const convert::Progress &p) {
        rowsIn = rowsIn || logHas(rig, "Insert table CUSTOMERS 50 Rows ...Done");
        return !(rowsIn && p.step == "keys");
    });
    EXPECT_EQ(stopped.outcome, convert::RunOutcome::Stopped);
    EXPECT_EQ(stopped.converted, 0u);
    EXPECT_EQ(stopped.failed, 0u) << "a stopped table is not a failed one";
    EXPECT_EQ(rig.log().lines().back(), "Tables not converted: customers.");
    const auto partly = column(rig, notNull);
    EXPECT_LT(partly.size(), 4u) << "the statements after the stop were sent";

    // A resume sends what the stop left out, and nothing twice.
    rig.log().clear();
    auto resume = keepSchema();
    resume.resume = true;
    const auto resumed = rig.run({"customers"}, resume);
    EXPECT_EQ(resumed.converted, 1u) << testing::PrintToString(rig.log().lines());
    EXPECT_EQ(resumed.failed, 0u);
    EXPECT_EQ(column(rig, notNull), (std::vector<std::string>{"EMAIL", "ID", "NAME", "STATUS"}));
    EXPECT_EQ(column(rig, "select count(*) from \"CUSTOMERS\""), std::vector<std::string>{"50"});
    EXPECT_EQ(rig.mysqlRows("select count(*) from customers").at(0).at(0).data, "50");
}
