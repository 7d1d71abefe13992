#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

// One node of a MySQL expression as MariaDB and MySQL print it back (CHECK clauses, defaults). The reader
// follows MySQL's operator precedence, because MariaDB prints without the parentheses that precedence
// makes unnecessary: "`a` > 1 is not null" is (`a` > 1) IS NOT NULL.
struct MySqlExpr {
    enum class Kind {
        Column,   // text: the name as written
        Number,   // text: the literal as written ("10", "10.5", "1.5e3", ".5")
        String,   // text: the value, escapes resolved
        Bits,     // text: a hexadecimal or bit literal as written (0x41, X'41', b'1')
        Null,     // NULL
        Boolean,  // TRUE or FALSE: text "1" or "0"
        Temporal, // DATE'...', TIME'...', TIMESTAMP'...': op the keyword in lower case, text the value
        Unary,    // op: "-", "+", "~", "!"
        Binary,   // op: "+", "-", "*", "/", "%", "div", "mod", "&", "|", "^", "<<", ">>"
        Compare,  // op: "=", "<>", "<", "<=", ">", ">=", "<=>"
        And,
        Or,
        Xor,
        Not,
        IsNull,  // negated: IS NOT NULL
        IsTruth, // op: "true", "false" or "unknown"; negated: IS NOT ...
        In,      // args: the value, then the list; negated: NOT IN
        Between, // args: value, low, high; negated: NOT BETWEEN
        Like,    // args: value, pattern [, escape]; negated: NOT LIKE
        Regexp,  // args: value, pattern; negated: NOT REGEXP
        Call,    // text: the function in lower case; args unless the call is one this reader does not open
        Collate, // args: the value; text: the collation
        Row      // (a, b, ...)
    };
    Kind kind = Kind::Null;
    std::string text;
    std::string op;
    bool negated = false;
    std::vector<MySqlExpr> args;
};

// What the reader cannot read: a syntax it does not know or a construct (CASE, INTERVAL, a subquery) it
// does not take apart. The message says which, in words fit for a log line.
class MySqlExpressionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads one expression. Calls of functions outside `openedFunctions` (lower case) keep no arguments, so
// their syntax (CAST(x AS CHAR), TRIM(LEADING ...)) never has to be understood. Throws
// MySqlExpressionError.
MySqlExpr ParseMySqlExpression(std::string_view text, const std::vector<std::string> &openedFunctions);

} // namespace convert
