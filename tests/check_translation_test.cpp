// MySQL CHECK constraints carried to Oracle: the translation of each expression form on its own, MySQL 8's
// forms as its server prints them, and a MariaDB table whose checks are read back from the server, added
// to the stand-in's table and shown to accept and refuse the same rows on both sides.
#include "support/EngineRig.h"

#include "convert/CheckTranslation.h"
#include "convert/NameRules.h"
#include "convert/SourceChecks.h"

#include <gtest/gtest.h>

#include <algorithm>

using convert::CheckColumnType;
using convert::TranslateCheck;
using testsupport::EngineRig;

namespace {

const std::vector<CheckColumnType> kColumns = {
    {"id", "int", "int(11)", ""},
    {"qty", "int", "int(11)", ""},
    {"price", "decimal", "decimal(10,2)", ""},
    {"ratio", "double", "double", ""},
    {"code", "varchar", "varchar(10)", "utf8mb4_general_ci"},
    {"sku", "varchar", "varchar(12)", "utf8mb4_bin"},
    {"tag", "varchar", "varchar(12)", "utf8mb4_nopad_bin"},
    {"name", "varchar", "varchar(40)", "utf8mb4_0900_as_cs"},
    {"notes", "text", "text", "utf8mb4_general_ci"},
    {"doc", "longtext", "longtext", "utf8mb4_bin"},
    {"born", "date", "date", ""},
    {"seen", "datetime", "datetime(3)", ""},
    {"at", "time", "time", ""},
    {"bytes", "varbinary", "varbinary(16)", ""},
    {"Mixed", "int", "int(11)", ""},
};

std::string oracleColumn(const std::string &column)
{
    return convert::quoteOracleName(convert::ApplyNameCase(column, true), "column");
}

// The Oracle condition, or the reason as the failure message.
std::string carried(std::string_view expression)
{
    const auto t = TranslateCheck(expression, kColumns, oracleColumn);
    return t.carried() ? t.condition : "not carried: " + t.reason;
}

std::string reason(std::string_view expression) { return TranslateCheck(expression, kColumns, oracleColumn).reason; }

std::vector<std::string> caveats(std::string_view expression)
{
    return TranslateCheck(expression, kColumns, oracleColumn).caveats;
}

} // namespace

TEST(CheckTranslation, ComparisonsListsRangesAndNullTestsKeepTheirForm)
{
    EXPECT_EQ(carried("`qty` > 0"), "\"QTY\" > 0");
    EXPECT_EQ(carried("`qty` <> 1 and `qty` != 2 and `qty` <= 3 and `qty` >= -4"),
              "\"QTY\" <> 1 and \"QTY\" <> 2 and \"QTY\" <= 3 and \"QTY\" >= -4");
    EXPECT_EQ(carried("`price` between 0.01 and 9999.99 or `price` is null"),
              "\"PRICE\" between 0.01 and 9999.99 or \"PRICE\" is null");
    EXPECT_EQ(carried("`qty` not between 3 and 4 and `qty` not in (5,6) and `id` is not null"),
              "\"QTY\" not between 3 and 4 and \"QTY\" not in (5, 6) and \"ID\" is not null");
    EXPECT_EQ(carried("`sku` in ('A','B''s','it\\'s')"), "\"SKU\" in ('A', 'B''s', 'it''s')");
    // Names are matched as MySQL matches them, whatever their case in the clause.
    EXPECT_EQ(carried("`QTY` > `mixed`"), "\"QTY\" > \"MIXED\"");
    EXPECT_EQ(carried("`born` <= `seen`"), "\"BORN\" <= \"SEEN\"");
    EXPECT_EQ(carried("`qty` = NULL"), "\"QTY\" = NULL");
    EXPECT_EQ(carried("`ratio` > 1.5e3"), "\"RATIO\" > 1.5e3");
}

TEST(CheckTranslation, LogicFollowsMySqlPrecedenceAndBecomesOraclesWords)
{
    // MariaDB prints no parentheses that precedence makes unnecessary; MySQL 8 prints them all.
    EXPECT_EQ(carried("`qty` > 0 and `id` > 0 or `price` < 5"), "\"QTY\" > 0 and \"ID\" > 0 or \"PRICE\" < 5");
    EXPECT_EQ(carried("`qty` > 0 and (`id` > 0 or `price` < 5)"), "\"QTY\" > 0 and (\"ID\" > 0 or \"PRICE\" < 5)");
    EXPECT_EQ(carried("((`qty` > 0) and ((`id` > 0) or (`price` < 5)))"),
              "\"QTY\" > 0 and (\"ID\" > 0 or \"PRICE\" < 5)");
    EXPECT_EQ(carried("`qty` > 0 && `id` > 0 || !(`price` < 5)"), "\"QTY\" > 0 and \"ID\" > 0 or not (\"PRICE\" < 5)");
    EXPECT_EQ(carried("(not((`qty` = 1)))"), "not (\"QTY\" = 1)");
    // TRUE is printed as 1 by MariaDB, as true by MySQL; a number stands for "not 0".
    EXPECT_EQ(carried("`qty` > 0 and 1"), "\"QTY\" > 0 and 1 = 1");
    EXPECT_EQ(carried("(`qty` > 0) = true"), "\"QTY\" > 0");
    EXPECT_EQ(carried("(`qty` > 0) = false"), "not (\"QTY\" > 0)");
    EXPECT_EQ(carried("`qty`"), "\"QTY\" <> 0");
    // MariaDB's reading of NOT a = 1 under HIGH_NOT_PRECEDENCE compares a truth with 1; ! binds tighter than =.
    EXPECT_EQ(carried("`qty` = 0 = 1"), "\"QTY\" = 0");
    EXPECT_EQ(carried("!`qty` = 1"), "not (\"QTY\" <> 0)");
    EXPECT_EQ(reason("`qty` > 1 is not null"),
              "it uses the truth of a condition as a value, which Oracle SQL has no type for");
    EXPECT_EQ(reason("(`qty` > 1) + 1 > 0"),
              "it uses the truth of a condition as a value, which Oracle SQL has no type for");
    EXPECT_EQ(reason("`qty` > 0 xor `id` > 0"), "XOR has no Oracle equivalent");
    EXPECT_EQ(reason("`qty` > 0 is true"), "IS TRUE has no Oracle equivalent");
    EXPECT_EQ(reason("`code`"), "`code` stands where a condition should, which MySQL reads as a number and Oracle "
                                "cannot read at all");
}

TEST(CheckTranslation, NullSafeEqualityIsNeverUnknown)
{
    EXPECT_EQ(carried("`qty` <=> NULL"), "\"QTY\" is null");
    EXPECT_EQ(carried("!(`qty` <=> 13)"), "not (\"QTY\" is not null and \"QTY\" = 13)");
    EXPECT_EQ(carried("`qty` <=> `id`"), "(\"QTY\" = \"ID\" and \"QTY\" is not null and \"ID\" is not null) or "
                                         "(\"QTY\" is null and \"ID\" is null)");
    EXPECT_EQ(carried("`qty` <=> 1 and `id` > 0"), "\"QTY\" is not null and \"QTY\" = 1 and \"ID\" > 0");
    EXPECT_EQ(carried("`qty` <=> `id` and `id` > 0"),
              "((\"QTY\" = \"ID\" and \"QTY\" is not null and \"ID\" is not null) or (\"QTY\" is null and \"ID\" is "
              "null)) and \"ID\" > 0");
}

TEST(CheckTranslation, LikePatternsAreRewrittenForOraclesEscapeRules)
{
    // MariaDB prints the pattern x\_% as 'x\\_%': MySQL's default escape is the backslash.
    EXPECT_EQ(carried("`sku` like 'x\\\\_%'"), "\"SKU\" like 'x\\_%' escape '\\'");
    EXPECT_EQ(carried("`sku` like 'x\\_%'"), "\"SKU\" like 'x\\_%' escape '\\'");
    EXPECT_EQ(carried("`sku` like 'a%b_'"), "\"SKU\" like 'a%b_'");
    EXPECT_EQ(carried("`sku`  not like 'a|%|b' escape '|'"), "\"SKU\" not like 'a\\%b' escape '\\'");
    // Oracle refuses an escape before an ordinary character or at the end; MySQL takes the character.
    EXPECT_EQ(carried("`sku` like 'a\\\\b'"), "\"SKU\" like 'ab'");
    EXPECT_EQ(carried("`sku` like 'ab\\\\'"), "\"SKU\" like 'ab\\'");
    EXPECT_EQ(carried("`sku` like '10\\\\% off\\\\\\\\'"), "\"SKU\" like '10\\% off\\\\' escape '\\'");
    EXPECT_EQ(carried("`sku` like 'a%' escape ''"), "\"SKU\" like 'a%'");
    EXPECT_EQ(reason("`qty` like '1%'"),
              "LIKE on `qty`, which is not text, matches the text MySQL writes for it, which is not the text Oracle "
              "writes");
    EXPECT_EQ(reason("`sku` like `code`"), "the LIKE pattern is not a literal");
    EXPECT_EQ(reason("`notes` like 'a%'"), "`notes` (text) becomes a CLOB in Oracle, which does not compare");
}

TEST(CheckTranslation, TextComparisonsSayWhatTheCollationIgnores)
{
    EXPECT_EQ(carried("`code` in ('new','paid')"), "\"CODE\" in ('new', 'paid')");
    EXPECT_EQ(caveats("`code` in ('new','paid')"),
              std::vector<std::string>{"Oracle compares the text of `code` exactly, where MySQL's collation "
                                       "utf8mb4_general_ci ignores case and accents"});
    EXPECT_EQ(caveats("`code` like 'a%' or `code` = 'b'").size(), 1u);
    EXPECT_EQ(caveats("lcase(`code`) = `code`").size(), 1u);
    // Digits have no case; binary and case-sensitive collations compare as Oracle does.
    EXPECT_TRUE(caveats("`code` in ('1','2')").empty());
    EXPECT_TRUE(caveats("`sku` in ('new','paid') and ucase(`sku`) = `sku`").empty());
    EXPECT_TRUE(caveats("`name` = 'Zoë'").empty());
    // Ordering by a language's rules is not ordering by character code.
    EXPECT_EQ(caveats("`name` between 'A' and 'M'"),
              std::vector<std::string>{"Oracle orders the text of `name` by character code, where MySQL orders it "
                                       "by its collation utf8mb4_0900_as_cs"});
    EXPECT_TRUE(caveats("`sku` > 'A'").empty());
}

TEST(CheckTranslation, TheEmptyStringIsNotCarriedBecauseOracleHoldsItAsNull)
{
    const std::string empty = "'' is the empty string in MySQL but NULL in Oracle, so the condition would not test "
                              "the same";
    EXPECT_EQ(reason("`code` <> ''"), empty);
    EXPECT_EQ(reason("`sku` not in ('a','')"), empty);
    EXPECT_EQ(reason("`sku` like ''"), empty);
    // Under PAD SPACE collations ' ' is '' too; a NO PAD collation keeps it apart.
    EXPECT_EQ(reason("`code` <> '  '"), "'  ' equals '' under MySQL's collation utf8mb4_general_ci, which ignores "
                                        "trailing spaces, and Oracle holds '' as NULL");
    EXPECT_EQ(carried("`tag` <> ' '"), "\"TAG\" <> ' '");
}

TEST(CheckTranslation, NumbersAndTextMeetOnlyWhereMySqlAndOracleAgree)
{
    EXPECT_EQ(carried("`qty` = '5'"), "\"QTY\" = 5");
    EXPECT_EQ(carried("`qty` in ('1','+2.5')"), "\"QTY\" in (1, 2.5)");
    EXPECT_EQ(reason("`qty` = '5x'"), "it compares `qty` with '5x', which is not a number");
    EXPECT_EQ(reason("`code` > 5"), "it compares the text `code` with 5: MySQL compares them as numbers, and Oracle "
                                    "fails on text that is not one");
    EXPECT_EQ(reason("`qty` = 0x41"), "the literal 0x41 is a number or bytes in MySQL, depending on where it stands");
    EXPECT_EQ(reason("`qty` > 1e300"), "the number 1e300 is beyond Oracle's NUMBER");
}

TEST(CheckTranslation, DatesCompareWithDaysWrittenInFull)
{
    EXPECT_EQ(carried("`born` >= '2000-01-01'"), "\"BORN\" >= to_date('2000-01-01', 'YYYY-MM-DD')");
    EXPECT_EQ(carried("`seen` < '2020-02-29 23:59:59' and `seen` > '2020-01-01 00:00:00.250'"),
              "\"SEEN\" < to_date('2020-02-29 23:59:59', 'YYYY-MM-DD HH24:MI:SS') and \"SEEN\" > "
              "to_timestamp('2020-01-01 00:00:00.250', 'YYYY-MM-DD HH24:MI:SS.FF')");
    EXPECT_EQ(carried("`born` < DATE'2030-01-01'"), "\"BORN\" < to_date('2030-01-01', 'YYYY-MM-DD')");
    EXPECT_EQ(carried("`born` between '2000-01-01' and `seen`"),
              "\"BORN\" between to_date('2000-01-01', 'YYYY-MM-DD') and \"SEEN\"");
    const std::string notADay = ", which is not a day written YYYY-MM-DD, with HH:MM:SS after it or not";
    EXPECT_EQ(reason("`born` > '2019-02-29'"), "it compares `born` with '2019-02-29'" + notADay);
    EXPECT_EQ(reason("`born` > '2020-1-1'"), "it compares `born` with '2020-1-1'" + notADay);
    EXPECT_EQ(reason("`born` > '0000-00-00'"), "it compares `born` with '0000-00-00'" + notADay);
    EXPECT_EQ(reason("`born` > 20000101"), "it compares `born` with 20000101, values of different kinds");
    EXPECT_EQ(reason("`at` > '10:00:00'"), "`at` (time) becomes a date in Oracle, so times of day do not compare");
}

TEST(CheckTranslation, ArithmeticOnExactNumbersOnly)
{
    EXPECT_EQ(carried("`qty` * `price` <= 1000"), "(\"QTY\" * \"PRICE\") <= 1000");
    EXPECT_EQ(carried("`qty` + `id` * 2 - 1 > 0"), "((\"QTY\" + (\"ID\" * 2)) - 1) > 0");
    EXPECT_EQ(carried("((`qty` + `id`) * 2) > 0"), "((\"QTY\" + \"ID\") * 2) > 0");
    // "--" would start an Oracle comment.
    EXPECT_EQ(carried("`qty` - -1 > - -2"), "(\"QTY\" - (-1)) > -(-2)");
    EXPECT_EQ(carried("-`qty` < 0 and abs(`price`) < 100"), "-\"QTY\" < 0 and abs(\"PRICE\") < 100");
    EXPECT_EQ(reason("`qty` / 2 > 1"), "division: MySQL gives NULL for a zero divisor and rounds the quotient, "
                                       "Oracle fails on a zero divisor and keeps every digit");
    EXPECT_EQ(reason("`qty` MOD 2 = 0"), "the operator MOD has no Oracle equivalent of the same meaning");
    EXPECT_EQ(reason("`qty` & 1 = 0"), "the operator & has no Oracle equivalent of the same meaning");
    EXPECT_EQ(reason("`ratio` + 1 > 2"), "arithmetic on `ratio`, a binary floating-point value in MySQL, rounds "
                                         "otherwise than Oracle's decimal numbers");
    EXPECT_EQ(reason("`code` + 1 > 2"), "arithmetic on `code`, which is not a number");
}

TEST(CheckTranslation, FunctionsWithTheSameMeaningAndTheRestByName)
{
    EXPECT_EQ(carried("char_length(`code`) between 2 and 5"), "length(\"CODE\") between 2 and 5");
    EXPECT_EQ(carried("lcase(`sku`) = `sku` and upper(`tag`) <> 'X'"),
              "lower(\"SKU\") = \"SKU\" and upper(\"TAG\") <> 'X'");
    EXPECT_EQ(carried("json_valid(`doc`)"), "\"DOC\" is json strict");
    EXPECT_EQ(carried("json_valid(`doc`) = 1"), "\"DOC\" is json strict");
    EXPECT_EQ(reason("`qty` + `id` > f(`code`)"), "the function f has no Oracle equivalent");
    EXPECT_EQ(reason("cast(`code` as signed) > 0"), "the function cast has no Oracle equivalent");
    EXPECT_EQ(reason("length(`code`) < 5"), "MySQL's length() counts bytes and Oracle's length() characters");
    EXPECT_EQ(reason("char_length(`qty`) < 5"), "char_length of `qty`, which is not text");
    EXPECT_EQ(reason("`code` regexp '^a'"), "MySQL's and Oracle's regular expressions are different languages");
}

TEST(CheckTranslation, ColumnsWhoseOracleTypeDoesNotCompareAreNamed)
{
    EXPECT_EQ(reason("`notes` = 'x'"), "`notes` (text) becomes a CLOB in Oracle, which does not compare");
    EXPECT_EQ(reason("`bytes` = 'x'"), "`bytes` (varbinary(16)) has no Oracle type that compares as MySQL compares it");
    EXPECT_EQ(carried("`notes` is not null and `bytes` is null"), "\"NOTES\" is not null and \"BYTES\" is null");
    EXPECT_EQ(reason("`gone` > 0"), "it names `gone`, which is not a column of the table");
}

TEST(CheckTranslation, NoNameOrLiteralChangesTheStatement)
{
    EXPECT_EQ(carried("`sku` = 'a\" or 1=1 --' or `sku` = 'x'' or ''1''=''1'"),
              "\"SKU\" = 'a\" or 1=1 --' or \"SKU\" = 'x'' or ''1''=''1'");
    EXPECT_EQ(carried("`sku` = 'line\\nbreak'"), "\"SKU\" = 'line\nbreak'");
    EXPECT_EQ(reason("`sku` = 'nul\\0'"), "a text literal of it holds a NUL character, which an Oracle literal cannot");
    const std::vector<CheckColumnType> quoted = {{"a\"b", "int", "int(11)", ""}};
    EXPECT_EQ(TranslateCheck("`a\"b` > 0", quoted, oracleColumn).reason,
              "The column name A\"B contains a double quote, which an Oracle name cannot hold");
    EXPECT_EQ(reason("`sku` = 'x' or 1=1) or (1"), "its text cannot be read: ')' is not expected where it stands");
    EXPECT_EQ(reason("`sku` = 'unended"), "its text cannot be read: it ends inside a quoted string");
    EXPECT_EQ(reason("case when `qty` > 0 then 1 end = 1"), "a CASE expression is not translated");
}

// MySQL 8 prints every operation in parentheses, string literals with their character set, and its
// information schema escapes the clause once more. These are the server's own texts.
TEST(CheckTranslation, MySqlEightFormsAsTheServerPrintsThem)
{
    using convert::MySqlCheckClauseText;
    EXPECT_EQ(MySqlCheckClauseText("(`f1` < 10)"), "`f1` < 10");
    EXPECT_EQ(MySqlCheckClauseText("((`f1` + `f2`) > 10)"), "(`f1` + `f2`) > 10");
    EXPECT_EQ(MySqlCheckClauseText("(`a` > 0) and (`b` > 0)"), "(`a` > 0) and (`b` > 0)");
    EXPECT_EQ(MySqlCheckClauseText("((`type` = _utf8mb4\\'A\\') and (`amount` is not null))"),
              "(`type` = _utf8mb4'A') and (`amount` is not null)");
    EXPECT_EQ(MySqlCheckClauseText("(`code` = _utf8mb4\\'O\\\\\\'Reilly\\')"), "`code` = _utf8mb4'O\\'Reilly'");
    EXPECT_EQ(MySqlCheckClauseText("(`c` = _utf8mb4'it\\'s')"), "`c` = _utf8mb4'it\\'s'");

    const std::vector<CheckColumnType> t1 = {{"f1", "int", "int", ""},
                                             {"f2", "int", "int", ""},
                                             {"c1", "char", "char(1)", "utf8mb4_0900_ai_ci"},
                                             {"c10", "double", "double(6,2)", ""},
                                             {"state", "varchar", "varchar(10)", "utf8mb4_0900_bin"},
                                             {"code", "varchar", "varchar(10)", "utf8mb4_0900_bin"}};
    const auto oracle = [&t1](std::string_view clause) {
        const auto t = TranslateCheck(MySqlCheckClauseText(clause), t1, oracleColumn);
        return t.carried() ? t.condition : "not carried: " + t.reason;
    };
    EXPECT_EQ(oracle("(`f1` in (10,20,30))"), "\"F1\" in (10, 20, 30)");
    EXPECT_EQ(oracle("(`f1` between 10 and 30)"), "\"F1\" between 10 and 30");
    EXPECT_EQ(oracle("(`f1` is not null)"), "\"F1\" is not null");
    EXPECT_EQ(oracle("((`f1` + `f2`) > 10)"), "(\"F1\" + \"F2\") > 10");
    EXPECT_EQ(oracle("(`c10` > 10.1)"), "\"C10\" > 10.1");
    EXPECT_EQ(oracle("(`c1` > _utf8mb4\\'A\\')"), "\"C1\" > 'A'");
    EXPECT_EQ(oracle("((`state` = _utf8mb4\\'CLOSED\\') and (`f1` is not null))"),
              "\"STATE\" = 'CLOSED' and \"F1\" is not null");
    EXPECT_EQ(oracle("(`code` in (_utf8mb4\\'c\\',_utf8mb4\\'d\\'))"), "\"CODE\" in ('c', 'd')");
    EXPECT_EQ(oracle("(`code` = _utf8mb4\\'O\\\\\\'Reilly\\')"), "\"CODE\" = 'O''Reilly'");
    EXPECT_EQ(oracle("(`code` like _utf8mb4\\'a\\\\\\\\_%\\' escape _utf8mb4\\'\\\\\\\\\\')"),
              "\"CODE\" like 'a\\_%' escape '\\'");
    EXPECT_EQ(oracle("((`f1` + sqrt(`f2`)) > 6174)"), "not carried: the function sqrt has no Oracle equivalent");
    EXPECT_EQ(oracle("((case when (`f1` > 10) then (`f2` = 20) end) = 1)"),
              "not carried: a CASE expression is not translated");
    EXPECT_EQ(oracle("(`f1` < 0x7c)"),
              "not carried: the literal 0x7c is a number or bytes in MySQL, depending on where it stands");
    EXPECT_EQ(TranslateCheck(MySqlCheckClauseText("(`c1` > _utf8mb4\\'A\\')"), t1, oracleColumn).caveats,
              std::vector<std::string>{"Oracle orders the text of `c1` by character code, where MySQL orders it by "
                                       "its collation utf8mb4_0900_ai_ci"});
}

TEST(CheckTranslation, CarryingACheckGivesItsConditionOrItsLine)
{
    convert::SourceCheck check{"chk_x", "`qty` + `id` > f(`code`)"};
    auto result = convert::CarryCheck(check, kColumns, oracleColumn);
    EXPECT_TRUE(result.condition.empty());
    EXPECT_EQ(result.lines, std::vector<std::string>{"CHECK chk_x (`qty` + `id` > f(`code`)) is not carried: the "
                                                     "function f has no Oracle equivalent"});

    check = {"chk_status", "`code` in ('new','paid')"};
    result = convert::CarryCheck(check, kColumns, oracleColumn);
    EXPECT_EQ(result.condition, "\"CODE\" in ('new', 'paid')");
    EXPECT_EQ(result.lines, std::vector<std::string>{"CHECK chk_status is carried, but Oracle compares the text of "
                                                     "`code` exactly, where MySQL's collation utf8mb4_general_ci "
                                                     "ignores case and accents"});

    check = {"t1_chk_2", "`qty` < 10", convert::SourceCheck::Level::Table, false};
    result = convert::CarryCheck(check, kColumns, oracleColumn);
    EXPECT_TRUE(result.condition.empty());
    EXPECT_EQ(result.lines,
              std::vector<std::string>{"CHECK t1_chk_2 (`qty` < 10) is not carried: MySQL does not enforce it"});
}

namespace {

// A MariaDB table whose checks cover what is carried and what is not; its two rows meet every check.
const std::vector<std::string> kOrders = {
    "create table orders (id int primary key, qty int check (qty > 0), price decimal(10,2),"
    " status varchar(10) collate utf8mb4_general_ci, sku varchar(12) collate utf8mb4_bin, placed date,"
    " shipped datetime, doc json, note varchar(20),"
    " constraint chk_price check (price between 0.01 and 9999.99 or price is null),"
    " constraint chk_status check (status in ('new','paid','gone')),"
    " constraint chk_sku check (sku like 'SKU\\_%' and sku not like '%!%%' escape '!'),"
    " constraint chk_dates check (shipped >= placed or shipped is null),"
    " constraint chk_placed check (placed >= '2000-01-01'),"
    " constraint chk_total check (qty * price <= 10000),"
    " constraint chk_note check (char_length(note) >= 2 and note <> 'none'),"
    " constraint chk_lucky check (not (qty <=> 13)),"
    " constraint chk_empty check (note <> ''),"
    " constraint chk_hash check (qty + id > -crc32(note)),"
    " constraint chk_half check (qty / 2 < 100))",
    "insert into orders values (1, 2, 10.50, 'new', 'SKU_1', '2020-01-01', '2020-01-02 10:00:00', '{\"a\": 1}',"
    " 'first')",
    "insert into orders values (2, 1, NULL, 'paid', 'SKU_2', '2021-05-05', NULL, '[1, 2]', NULL)"};

// One row to offer both servers, a valid one unless a field is changed. Dates are written YYYY-MM-DD
// [HH:MM:SS], empty for NULL; the other fields as SQL both servers read alike.
struct Offer {
    std::string qty = "5", price = "9.99", status = "'paid'", sku = "'SKU_9'", placed = "2020-01-01",
                shipped = "2020-01-03 08:00:00", doc = "'{\"b\": [true]}'", note = "'fine'";
};

class CarriedChecks : public ::testing::Test {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }

    static std::string mysqlMoment(const std::string &text) { return text.empty() ? "NULL" : "'" + text + "'"; }
    static std::string oracleMoment(const std::string &text)
    {
        if (text.empty())
            return "NULL";
        return "to_date('" + text + "', '" + (text.size() == 10 ? "YYYY-MM-DD" : "YYYY-MM-DD HH24:MI:SS") + "')";
    }

    // Whether MySQL takes the row; a refusal must come from a CHECK constraint.
    static bool mysqlTakes(EngineRig &rig, int id, const Offer &o)
    {
        try {
            rig.mysql().execute("insert into orders values (" + std::to_string(id) + ", " + o.qty + ", " + o.price +
                                ", " + o.status + ", " + o.sku + ", " + mysqlMoment(o.placed) + ", " +
                                mysqlMoment(o.shipped) + ", " + o.doc + ", " + o.note + ")");
            return true;
        } catch (const db::Error &e) {
            EXPECT_NE(std::string(e.what()).find("CONSTRAINT"), std::string::npos) << e.what();
            return false;
        }
    }

    // Whether Oracle takes it; a refusal must be a CHECK constraint's.
    static bool oracleTakes(EngineRig &rig, int id, const Offer &o)
    {
        try {
            rig.oracleData().execute("insert into \"ORDERS\" values (" + std::to_string(id) + ", " + o.qty + ", " +
                                     o.price + ", " + o.status + ", " + o.sku + ", " + oracleMoment(o.placed) + ", " +
                                     oracleMoment(o.shipped) + ", " + o.doc + ", " + o.note + ")");
            return true;
        } catch (const db::Error &e) {
            EXPECT_EQ(std::string(e.what()).rfind("ORA-02290", 0), 0u) << e.what();
            return false;
        }
    }
};

} // namespace

TEST_F(CarriedChecks, OracleTakesAndRefusesTheRowsMariaDbTakesAndRefuses)
{
    EngineRig rig(kOrders);
    const auto source = convert::ReadSourceChecks(rig.catalog(), "orders");

    // The texts as the server writes them, the JSON column's own check among them.
    std::vector<std::string> read;
    for (const auto &c : source.checks)
        read.push_back(c.name + (c.level == convert::SourceCheck::Level::Column ? " (column): " : ": ") + c.expression);
    EXPECT_EQ(read, (std::vector<std::string>{
                        "qty (column): `qty` > 0",
                        "doc (column): json_valid(`doc`)",
                        "chk_price: `price` between 0.01 and 9999.99 or `price` is null",
                        "chk_status: `status` in ('new','paid','gone')",
                        "chk_sku: `sku` like 'SKU\\\\_%' and `sku`  not like '%!%%' escape '!'",
                        "chk_dates: `shipped` >= `placed` or `shipped` is null",
                        "chk_placed: `placed` >= '2000-01-01'",
                        "chk_total: `qty` * `price` <= 10000",
                        "chk_note: char_length(`note`) >= 2 and `note` <> 'none'",
                        "chk_lucky: !(`qty` <=> 13)",
                        "chk_empty: `note` <> ''",
                        "chk_hash: `qty` + `id` > -crc32(`note`)",
                        "chk_half: `qty` / 2 < 100",
                    }));
    ASSERT_EQ(source.columns.size(), 9u);
    EXPECT_EQ(source.columns[3].collation, "utf8mb4_general_ci");

    // The table and its rows as a run brings them, then every check that is carried.
    const auto summary = rig.run({"orders"});
    ASSERT_EQ(summary.failed, 0u) << testing::PrintToString(rig.log().lines());
    std::vector<std::string> lines;
    for (const auto &check : source.checks) {
        const auto carried = convert::CarryCheck(check, source.columns, oracleColumn);
        lines.insert(lines.end(), carried.lines.begin(), carried.lines.end());
        if (!carried.condition.empty())
            rig.oracleConn().execute("alter table \"ORDERS\" add constraint " +
                                     convert::quoteOracleName("CK_" + convert::ApplyNameCase(check.name, true)) +
                                     " check (" + carried.condition + ")");
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "CHECK chk_status is carried, but Oracle compares the text of `status` exactly, where "
                         "MySQL's collation utf8mb4_general_ci ignores case and accents",
                         "CHECK chk_note is carried, but Oracle compares the text of `note` exactly, where MySQL's "
                         "collation utf8mb4_general_ci ignores case and accents",
                         "CHECK chk_empty (`note` <> '') is not carried: '' is the empty string in MySQL but NULL in "
                         "Oracle, so the condition would not test the same",
                         "CHECK chk_hash (`qty` + `id` > -crc32(`note`)) is not carried: the function crc32 has no "
                         "Oracle equivalent",
                         "CHECK chk_half (`qty` / 2 < 100) is not carried: division: MySQL gives NULL for a zero "
                         "divisor and rounds the quotient, Oracle fails on a zero divisor and keeps every digit",
                     }));
    const auto conditions = rig.oracleRows("select constraint_name, search_condition from user_constraints"
                                           " where table_name = 'ORDERS' and constraint_type = 'C'"
                                           " order by constraint_name");
    ASSERT_EQ(conditions.size(), 10u);
    EXPECT_EQ(conditions[0][0].data, "CK_CHK_DATES");
    EXPECT_EQ(conditions[0][1].data, "\"SHIPPED\" >= \"PLACED\" or \"SHIPPED\" is null");
    EXPECT_EQ(conditions[9][0].data, "CK_QTY");

    // Every offer meets the same verdict on both sides.
    const auto offer = [](auto change) {
        Offer o;
        change(o);
        return o;
    };
    const std::vector<std::pair<std::string, Offer>> offers = {
        {"a valid row", Offer{}},
        {"qty 0", offer([](Offer &o) { o.qty = "0"; })},
        {"qty NULL", offer([](Offer &o) { o.qty = "NULL"; })},
        {"price 0.00", offer([](Offer &o) { o.price = "0.00"; })},
        {"status lost", offer([](Offer &o) { o.status = "'lost'"; })},
        {"sku without its underscore", offer([](Offer &o) { o.sku = "'SKUX9'"; })},
        {"sku with a percent sign", offer([](Offer &o) { o.sku = "'SKU_5%'"; })},
        {"shipped before placed", offer([](Offer &o) { o.shipped = "2019-12-31 23:59:59"; })},
        {"shipped the day it was placed", offer([](Offer &o) { o.shipped = "2020-01-01 00:00:00"; })},
        {"placed in 1999", offer([](Offer &o) { o.placed = "1999-12-31", o.shipped = ""; })},
        {"a total over 10000", offer([](Offer &o) { o.qty = "101", o.price = "100"; })},
        {"a total of 10000", offer([](Offer &o) { o.qty = "100", o.price = "100"; })},
        {"a one-letter note", offer([](Offer &o) { o.note = "'a'"; })},
        {"the note none", offer([](Offer &o) { o.note = "'none'"; })},
        {"no note", offer([](Offer &o) { o.note = "NULL"; })},
        {"qty 13", offer([](Offer &o) { o.qty = "13"; })},
        {"a broken document", offer([](Offer &o) { o.doc = "'{\"a\":'"; })},
        {"an array document", offer([](Offer &o) { o.doc = "'[1]'"; })},
        {"no document", offer([](Offer &o) { o.doc = "NULL"; })},
    };
    const std::vector<bool> expected = {true,  false, true,  false, false, false, false, false, true, false,
                                        false, true,  false, false, true,  false, false, true,  true};
    ASSERT_EQ(offers.size(), expected.size());
    for (std::size_t i = 0; i < offers.size(); ++i) {
        const int id = 100 + static_cast<int>(i);
        EXPECT_EQ(mysqlTakes(rig, id, offers[i].second), expected[i]) << "MariaDB, " << offers[i].first;
        EXPECT_EQ(oracleTakes(rig, id, offers[i].second), expected[i]) << "Oracle, " << offers[i].first;
    }

    // Where they part, the log has said so: a case MySQL's collation ignores, and the empty string.
    EXPECT_TRUE(mysqlTakes(rig, 200, offer([](Offer &o) { o.status = "'PAID'"; })));
    EXPECT_FALSE(oracleTakes(rig, 200, offer([](Offer &o) { o.status = "'PAID'"; })));
    EXPECT_FALSE(mysqlTakes(rig, 201, offer([](Offer &o) { o.note = "''"; })));
    EXPECT_TRUE(oracleTakes(rig, 201, offer([](Offer &o) { o.note = "''"; })));
    // Oracle 19c takes only an object or an array as a JSON document; MySQL also takes a bare scalar.
    EXPECT_TRUE(mysqlTakes(rig, 202, offer([](Offer &o) { o.doc = "'1'"; })));
    EXPECT_FALSE(oracleTakes(rig, 202, offer([](Offer &o) { o.doc = "'1'"; })));
    rig.oracleData().rollback();
}

TEST_F(CarriedChecks, TablesWithoutChecksAndChecksMySqlCannotReadBack)
{
    EngineRig rig({"create table plain (id int primary key, name varchar(10))",
                   "create table odd (`a\"b` int, `c` int, constraint `x\"y` check (`a\"b` > 0 and c in (1,2)))"});
    const auto plain = convert::ReadSourceChecks(rig.catalog(), "plain");
    EXPECT_TRUE(plain.checks.empty());
    EXPECT_TRUE(plain.columns.empty());
    // A table name is bound, never pasted: this one matches no table.
    EXPECT_TRUE(convert::ReadSourceChecks(rig.catalog(), "plain' or '1'='1").checks.empty());

    const auto odd = convert::ReadSourceChecks(rig.catalog(), "odd");
    ASSERT_EQ(odd.checks.size(), 1u);
    EXPECT_EQ(odd.checks[0].expression, "`a\"b` > 0 and `c` in (1,2)");
    const auto carried = convert::CarryCheck(odd.checks[0], odd.columns, oracleColumn);
    EXPECT_EQ(carried.lines, std::vector<std::string>{"CHECK x\"y (`a\"b` > 0 and `c` in (1,2)) is not carried: The "
                                                      "column name A\"B contains a double quote, which an Oracle name "
                                                      "cannot hold"});
}
