#include "SchemaStatements.h"

#include "CheckTranslation.h"
#include "ColumnNames.h"
#include "NameRules.h"
#include "TableMarker.h"
#include "TypeMapping.h"

#include "db/ConnectionProfile.h"

#include <algorithm>

namespace convert {

namespace {

bool startsWith(const std::string &text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

bool isNumberText(const std::string &text)
{
    std::size_t i = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
    bool digits = false, point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9')
            digits = true;
        else if (text[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digits;
}

// 'text' as MariaDB writes a literal default, with '' for a quote; false for anything else.
bool quotedText(const std::string &text, std::string &inside)
{
    if (text.size() < 2 || text.front() != '\'' || text.back() != '\'')
        return false;
    inside = text.substr(1, text.size() - 2);
    // A backslash escape has no Oracle equivalent; such a default is named instead.
    return inside.find('\\') == std::string::npos;
}

std::string oracleName(const std::string &name, const ConversionOptions &options)
{
    return ApplyNameCase(cutToBytes(name, options.allows.nameBytes), options.uppercaseNames);
}

// A column's name as the create statement gave it, quoted.
class QuotedColumns {
public:
    QuotedColumns(ColumnNames names, bool uppercase) : m_names(std::move(names)), m_upper(uppercase) {}
    std::string name(const std::string &column) const { return ApplyNameCase(m_names.of(column), m_upper); }
    std::string operator()(const std::string &column) const { return quoteOracleName(name(column), "column"); }

private:
    ColumnNames m_names;
    bool m_upper;
};

// A constraint name made of the table's and the column's, held to Oracle's 30 bytes.
std::string constraintName(const std::string &prefix, const std::string &table, const std::string &column)
{
    return cutToBytes(prefix + "_" + table + "_" + column);
}

// "'a','b''c'" from enum('a','b''c') or set(...): the list as MySQL writes it, which is Oracle's syntax too.
std::string valueList(const std::string &type)
{
    const auto open = type.find('(');
    const auto close = type.rfind(')');
    return open == std::string::npos || close == std::string::npos ? std::string()
                                                                   : type.substr(open + 1, close - open - 1);
}

// The values of enum(...) or set(...) as MySQL writes the list: 'a','b''c'.
std::vector<std::string> listValues(const std::string &list)
{
    std::vector<std::string> values;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] != '\'')
            continue;
        std::string value;
        for (++i; i < list.size(); ++i) {
            if (list[i] == '\'' && i + 1 < list.size() && list[i + 1] == '\'')
                value += list[++i];
            else if (list[i] == '\'')
                break;
            else
                value += list[i];
        }
        values.push_back(std::move(value));
    }
    return values;
}

// A SET value is members of its list joined by commas (a member holds no comma). Between commas added
// at both ends, each member in turn is replaced by a comma; a value of members only leaves one comma.
// Oracle joins NULL as an empty text, so NULL (and the empty set, which Oracle holds as NULL) is let
// through first.
// REPLACE takes any number of members, where a regular expression of them stops at Oracle's 512 bytes
// of pattern (ORA-12733) some twenty members in, and it reads the same whatever the session's language
// settings.
std::string setCondition(const std::string &column, const std::vector<std::string> &members)
{
    std::string value = "',' || " + column + " || ','";
    for (const auto &member : members)
        value = "replace(" + value + ", " + quoteOracleText("," + member + ",") + ", ',')";
    return column + " is null or " + value + " = ','";
}

// The largest unsigned value of an integer family, or empty for other types.
std::string unsignedMaximum(const std::string &type)
{
    static const std::pair<std::string_view, std::string_view> ranges[] = {{"tinyint", "255"},
                                                                           {"smallint", "65535"},
                                                                           {"mediumint", "16777215"},
                                                                           {"bigint", "18446744073709551615"},
                                                                           {"int", "4294967295"}};
    for (const auto &[family, maximum] : ranges)
        if (startsWith(type, family))
            return std::string(maximum);
    return {};
}

bool holdsDates(const std::string &type)
{
    const std::string t = NormalizedType(type);
    return t == "date" || startsWith(t, "datetime") || startsWith(t, "timestamp");
}

// Why a NOT NULL column stays nullable, or empty when it does not.
std::string staysNullable(const ColumnDetails &column, const NullingValues &values)
{
    const std::string head = "Column \"" + column.name + "\" stays nullable: ";
    if (values.emptyStrings > 0)
        return head + std::to_string(values.emptyStrings) +
               " of its values are empty strings, which Oracle holds as NULL";
    if (values.zeroDates > 0)
        return head + std::to_string(values.zeroDates) +
               " of its values are the zero date 0000-00-00, which arrives as NULL";
    return {};
}

} // namespace

std::string ColumnClauseExtras(const ColumnDetails &column, const OracleAllows &allows, std::vector<std::string> &notes)
{
    if (column.autoIncrement && !allows.identities) {
        notes.push_back("Column \"" + column.name +
                        "\" is no identity column: the Oracle user lacks CREATE "
                        "SEQUENCE, so its numbers are not carried on");
        return {};
    }
    if (column.autoIncrement)
        return "generated by default as identity";
    if (!column.hasDefault)
        return {};
    const std::string mapped = BuildColumnClause("c", column.type, false, false);
    const std::string &text = column.defaultText;
    const std::string lower = db::asciiUpper(text);
    std::string inside;
    if (mapped.find("number") != std::string::npos && isNumberText(text))
        return "default " + text;
    if (startsWith(lower, "CURRENT_TIMESTAMP") || startsWith(lower, "NOW(")) {
        if (mapped.find("timestamp(") != std::string::npos)
            return "default SYSTIMESTAMP";
        if (mapped.find(" date") != std::string::npos)
            return "default SYSDATE";
    }
    if ((mapped.find("varchar2(") != std::string::npos || mapped.find("CLOB") != std::string::npos) &&
        quotedText(text, inside)) {
        if (!inside.empty())
            return "default " + text;
        notes.push_back("Column \"" + column.name + "\": its default '' is NULL in Oracle, so none is set");
        return {};
    }
    notes.push_back("Column \"" + column.name + "\": its default " + text + " has no Oracle equivalent and is not set");
    return {};
}

std::string FittedComment(const std::string &what, const std::string &comment, std::size_t room,
                          std::vector<std::string> &notes)
{
    constexpr std::size_t kCommentLimit = 4000; // bytes Oracle keeps of a comment (ORA-01704 beyond)
    const std::size_t limit = room < kCommentLimit ? kCommentLimit - room : 0;
    if (comment.size() <= limit)
        return comment;
    const std::string cut = cutToBytes(comment, limit);
    notes.push_back("The comment of " + what + " is cut to " + std::to_string(cut.size()) + " of its " +
                    std::to_string(comment.size()) + " bytes: Oracle keeps at most 4000");
    return cut;
}

namespace {

std::string tableComment(const TableNames &names, const std::string &comment, std::vector<std::string> &notes)
{
    if (!names.marked)
        return FittedComment("table " + names.target, comment, 0, notes);
    const std::size_t room = tableMarker(names.source).size() + 1;
    return commentWithMarker(FittedComment("table " + names.target, comment, room, notes), names.source);
}

} // namespace

ColumnNames ColumnNamesOf(const TableDetails &details, std::size_t nameBytes)
{
    std::vector<std::string> listed;
    for (const auto &column : details.columns)
        listed.push_back(column.name);
    return ColumnNames(listed, nameBytes);
}

std::vector<ColumnDetails> ColumnsToCountNulling(const TableDetails &details)
{
    std::vector<ColumnDetails> columns;
    for (const auto &column : details.columns)
        if (column.notNull && (MappedCharacterLength(column.type) > 0 || holdsDates(column.type)))
            columns.push_back(column);
    return columns;
}

std::vector<SchemaStatement> StatementsAfterRows(const TableNames &names, const TableDetails &details,
                                                 const std::vector<std::string> &keyColumns,
                                                 const std::map<std::string, NullingValues> &nulling,
                                                 const ConversionOptions &options, ObjectNamePlanner &objects,
                                                 std::vector<std::string> &notes)
{
    const bool uppercase = options.uppercaseNames;
    std::vector<SchemaStatement> statements;
    const std::string table = quoteOracleName(names.target);
    const QuotedColumns quotedColumn(ColumnNamesOf(details, options.allows.nameBytes), uppercase);
    for (const auto &column : details.columns) {
        const bool key = std::find(keyColumns.begin(), keyColumns.end(), column.name) != keyColumns.end();
        if (!column.notNull || key || column.autoIncrement)
            continue;
        const auto values = nulling.find(column.name);
        if (values != nulling.end()) {
            if (const std::string why = staysNullable(column, values->second); !why.empty()) {
                notes.push_back(why);
                continue;
            }
        }
        const std::string name = quotedColumn.name(column.name);
        statements.push_back({name, "alter table " + table + " modify (" + quotedColumn(column.name) + " not null)",
                              ObjectKind::NotNull, name});
    }
    for (const auto &column : details.columns) {
        if (!column.autoIncrement || !options.allows.identities)
            continue;
        const std::string name = quotedColumn.name(column.name);
        statements.push_back({name,
                              "alter table " + table + " modify (" + quotedColumn(column.name) +
                                  " generated by default as identity (start with limit value))",
                              ObjectKind::Identity, name});
    }
    for (const auto &column : details.columns) {
        const std::string type = NormalizedType(column.type);
        const std::string name = quotedColumn(column.name);
        std::string condition;
        if (startsWith(type, "enum("))
            condition = name + " in (" + valueList(type) + ")";
        else if (startsWith(type, "set("))
            condition = setCondition(name, listValues(valueList(type)));
        else if (!unsignedMaximum(type).empty() && column.type.find("unsigned") != std::string::npos)
            condition = name + " between 0 and " + unsignedMaximum(type);
        else if (startsWith(type, "decimal") && column.type.find("unsigned") != std::string::npos)
            condition = name + " >= 0";
        if (condition.empty())
            continue;
        const std::string constraint =
            objects.nameFor(names.target, "column-check:" + column.name,
                            oracleName(constraintName("CK", names.target, column.name), options));
        statements.push_back({constraint,
                              "alter table " + table + " add constraint " + quoteOracleName(constraint, "constraint") +
                                  " check (" + condition + ")",
                              ObjectKind::Check,
                              {}});
    }
    for (const auto &check : details.checks.checks) {
        const CarriedCheck carried = CarryCheck(check, details.checks.columns, quotedColumn);
        notes.insert(notes.end(), carried.lines.begin(), carried.lines.end());
        if (carried.condition.empty())
            continue;
        // A name MySQL made up (a column's, or CONSTRAINT_1 for a table's) says nothing of the table in
        // Oracle's schema-wide namespace: such checks are named as the value-list checks are.
        const bool madeUp = check.level == SourceCheck::Level::Column || check.name.rfind("CONSTRAINT_", 0) == 0;
        const std::string usual = madeUp ? constraintName("CK", names.target, check.name) : check.name;
        const std::string constraint = objects.nameFor(names.target, "check:" + check.name, oracleName(usual, options));
        statements.push_back({constraint,
                              "alter table " + table + " add constraint " + quoteOracleName(constraint, "constraint") +
                                  " check (" + carried.condition + ")",
                              ObjectKind::Check,
                              {}});
    }
    for (const auto &column : details.columns)
        if (column.onUpdateNow)
            notes.push_back("Column \"" + column.name + "\": ON UPDATE CURRENT_TIMESTAMP is not carried; Oracle " +
                            "sets no column on update by itself (a trigger would)");
    if (!details.comment.empty())
        statements.push_back(
            {names.target,
             "comment on table " + table + " is " + quoteOracleText(tableComment(names, details.comment, notes)),
             ObjectKind::Comment,
             {}});
    for (const auto &column : details.columns)
        if (!column.comment.empty())
            statements.push_back(
                {quotedColumn.name(column.name),
                 "comment on column " + table + "." + quotedColumn(column.name) + " is " +
                     quoteOracleText(FittedComment("column " + names.target + "." + quotedColumn.name(column.name),
                                                   column.comment, 0, notes)),
                 ObjectKind::Comment,
                 {}});
    return statements;
}

std::vector<SchemaStatement> ForeignKeyStatements(const TableNames &names, const TableDetails &details,
                                                  const std::map<std::string, std::string> &targets,
                                                  const ConversionOptions &options, ObjectNamePlanner &objects,
                                                  const ColumnsOf &columnsOf, std::vector<std::string> &notes)
{
    const bool uppercase = options.uppercaseNames;
    const QuotedColumns quotedColumn(ColumnNamesOf(details, options.allows.nameBytes), uppercase);
    std::vector<SchemaStatement> statements;
    for (const auto &key : details.foreignKeys) {
        const auto parent = targets.find(key.referencedTable);
        if (parent == targets.end()) {
            notes.push_back("Foreign key " + key.name + " of " + names.target + " refers to " + key.referencedTable +
                            ", which has no Oracle table: it is not created");
            continue;
        }
        const QuotedColumns quotedParentColumn(columnsOf(key.referencedTable), uppercase);
        std::string columns, referenced;
        for (std::size_t i = 0; i < key.columns.size(); ++i) {
            columns += (i ? ", " : "") + quotedColumn(key.columns[i]);
            referenced += (i ? ", " : "") + quotedParentColumn(key.referencedColumns[i]);
        }
        const std::string name = objects.nameFor(names.target, "foreign:" + key.name, oracleName(key.name, options));
        std::string sql = "alter table " + quoteOracleName(names.target) + " add constraint " +
                          quoteOracleName(name, "constraint") + " foreign key (" + columns + ") references " +
                          quoteOracleName(parent->second) + " (" + referenced + ")";
        if (key.onDelete == "CASCADE")
            sql += " on delete cascade";
        else if (key.onDelete == "SET NULL")
            sql += " on delete set null";
        else if (key.onDelete == "SET DEFAULT")
            notes.push_back("Foreign key " + key.name + " of " + names.target +
                            ": ON DELETE SET DEFAULT has no Oracle equivalent; Oracle refuses the delete instead");
        if (key.onUpdate == "CASCADE" || key.onUpdate == "SET NULL" || key.onUpdate == "SET DEFAULT")
            notes.push_back("Foreign key " + key.name + " of " + names.target + ": ON UPDATE " + key.onUpdate +
                            " is not carried; Oracle has no ON UPDATE rule and refuses such an update");
        statements.push_back({name, sql, ObjectKind::ForeignKey, {}});
    }
    return statements;
}

} // namespace convert
