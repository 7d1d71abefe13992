// Schemas as they are met in the field, converted with their constraints twice in a row: every run ends
// clean, every row arrives, and Oracle ends with the keys and constraints MySQL has. The counts on both
// sides are printed, for the record.
#include "support/EngineRig.h"
#include "support/FieldSchemas.h"

#include <gtest/gtest.h>

#include <cstdio>

using testsupport::EngineRig;
using testsupport::FieldSchema;

namespace {

struct Constraints {
    long primary = 0, unique = 0, foreign = 0, checks = 0, notNull = 0;
    bool operator==(const Constraints &) const = default;
};

std::string text(const Constraints &c)
{
    char line[160];
    std::snprintf(line, sizeof line, "primary %ld, unique %ld, foreign %ld, check %ld, not null %ld", c.primary,
                  c.unique, c.foreign, c.checks, c.notNull);
    return line;
}

long number(const std::vector<db::Row> &rows) { return rows.at(0).at(0).toInteger(); }

// What MySQL holds that a conversion with constraints kept carries: keys, foreign keys, NOT NULL columns,
// and the checks Oracle gets for value lists and unsigned numbers.
Constraints inMySql(EngineRig &rig)
{
    auto count = [&](const std::string &type) {
        return number(rig.mysqlRows("select count(*) from information_schema.table_constraints where table_schema ="
                                    " database() and constraint_type = '" +
                                    type + "'"));
    };
    Constraints c;
    c.primary = count("PRIMARY KEY");
    c.unique = count("UNIQUE");
    c.foreign = count("FOREIGN KEY");
    // Views' columns included: their snapshot tables get the same checks.
    c.checks = number(rig.mysqlRows(
        "select count(*) from information_schema.columns where table_schema = database() and (data_type in ('enum',"
        " 'set') or (column_type like '%unsigned%' and data_type in ('tinyint', 'smallint', 'mediumint', 'int',"
        " 'bigint', 'decimal')))"));
    c.checks += number(rig.mysqlRows("select count(*) from information_schema.check_constraints where"
                                     " constraint_schema = database()"));
    c.notNull = number(rig.mysqlRows("select count(*) from information_schema.columns where table_schema = database()"
                                     " and is_nullable = 'NO'"));
    return c;
}

Constraints inOracle(EngineRig &rig)
{
    auto count = [&](const std::string &type) {
        return number(rig.oracleRows("select count(*) from user_constraints where constraint_type = '" + type +
                                     "' and generated = 'USER NAME'"));
    };
    Constraints c;
    c.primary = count("P");
    // Unique keys arrive as unique constraints, each with its index, as the primary keys have theirs.
    c.unique = count("U");
    c.foreign = count("R");
    c.checks = count("C");
    c.notNull = number(rig.oracleRows("select count(*) from user_tab_columns where nullable = 'N'"));
    return c;
}

class FieldSchemasTest : public ::testing::TestWithParam<FieldSchema (*)()> {
protected:
    void SetUp() override { MORVANE_REQUIRE_SANDBOX(); }
};

} // namespace

TEST_P(FieldSchemasTest, ConvertedTwiceWithConstraintsEveryRowAndEveryConstraintArrives)
{
    const FieldSchema schema = GetParam()();
    EngineRig rig(schema.setup);
    convert::ConversionOptions options;
    options.keepSchema = true;
    const Constraints mysql = inMySql(rig);
    for (int run = 1; run <= 2; ++run) {
        rig.log().clear();
        const auto summary = rig.run(schema.tables, options);
        EXPECT_TRUE(summary.clean()) << schema.name << ", run " << run << ":\n"
                                     << testing::PrintToString(rig.log().lines());
        for (const auto &line : rig.log().lines())
            EXPECT_EQ(line.find("ORA-"), std::string::npos) << schema.name << ", run " << run << ": " << line;
        for (const auto &table : schema.tables) {
            const std::string inMySqlRows =
                rig.mysqlRows("select count(*) from " + convert::quoteMySqlName(table)).at(0).at(0).data;
            bool found = false;
            for (const auto &line : rig.log().lines())
                found = found || (line.rfind("Insert table ", 0) == 0 &&
                                  line.find(" " + inMySqlRows + " Rows ...Done") != std::string::npos);
            EXPECT_TRUE(found) << table << ": " << inMySqlRows << " rows";
        }
        const Constraints oracle = inOracle(rig);
        // A NOT NULL column holding values Oracle holds as NULL stays nullable, and a check Oracle would
        // read otherwise is not carried: the log says so, each time.
        long staysNullable = 0, notCarried = 0;
        for (const auto &line : rig.log().lines()) {
            const bool nullable = line.find("stays nullable") != std::string::npos;
            const bool check = line.rfind("CHECK ", 0) == 0 && line.find(" is not carried: ") != std::string::npos;
            if (nullable || check)
                std::printf("  %s\n", line.c_str());
            staysNullable += nullable;
            notCarried += check;
        }
        std::printf("%s, run %d: exit %s\n  MySQL:  %s\n  Oracle: %s\n", schema.name.c_str(), run,
                    summary.clean() ? "0" : "3", text(mysql).c_str(), text(oracle).c_str());
        EXPECT_EQ(oracle.primary, mysql.primary) << schema.name;
        EXPECT_EQ(oracle.unique, mysql.unique) << schema.name;
        EXPECT_EQ(oracle.foreign, mysql.foreign) << schema.name;
        EXPECT_EQ(oracle.checks, mysql.checks - notCarried) << schema.name;
        EXPECT_EQ(oracle.notNull, mysql.notNull - staysNullable) << schema.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Field, FieldSchemasTest,
                         ::testing::Values(&testsupport::filmRentalShop, &testsupport::compositeKeyStore,
                                           &testsupport::oddNames));
