// The whole wizard as a user drives it: six pages against the sandbox MariaDB and the Oracle stand-in,
// two tables converted (one with a name over 30 bytes and a large object), the log as the user reads
// it, and every Oracle row equal to its MySQL row.
#include "support/GuiFlow.h"

#include "db/Drivers.h"

using testsupport::GuiFlowTest;

namespace {

const char *kLongName = "customer_loyalty_program_memberships_2024"; // 41 bytes

// A row as text, NULL and the empty text alike (Oracle stores an empty string as NULL).
using TextRow = std::vector<std::optional<std::string>>;

std::vector<TextRow> asText(const std::vector<db::Row> &rows)
{
    std::vector<TextRow> out;
    for (const auto &row : rows) {
        TextRow r;
        for (const auto &v : row)
            r.push_back(v.isNull() || v.data.empty() ? std::nullopt : std::optional<std::string>(v.data));
        out.push_back(r);
    }
    return out;
}

} // namespace

class EndToEndTest : public GuiFlowTest {
protected:
    std::vector<TextRow> oracleRows(const std::string &sql)
    {
        auto reader = db::createOracleConnection();
        reader->replaceProfile(oracle->profile());
        reader->open();
        return asText(reader->query(sql));
    }
    std::vector<TextRow> mysqlRows(const std::string &sql) { return asText(mysql->admin().query(sql)); }
};

TEST_F(EndToEndTest, TheWizardConvertsTwoTablesFromPage1ToFinish)
{
    const std::string longName = kLongName;
    createSource({
        "create table customers (id int primary key, full_name varchar(40) not null, city varchar(20) null, "
        "balance decimal(10,2) not null, born date null, seen datetime not null, notes text null, "
        "key idx_customers_city (city))",
        // 150 rows: the row copy passes a progress point on the way.
        "insert into customers with recursive s(n) as (select 1 union all select n + 1 from s where n < 150) "
        "select n, concat(elt(1 + n % 4, 'Anna ', 'Jürgen ', '李 ', 'Zoë '), n), if(n % 5 = 0, null, "
        "elt(1 + n % 3, 'Berlin', '上海', 'Tromsø')), (n * 37 % 10000) / 4 - 100, "
        "if(n % 7 = 0, null, '1980-01-01' + interval n day), '2024-02-29 23:59:58' - interval n hour, "
        "if(n % 2 = 0, null, repeat('note ', n)) from s",
        "create table " + longName + " (id int primary key, tier enum('bronze','gold') not null, photo blob null)",
        "insert into " + longName + " values (1, 'gold', x'00010203ff'), (2, 'bronze', null), "
        "(3, 'gold', repeat(x'89504e47', 3000))",
        "create table untouched (id int)",
    });
    createTarget();
    Taaform1 &w = makeWindow();

    // 1: welcome.
    EXPECT_EQ(shownPage(), 1);
    clickAndWait("btnext");
    // 2: the MySQL server.
    ASSERT_EQ(w.currentPage(), 2);
    typeSourceEntries(mysql->name());
    clickAndWait("btnext");
    // 3: the Oracle server.
    ASSERT_EQ(w.currentPage(), 3) << lastMessage();
    typeTargetEntries();
    clickAndWait("btnext");
    // 4: the database is preselected; the options stay as they are.
    ASSERT_EQ(w.currentPage(), 4) << lastMessage();
    ASSERT_EQ(list("mysqldblist").selectedItems().size(), 1);
    clickAndWait("btnext");
    // 5: choose the long name first, then customers: the run takes them in that order.
    ASSERT_EQ(w.currentPage(), 5) << lastMessage();
    EXPECT_EQ(items(list("mysqltablelist")),
              (QStringList{"customer_loyalty_program_memberships_2024", "customers", "untouched"}));
    button("Button1").click(); // the first table is highlighted after the listing
    button("Button1").click(); // and then customers, which moved up
    EXPECT_EQ(items(list("mysqltableselect")),
              (QStringList{"customer_loyalty_program_memberships_2024", "customers"}));
    clickAndWait("btnext");
    // 6: the log.
    ASSERT_EQ(w.currentPage(), 6) << lastMessage();
    EXPECT_TRUE(prompts.asked.empty()) << lastMessage();

    const QString shortName = "CUSTOMER_LOYALTY_PROGRAM_M0000"; // 26 bytes and the first free counter
    EXPECT_EQ(logLines(), (QStringList{
                              "Create table " + shortName + "...Done",
                              "",
                              "Insert table " + shortName + " 3 Rows ...Done",
                              "",
                              "Create table CUSTOMERS...Done",
                              "",
                              "Insert table CUSTOMERS 150 Rows ...Done",
                              "",
                              "Conversion is Completed",
                              "Wizard has migrated your MySQL database to Oracle server successfully.",
                              "Click 'Finish' to exit the wizard.",
                          }));

    // Every row arrived as it was: numbers exact, dates with their time of day, text, NULLs, bytes.
    const auto mysqlCustomers = mysqlRows(
        "select id, full_name, city, trim(trailing '.' from trim(trailing '0' from cast(balance as char))), "
        "date_format(born, '%Y-%m-%d 00:00:00'), date_format(seen, '%Y-%m-%d %H:%i:%s'), notes "
        "from customers order by id");
    ASSERT_EQ(mysqlCustomers.size(), 150u);
    EXPECT_EQ(oracleRows("select \"ID\", \"FULL_NAME\", \"CITY\", \"BALANCE\", \"BORN\", \"SEEN\", \"NOTES\" "
                         "from \"CUSTOMERS\" order by \"ID\""),
              mysqlCustomers);
    EXPECT_EQ(oracleRows("select \"ID\", \"TIER\", \"PHOTO\" from \"" + shortName.toStdString() + "\" order by \"ID\""),
              mysqlRows("select id, tier, photo from " + longName + " order by id"));
    EXPECT_EQ(oracleRows("select count(*) from user_tables"), (std::vector<TextRow>{{"2"}}));

    // Finish closes the wizard.
    clickAndWait("btnext");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(QSettings("Quessra", "Morvane").value("oracleh").toString().toStdString(), oracle->service());
}
