#include "TableCheck.h"

#include "KeyConversion.h"
#include "NameRules.h"
#include "SourceCharsets.h"
#include "SourceListing.h"
#include "TableDefinition.h"
#include "TargetSteps.h"
#include "TypeMapping.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Error.h"
#include "db/UntimedCalls.h"

#include <cstdlib>
#include <map>

namespace convert {

namespace {

constexpr std::size_t kRowsNamed = 3; // refused rows named by their key, per reason

bool startsWith(const std::string &text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

bool isAny(const std::string &type, std::initializer_list<std::string_view> words)
{
    for (auto word : words)
        if (type == word)
            return true;
    return false;
}

// A condition on the MySQL side under which Oracle refuses the row, and what to say of it.
struct RowRule {
    std::string column;
    std::string condition; // SQL, true for a refused value
    std::string reason;
};

// Rows refused for the values they hold, as the copy would refuse them; `charset` is the set text
// values are checked against, a valid name or empty.
std::vector<RowRule> rowRules(const std::vector<SourceColumn> &columns, std::string charset)
{
    std::vector<RowRule> rules;
    if (holdsEveryCharacter(charset))
        charset.clear();
    for (const auto &column : columns) {
        const std::string type = NormalizedType(column.type);
        const std::string c = quoteMySqlName(column.name);
        if (startsWith(type, "decimal(") && std::atoi(type.c_str() + 8) > 38)
            rules.push_back({column.name,
                             "char_length(trim(trailing '0' from trim(leading '0' from replace(replace(cast(" + c +
                                 " as char), '-', ''), '.', '')))) > 38",
                             "a number of more than 38 significant digits, which a NUMBER would round"});
        if (startsWith(type, "double"))
            rules.push_back({column.name, c + " <> 0 and (abs(" + c + ") >= 1e126 or abs(" + c + ") < 1e-130)",
                             "a number outside the range of a NUMBER"});
        if (type == "date" || startsWith(type, "datetime")) {
            rules.push_back({column.name,
                             "year(" + c + ") = 0 and month(" + c + ") <> 0 and dayofmonth(" + c + ") <> 0",
                             "a date in year 0, which Oracle has no day for"});
            // Only the zero date itself, at a zero time, arrives as NULL.
            rules.push_back({column.name,
                             "(month(" + c + ") = 0 or dayofmonth(" + c + ") = 0) and (year(" + c + ") <> 0 or month(" +
                                 c + ") <> 0 or dayofmonth(" + c + ") <> 0 or hour(" + c + ") <> 0 or minute(" + c +
                                 ") <> 0 or second(" + c + ") <> 0 or microsecond(" + c + ") <> 0)",
                             "a date with a month or day of 0, which Oracle has no day for"});
        }
        if (type == "time" || startsWith(type, "time("))
            rules.push_back({column.name, c + " < '00:00:00' or " + c + " >= '24:00:00'",
                             "a TIME outside one day, which has no place on 1 January 1970"});
        const bool text = startsWith(type, "char(") || startsWith(type, "varchar(") || startsWith(type, "enum(") ||
                          startsWith(type, "set(") ||
                          isAny(type, {"tinytext", "text", "mediumtext", "longtext", "json"});
        if (text && !charset.empty())
            rules.push_back({column.name,
                             "cast(convert(convert(" + c + " using " + charset +
                                 ") using utf8mb4) as binary) <> cast(convert(" + c + " using utf8mb4) as binary)",
                             "a character that the character set " + charset + " cannot hold"});
    }
    return rules;
}

// What changes on the way for a column of this type, or nothing.
std::string meaningNote(const SourceColumn &column, const ConversionOptions &options)
{
    const std::string type = NormalizedType(column.type);
    const std::string head = "column \"" + column.name + "\" (" + column.type + "): ";
    if (type == "time" || startsWith(type, "time("))
        return head + "a time of day on 1 January 1970; times below zero or from 24 hours on are refused";
    if (startsWith(type, "bit("))
        return head + "a NUMBER holding the bits as an unsigned integer";
    if (startsWith(type, "enum(") || startsWith(type, "set("))
        return head + "a VARCHAR2; Oracle does not check the value list";
    if (type.find("unsigned") != std::string::npos)
        return head + "a NUMBER; Oracle does not keep it from going below zero";
    for (auto spatial : kSpatialTypes)
        if (type == spatial)
            return head + "a BLOB holding the well-known binary form; the SRID is not kept";
    if (type == "json")
        return head + "a CLOB holding the text; Oracle does not check it is JSON";
    if (startsWith(type, "timestamp"))
        return head + "the time as the MySQL session shows it, without its time zone";
    if (options.blobToText && isAny(type, {"tinyblob", "blob", "mediumblob", "longblob"}))
        return head + "a CLOB: bytes that are not UTF-8 text may be changed by the database character set";
    return {};
}

std::string oracleCount(db::Connection &oracle, const std::string &target)
{
    const db::UntimedCalls untimed(oracle);
    return oracle.query("select count(*) from " + quoteOracleName(target)).at(0).at(0).data;
}

class Checker {
public:
    Checker(CheckConnections &connections, const TableNames &names, const ConversionOptions &options,
            ObjectNamePlanner &objects)
        : m_c(connections), m_options(options), m_objects(objects)
    {
        m_report.names = names;
    }

    TableCheck run()
    {
        const TableNames &names = m_report.names;
        guarded("the table's listing", [&] { m_columns = ListSourceColumns(m_c.catalog, names.source); });
        guarded("the table's keys", [&] { m_indexes = ListSourceIndexRows(m_c.catalog, names.source); });
        checkKind();
        checkName();
        const bool created = checkTarget();
        if (created)
            checkStatements();
        for (const auto &column : m_columns) {
            const std::string note = meaningNote(column, m_options);
            if (!note.empty())
                line(note);
        }
        if (!m_options.definitionsOnly)
            checkRows();
        return std::move(m_report);
    }

private:
    void line(const std::string &text) { m_report.lines.push_back("  " + text); }
    void problem(const std::string &text)
    {
        line("problem: " + text);
        ++m_report.problems;
    }

    template <typename F> void guarded(const std::string &what, F f)
    {
        try {
            f();
        } catch (const db::CancelledError &) {
            throw; // a Stop, not a finding: the check ends here
        } catch (const std::exception &e) {
            problem(what + ": " + e.what());
        }
    }

    void checkKind()
    {
        guarded("the table's kind", [&] {
            const auto rows = m_c.catalog.query("select table_type from information_schema.tables where "
                                                "table_schema = database() and table_name = ?",
                                                {db::Value::text(m_report.names.source)});
            if (!rows.empty() && rows[0][0].data == "VIEW")
                line("a view: it becomes a table holding a snapshot of the rows the view shows now");
        });
    }

    void checkName()
    {
        const TableNames &n = m_report.names;
        if (n.target == n.source)
            return;
        std::string why = n.working != n.source ? "the MySQL name in capitals" : "";
        if (n.target != n.working)
            why += std::string(why.empty() ? "" : ", ") + "cut to 30 bytes with a counter that keeps it apart";
        if (n.marked)
            why += std::string(why.empty() ? "" : ", ") + "its comment names the MySQL table, so later runs find it";
        line("Oracle name " + n.target + ": " + why);
    }

    // Returns whether the run would create the table.
    bool checkTarget()
    {
        const std::string &T = m_report.names.target;
        bool exists = false;
        guarded("the Oracle catalog", [&] { exists = TargetTableExists(m_c.oracleConn, T, m_c.oracleUser); });
        if (!exists) {
            line("Oracle has no table " + T + ": it is created");
            return true;
        }
        std::string held = "?";
        guarded("the rows Oracle holds", [&] { held = oracleCount(m_c.oracleConn, T); });
        const auto policy = m_options.resume ? ExistingTablePolicy::Merge : m_options.policy;
        switch (policy) {
        case ExistingTablePolicy::Overwrite:
            line("Oracle table " + T + " holds " + held + " rows: Overwrite drops it with them and creates it again");
            return true;
        case ExistingTablePolicy::Merge:
            line("Oracle table " + T + " holds " + held +
                 " rows: they are kept, and each MySQL row whose primary key Oracle lacks is added (without a "
                 "primary key, every row)");
            return false;
        case ExistingTablePolicy::Skip:
            line("Oracle table " + T + " holds " + held + " rows: Skip leaves it as it is and copies nothing");
            return false;
        }
        return false;
    }

    void checkStatements()
    {
        guarded("the create statement", [&] {
            const db::UntimedCalls untimed(m_c.catalog); // measures the widest values of the table
            auto listing = m_c.catalog.createDataSet();
            std::vector<std::string> notes;
            const std::string statement = BuildTableDefinition(*listing, m_report.names, m_options, &notes);
            line("sends: " + statement);
            for (const auto &note : notes)
                line(note);
        });
        if (m_options.skipIndexes)
            return;
        guarded("the key statements", [&] {
            std::vector<std::string> notes;
            for (const auto &key : BuildKeyStatements(m_c.catalog, m_report.names, m_options, m_objects, &notes)) {
                if (key.error.empty())
                    line("sends: " + key.sql);
                else
                    problem(key.name + ": " + key.error);
            }
            for (const auto &note : notes)
                line(note);
        });
        checkKeys();
    }

    // Keys Oracle refuses: keys on columns that become large objects, and a second key on a column list
    // already indexed.
    void checkKeys()
    {
        std::map<std::string, std::string> types;
        for (const auto &column : m_columns)
            types[column.name] = NormalizedType(column.type);
        std::map<std::string, std::vector<std::string>> keys;
        std::vector<std::string> order;
        for (const auto &row : m_indexes) {
            // Full-text and spatial keys are not sent; the key statements said so already.
            if (row.indexType == "FULLTEXT" || row.indexType == "SPATIAL")
                continue;
            if (!keys.count(row.keyName))
                order.push_back(row.keyName);
            keys[row.keyName].push_back(row.column);
            const std::string clause = BuildColumnClause(row.column, types[row.column], false, m_options.blobToText);
            if (clause.find("CLOB") != std::string::npos || clause.find("BLOB") != std::string::npos)
                problem("key " + row.keyName + " is on column \"" + row.column +
                        "\", which becomes a large object that Oracle cannot index (ORA-02327)");
            if (row.prefix)
                line("key " + row.keyName + " indexes only the first characters of \"" + row.column +
                     "\"; Oracle indexes the whole value");
        }
        std::map<std::vector<std::string>, std::string> seen;
        for (const auto &name : order) {
            const auto [at, fresh] = seen.emplace(keys[name], name);
            if (!fresh)
                problem("key " + name + " is on the same columns as key " + at->second +
                        ", which Oracle refuses (ORA-01408)");
        }
    }

    void checkRows()
    {
        std::string charset = checkedCharsetName(m_options);
        if (!charset.empty() && !isCharsetName(charset)) {
            // Not a name that may go into a statement: the copy fails on it, table by table.
            problem("character set '" + charset +
                    "' is not a valid name: only letters, digits and underscores are allowed");
            charset.clear();
        }
        const std::vector<RowRule> rules = rowRules(m_columns, charset);
        std::size_t emptyColumns = 0;
        std::string sql = "select count(*)";
        for (const auto &rule : rules)
            sql += ", coalesce(sum(" + rule.condition + "), 0)";
        // Oracle keeps no empty string: counted so the user knows where NULLs will appear.
        std::vector<std::string> empties;
        for (const auto &column : m_columns)
            if (MappedCharacterLength(column.type) > 0) {
                sql += ", coalesce(sum(" + quoteMySqlName(column.name) + " = ''), 0)";
                empties.push_back(column.name);
                ++emptyColumns;
            }
        guarded("the rows", [&] {
            const db::UntimedCalls untimed(m_c.catalog); // one read of the whole table
            const auto counts = m_c.catalog.query(sql + " from " + quoteMySqlName(m_report.names.source)).at(0);
            line(counts[0].data + " rows in MySQL");
            for (std::size_t i = 0; i < rules.size(); ++i)
                if (counts[i + 1].data != "0")
                    problem(counts[i + 1].data + " rows refused: column \"" + rules[i].column + "\" holds " +
                            rules[i].reason + firstRows(rules[i].condition));
            for (std::size_t i = 0; i < empties.size(); ++i) {
                const std::string &n = counts[rules.size() + 1 + i].data;
                if (n != "0")
                    line(n + " empty strings in column \"" + empties[i] + "\" arrive as NULL");
            }
        });
    }

    // " (first: id=4, id=9)" for the rows matching the condition, by their primary key.
    std::string firstRows(const std::string &condition)
    {
        const std::vector<std::string> key = PrimaryKeyColumns(m_indexes);
        if (key.empty())
            return " (the table has no primary key to name them by)";
        std::string list, order;
        for (std::size_t i = 0; i < key.size(); ++i) {
            list += (i ? ", " : "") + quoteMySqlName(key[i]);
            order = list;
        }
        const db::UntimedCalls untimed(m_c.catalog); // may scan the whole table for its first matches
        const auto rows =
            m_c.catalog.query("select " + list + " from " + quoteMySqlName(m_report.names.source) + " where " +
                              condition + " order by " + order + " limit " + std::to_string(kRowsNamed));
        std::string named;
        for (const auto &row : rows) {
            named += named.empty() ? " (first: " : "; ";
            for (std::size_t i = 0; i < key.size(); ++i)
                named += (i ? ", " : "") + key[i] + "=" + row[i].data;
        }
        return named.empty() ? named : named + ")";
    }

    CheckConnections &m_c;
    const ConversionOptions &m_options;
    ObjectNamePlanner &m_objects;
    TableCheck m_report;
    std::vector<SourceColumn> m_columns;
    std::vector<SourceIndexRow> m_indexes;
};

} // namespace

TableCheck CheckTable(CheckConnections &connections, const TableNames &names, const ConversionOptions &options,
                      ObjectNamePlanner &objects)
{
    return Checker(connections, names, options, objects).run();
}

} // namespace convert
