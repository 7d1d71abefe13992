// A table with a column of every type MariaDB offers, each cycling through its edge values (maxima and
// minima, fractional seconds, all-ones bits, 0x00 and 0xFF bytes, a polygon with a hole, emoji), converted
// end to end and compared with MySQL value for value. MORVANE_EVERY_TYPE_ROWS sets the number of rows
// (default 1000); the test prints the rows on both sides and the rows refused.
#include "support/EngineRig.h"
#include "support/Env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

using testsupport::EngineRig;

namespace {

// One column: how MySQL declares it, the values it cycles through (SQL expressions of seq; the largest
// values of a family come once among small ones, to keep the table's size down), and how the two sides are
// read to be compared.
struct Family {
    enum class Compare { Exact, Number, Single, Double, Date };
    Family(std::string column, std::string declaration, std::vector<std::string> values,
           Compare compare = Compare::Exact, std::string mysqlRead = {})
        : column(std::move(column)), declaration(std::move(declaration)), values(std::move(values)), compare(compare),
          mysqlRead(std::move(mysqlRead))
    {
    }
    std::string column;
    std::string declaration;
    std::vector<std::string> values;
    Compare compare;
    std::string mysqlRead; // expression reading the MySQL side; the column itself when empty
};

using C = Family::Compare;

const std::vector<Family> &families()
{
    static const std::vector<Family> all = {
        {"ti", "tinyint", {"-128", "127", "0"}, C::Number},
        {"tiu", "tinyint unsigned", {"255", "0"}, C::Number},
        {"si", "smallint", {"-32768", "32767"}, C::Number},
        {"mi", "mediumint", {"-8388608", "8388607"}, C::Number},
        {"i", "int", {"-2147483648", "2147483647", "seq"}, C::Number},
        {"bi", "bigint", {"-9223372036854775808", "9223372036854775807"}, C::Number},
        {"biu", "bigint unsigned", {"18446744073709551615", "0"}, C::Number},
        // 38 significant digits are what a NUMBER keeps; more would be refused, as they should be.
        {"de",
         "decimal(65,30)",
         {"99999999.999999999999999999999999999999", "-0.000000000000000000000000000001", "0"},
         C::Number},
        {"du", "decimal(10,2) unsigned", {"99999999.99", "0.01"}, C::Number},
        {"f",
         "float",
         {"123456792", "16777217", "3.40282e38", "1.17549435e-38", "0.1", "-0.0"},
         C::Single,
         "cast(f as double)"},
        {"d", "double", {"0.1", "1e125", "-1e-130", "0.30000000000000004", "123456789.12345679"}, C::Double},
        {"y", "year", {"1901", "2155", "2024"}, C::Number},
        {"b1", "bit(1)", {"b'0'", "b'1'"}, C::Number, "b1 + 0"},
        {"b64",
         "bit(64)",
         {"b'1111111111111111111111111111111111111111111111111111111111111111'", "b'0'"},
         C::Number,
         "b64 + 0"},
        {"c", "char(10)", {"'ÅÄÖåäöÉÈÊË'", "'a'", "''"}},
        {"v", "varchar(20)", {"repeat('é', 20)", "repeat('😀', 20)", "concat('v', seq)"}},
        {"vw", "varchar(2000)", {"repeat('ж', 2000)", "'short'"}},
        {"e", "enum('small','médium','large')", {"'small'", "'médium'", "'large'"}},
        {"s", "set('a','b','ç')", {"'a,b,ç'", "''", "'ç'"}},
        {"tt", "tinytext", {"repeat('x', 255)", "'中文'"}},
        {"t", "text", {"repeat('Ünïcödé ', 5000)", "'😀'", "'a'", "'b'", "'c'", "'d'", "'e'", "'f'"}},
        {"mt", "mediumtext", {"repeat('m', 70000)", "'m'", "'a'", "'b'", "'c'", "'d'", "'e'", "'f'"}},
        {"lt", "longtext", {"'long'", "repeat('🚀', 1000)"}},
        {"tb", "tinyblob", {"unhex(repeat('00FF', 127))", "x'00'"}},
        {"bl", "blob", {"unhex(repeat('FF00', 30000))", "x'FF'", "x'01'", "x'02'", "x'03'", "x'04'", "x'05'", "x'06'"}},
        {"mb", "mediumblob", {"repeat(x'00', 70000)", "x'01'", "x'02'", "x'03'", "x'04'", "x'05'", "x'06'", "x'07'"}},
        {"lb", "longblob", {"repeat(x'ABCDEF', 1000)", "x'00'"}},
        {"bn", "binary(16)", {"unhex('00FF00FF00FF00FF00FF00FF00FF00FF')", "x'FF'", "unhex(md5(seq))"}},
        {"vb", "varbinary(255)", {"x'00'", "unhex(repeat('FF', 255))", "unhex(md5(seq))"}},
        {"vbw", "varbinary(3000)", {"unhex(repeat('00FF', 1500))", "x'AB'"}},
        {"da",
         "date",
         {"'1000-01-01'", "'9999-12-31'", "'2024-02-29'"},
         C::Date,
         "date_format(da, '%Y-%m-%d 00:00:00')"},
        {"dt", "datetime", {"'1000-01-01 00:00:00'", "'9999-12-31 23:59:59'"}, C::Date},
        {"dt6",
         "datetime(6)",
         {"'9999-12-31 23:59:59.999999'", "'1000-01-01 00:00:00.000000'", "'2024-01-02 03:04:05.000001'"},
         C::Date},
        {"ts", "timestamp null", {"'1970-01-01 00:00:01'", "'2038-01-19 03:14:07'"}, C::Date},
        {"ts3", "timestamp(3) null", {"'2038-01-19 03:14:07.999'", "'1970-01-01 00:00:01.001'"}, C::Date},
        {"tm", "time", {"'00:00:00'", "'23:59:59'", "'12:34:56'"}, C::Date, "concat('1970-01-01 ', tm)"},
        {"tm3", "time(3)", {"'23:59:59.999'", "'00:00:00.001'"}, C::Date, "concat('1970-01-01 ', tm3)"},
        {"g",
         "geometry",
         {"ST_GeomFromText('POLYGON((0 0,10 0,10 10,0 10,0 0),(2 2,3 2,3 3,2 2))')", "ST_GeomFromText('POINT(1 2)')"},
         C::Exact,
         "st_aswkb(g)"},
        {"p", "point", {"point(-1.5, 1e300)", "point(0, 0)"}, C::Exact, "st_aswkb(p)"},
        {"ls", "linestring", {"ST_GeomFromText('LINESTRING(0 0,1 1,2 0)')"}, C::Exact, "st_aswkb(ls)"},
        {"pg", "polygon", {"ST_GeomFromText('POLYGON((0 0,1 0,1 1,0 0))')"}, C::Exact, "st_aswkb(pg)"},
        {"mp", "multipoint", {"ST_GeomFromText('MULTIPOINT(0 0,1 1)')"}, C::Exact, "st_aswkb(mp)"},
        {"mls",
         "multilinestring",
         {"ST_GeomFromText('MULTILINESTRING((0 0,1 1),(2 2,3 3))')"},
         C::Exact,
         "st_aswkb(mls)"},
        {"mpg", "multipolygon", {"ST_GeomFromText('MULTIPOLYGON(((0 0,1 0,1 1,0 0)))')"}, C::Exact, "st_aswkb(mpg)"},
        {"gc",
         "geometrycollection",
         {"ST_GeomFromText('GEOMETRYCOLLECTION(POINT(1 1),LINESTRING(0 0,1 1))')"},
         C::Exact,
         "st_aswkb(gc)"},
        {"j", "json", {"'{\"emoji\": \"😀\", \"n\": [1, 2.5, null]}'", "'[]'"}},
        {"u", "uuid", {"'123e4567-e89b-12d3-a456-426614174000'", "'00000000-0000-0000-0000-000000000000'"}},
        {"a6", "inet6", {"'ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff'", "'::1'"}},
        {"a4", "inet4", {"'255.255.255.255'", "'0.0.0.0'"}},
        {"hid", "varchar(10) invisible", {"concat('h', seq)"}},
    };
    return all;
}

std::vector<std::string> setup(std::size_t rows)
{
    std::string create = "create table every_type (id int primary key";
    std::string insert = "insert into every_type (id";
    std::string select = " select seq";
    for (const auto &f : families()) {
        create += ", " + f.column + " " + f.declaration;
        insert += ", " + f.column;
        // Every value of every family shows up; a NULL every eleventh row.
        std::string cycle = "elt(seq % " + std::to_string(f.values.size()) + " + 1";
        for (const auto &v : f.values)
            cycle += ", " + v;
        cycle += ")";
        if (f.values.size() == 1)
            cycle = f.values[0];
        select += ", if(seq % 11 = 0, null, " + cycle + ")";
    }
    create += ") character set utf8mb4";
    insert += ")" + select + " from seq_1_to_" + std::to_string(rows);
    return {create, insert};
}

// The shortest text that names the same number: no sign on zero, no leading or trailing zeros.
std::string canonicalNumber(std::string text)
{
    bool negative = !text.empty() && text[0] == '-';
    if (negative || (!text.empty() && text[0] == '+'))
        text.erase(0, 1);
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == '.')
            text.pop_back();
    }
    while (text.size() > 1 && text[0] == '0' && text[1] != '.')
        text.erase(0, 1);
    if (!text.empty() && text[0] == '.')
        text.insert(0, "0");
    if (text == "0" || text.empty())
        return "0";
    return (negative ? "-" : "") + text;
}

// Fractional seconds padded to nine digits, so precisions compare.
std::string canonicalMoment(std::string text)
{
    const auto dot = text.find('.');
    std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
    if (dot != std::string::npos)
        text.resize(dot);
    fraction.resize(9, '0');
    return text + "." + fraction;
}

bool same(const Family &f, const db::Value &mysql, const db::Value &oracle)
{
    if (mysql.isNull() || oracle.isNull())
        // Oracle has no empty text: '' arrives as NULL.
        return mysql.isNull() == oracle.isNull() || (oracle.isNull() && mysql.data.empty());
    switch (f.compare) {
    case C::Exact:
        return mysql.data == oracle.data;
    case C::Number:
        return canonicalNumber(mysql.data) == canonicalNumber(oracle.data);
    case C::Single:
        return static_cast<float>(std::strtod(mysql.data.c_str(), nullptr)) ==
               static_cast<float>(std::strtod(oracle.data.c_str(), nullptr));
    case C::Double:
        return std::strtod(mysql.data.c_str(), nullptr) == std::strtod(oracle.data.c_str(), nullptr);
    case C::Date:
        return canonicalMoment(mysql.data) == canonicalMoment(oracle.data);
    }
    return false;
}

std::size_t rowsFromEnvironment()
{
    const std::string text = testsupport::env("MORVANE_EVERY_TYPE_ROWS", "1000");
    return static_cast<std::size_t>(std::stoul(text));
}

} // namespace

TEST(EveryType, EveryValueArrivesAsMySqlHoldsIt)
{
    MORVANE_REQUIRE_SANDBOX();
    const std::size_t rows = rowsFromEnvironment();
    EngineRig rig(setup(rows));
    convert::ConversionOptions options;
    options.verify = true;
    rig.run({"every_type"}, options);
    const auto &lines = rig.log().lines();
    ASSERT_EQ(lines.at(0), "Create table EVERY_TYPE...Done") << testing::PrintToString(lines);

    std::string mysqlSelect = "select id", oracleSelect = "select \"ID\"";
    for (const auto &f : families()) {
        mysqlSelect += ", " + (f.mysqlRead.empty() ? f.column : f.mysqlRead);
        oracleSelect += ", \"" + convert::ApplyNameCase(f.column, true) + "\"";
    }
    const auto mysql = rig.mysqlRows(mysqlSelect + " from every_type order by id");
    const auto oracle = rig.oracleRows(oracleSelect + " from \"EVERY_TYPE\" order by \"ID\"");
    std::cout << "rows in MySQL " << mysql.size() << ", rows in Oracle " << oracle.size() << ", rows refused "
              << (mysql.size() - oracle.size()) << "\n";
    EXPECT_EQ(lines.at(lines.size() - 6), "Insert table EVERY_TYPE " + std::to_string(rows) + " Rows ...Done")
        << testing::PrintToString(lines);
    // The run's own verification agrees with the comparison below.
    EXPECT_EQ(lines.at(lines.size() - 5),
              "Verify table EVERY_TYPE: " + std::to_string(rows) + " rows, the same in MySQL and Oracle");
    ASSERT_EQ(oracle.size(), mysql.size());

    std::size_t mismatches = 0;
    for (std::size_t r = 0; r < mysql.size(); ++r) {
        ASSERT_EQ(oracle[r][0].data, mysql[r][0].data);
        for (std::size_t c = 0; c < families().size(); ++c) {
            const Family &f = families()[c];
            if (!same(f, mysql[r][c + 1], oracle[r][c + 1]) && ++mismatches <= 20)
                ADD_FAILURE() << "row " << mysql[r][0].data << ", column " << f.column << " (" << f.declaration
                              << "): MySQL " << mysql[r][c + 1].data.substr(0, 80) << ", Oracle "
                              << oracle[r][c + 1].data.substr(0, 80);
        }
    }
    EXPECT_EQ(mismatches, 0u);
}
