#pragma once

#include "SourceChecks.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

// The quoted Oracle column of a MySQL column ("\"PRICE\""), as the run names it. May throw db::Error
// for a name Oracle cannot take; the check is then not carried and the error says why.
using OracleColumnName = std::function<std::string(const std::string &mysqlColumn)>;

// One MySQL check expression as an Oracle condition, or why it has none.
struct CheckTranslation {
    std::string condition; // the Oracle condition, without the CHECK ( ) around it; empty when not carried
    std::string reason;    // why it is not carried, for the log: "the function f has no Oracle equivalent"
    // What still differs when it is carried: "Oracle compares the text of `code` exactly, where ...".
    std::vector<std::string> caveats;

    bool carried() const noexcept { return !condition.empty(); }
};

// Translates what keeps its meaning in Oracle: comparisons (<=> included), IN, BETWEEN, IS [NOT] NULL,
// LIKE with its escape, AND / OR / NOT (&&, ||, !), + - * on numbers, CHAR_LENGTH, LOWER, UPPER and ABS,
// JSON_VALID as IS JSON, over columns and number, text, date and NULL literals. Refuses, with the reason,
// what Oracle would read differently: the empty string (Oracle's NULL), text compared with numbers,
// division, other functions and operators, and columns whose Oracle type does not compare (LOBs, raw
// bytes, times of day). `columns` are the table's (ReadSourceChecks).
CheckTranslation TranslateCheck(std::string_view expression, const std::vector<CheckColumnType> &columns,
                                const OracleColumnName &oracleColumn);

// What carrying one check comes to: the condition to add (empty when it is not carried) and the log
// lines about it, "CHECK chk_x (`a` > f(`b`)) is not carried: the function f has no Oracle equivalent"
// or "CHECK chk_x is carried, but Oracle compares ...". A check MySQL does not enforce is not carried.
struct CarriedCheck {
    std::string condition;
    std::vector<std::string> lines;
};
CarriedCheck CarryCheck(const SourceCheck &check, const std::vector<CheckColumnType> &columns,
                        const OracleColumnName &oracleColumn);

} // namespace convert
