#include "SourceChecks.h"

#include "db/Connection.h"

#include <algorithm>

namespace convert {

namespace {

// Whether every quote of the text is escaped by a backslash, as MySQL's information schema leaves them.
bool quotesEscaped(std::string_view clause)
{
    std::size_t backslashes = 0;
    bool sawQuote = false;
    for (char c : clause) {
        if (c == '\'') {
            if (backslashes % 2 == 0)
                return false;
            sawQuote = true;
        }
        backslashes = c == '\\' ? backslashes + 1 : 0;
    }
    return sawQuote;
}

std::string unescapeOnce(std::string_view clause)
{
    std::string out;
    for (std::size_t i = 0; i < clause.size(); ++i) {
        if (clause[i] != '\\' || i + 1 == clause.size()) {
            out += clause[i];
            continue;
        }
        switch (const char e = clause[++i]) {
        case '0':
            out += '\0';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 'Z':
            out += '\x1a';
            break;
        case '\\':
        case '\'':
        case '"':
            out += e;
            break;
        default:
            out += '\\';
            out += e;
        }
    }
    return out;
}

// The text without one pair of parentheses around all of it; quotes and backticks are skipped whole.
std::string withoutOuterParentheses(std::string text)
{
    if (text.size() < 2 || text.front() != '(' || text.back() != ')')
        return text;
    int depth = 0;
    char quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == '\\' && quote != '`')
                ++i;
            else if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '\'' || c == '"' || c == '`')
            quote = c;
        else if (c == '(')
            ++depth;
        else if (c == ')' && --depth == 0 && i + 1 < text.size())
            return text; // the first parenthesis closes before the end: "(a) and (b)"
    }
    return text.substr(1, text.size() - 2);
}

} // namespace

std::string MySqlCheckClauseText(std::string_view clause)
{
    return withoutOuterParentheses(quotesEscaped(clause) ? unescapeOnce(clause) : std::string(clause));
}

SourceChecks ReadSourceChecks(db::Connection &catalog, const std::string &table)
{
    // Which of the views the server has, and with which columns, decides how it is asked.
    std::vector<std::string> view;
    for (const auto &row : catalog.query("select concat(upper(table_name), '.', upper(column_name))"
                                         " from information_schema.columns"
                                         " where table_schema = 'information_schema'"
                                         " and upper(table_name) in ('CHECK_CONSTRAINTS', 'TABLE_CONSTRAINTS')"))
        view.push_back(row[0].data);
    const auto has = [&view](std::string_view column) {
        return std::find(view.begin(), view.end(), column) != view.end();
    };
    SourceChecks result;
    if (!has("CHECK_CONSTRAINTS.CHECK_CLAUSE"))
        return result;
    const std::vector<db::Value> name = {db::Value::text(table)};
    if (has("CHECK_CONSTRAINTS.TABLE_NAME")) {
        const bool level = has("CHECK_CONSTRAINTS.LEVEL");
        const auto rows = catalog.query(std::string("select constraint_name, check_clause") + (level ? ", level" : "") +
                                            " from information_schema.check_constraints"
                                            " where constraint_schema = database() and table_name = ?",
                                        name);
        for (const auto &row : rows) {
            SourceCheck check{row[0].data, row[1].data};
            if (level && row[2].data == "Column")
                check.level = SourceCheck::Level::Column;
            result.checks.push_back(std::move(check));
        }
    } else {
        // Check names are unique within a MySQL database, so the name alone joins the two views.
        const auto rows = catalog.query(std::string("select c.constraint_name, c.check_clause, ") +
                                            (has("TABLE_CONSTRAINTS.ENFORCED") ? "t.enforced" : "'YES'") +
                                            " from information_schema.table_constraints t"
                                            " join information_schema.check_constraints c"
                                            " on c.constraint_schema = t.constraint_schema"
                                            " and c.constraint_name = t.constraint_name"
                                            " where t.table_schema = database() and t.table_name = ?"
                                            " and t.constraint_type = 'CHECK' order by c.constraint_name",
                                        name);
        for (const auto &row : rows) {
            SourceCheck check{row[0].data, MySqlCheckClauseText(row[1].data)};
            check.enforced = row[2].data != "NO";
            result.checks.push_back(std::move(check));
        }
    }
    if (result.checks.empty())
        return result;
    for (const auto &row : catalog.query("select column_name, data_type, column_type, collation_name"
                                         " from information_schema.columns"
                                         " where table_schema = database() and table_name = ?"
                                         " order by ordinal_position",
                                         name))
        result.columns.push_back({row[0].data, row[1].data, row[2].data, row[3].isNull() ? "" : row[3].data});
    return result;
}

} // namespace convert
