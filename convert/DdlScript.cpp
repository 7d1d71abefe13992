#include "DdlScript.h"

#include "KeyConversion.h"
#include "NameRules.h"
#include "OracleAllowance.h"
#include "RunPlan.h"
#include "SchemaDetails.h"
#include "SchemaSteps.h"
#include "TableMarker.h"
#include "TargetSteps.h"

#include "db/Connection.h"

#include <ctime>

namespace convert {

namespace {

// A statement as a script line: CR LF made LF, and the terminating semicolon on its last line.
std::string scripted(const std::string &sql)
{
    std::string text;
    for (std::size_t i = 0; i < sql.size(); ++i)
        if (!(sql[i] == '\r' && i + 1 < sql.size() && sql[i + 1] == '\n'))
            text += sql[i];
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n'))
        text.pop_back();
    return text + ";\n";
}

// A remark as comment lines, each starting "-- ".
std::string remark(const std::string &text)
{
    std::string out = "-- ";
    for (char c : text)
        out += c == '\n' ? std::string("\n-- ") : std::string(1, c);
    return out + "\n";
}

std::string utcTime(std::chrono::system_clock::time_point moment)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
    return text;
}

std::string header(const DdlScriptSource &source, const ConversionOptions &options,
                   const std::vector<std::string> &tables)
{
    std::string text;
    text += remark("Morvane: the DDL of a conversion, as a run would send it to Oracle");
    text += remark("From MySQL database " + source.mysqlDatabase + " on " +
                   (source.mysqlHost.empty() ? std::string("the local server") : source.mysqlHost));
    text += remark("Into Oracle user " + source.oracleUser + " at " + source.oracleService);
    std::string list;
    for (const auto &table : tables)
        list += (list.empty() ? "" : " ") + table;
    text += remark("Tables: " + list);
    const std::string arguments = OptionsAsArguments(options);
    text += remark("Options: " + (arguments.empty() ? std::string("none") : arguments));
    text +=
        remark("Written " + utcTime(source.written) + "; names are settled against the Oracle schema as it was then");
    // A '&' in a default or comment would otherwise be taken for a substitution variable.
    text += "SET DEFINE OFF\n\n";
    return text;
}

} // namespace

std::string OptionsAsArguments(const ConversionOptions &o)
{
    std::string text;
    auto add = [&](bool on, const char *word) {
        if (on)
            text += (text.empty() ? "" : " ") + std::string(word);
    };
    add(o.policy == ExistingTablePolicy::Merge, "--merge");
    add(o.policy == ExistingTablePolicy::Skip, "--skip");
    add(o.definitionsOnly, "--definitions-only");
    add(o.skipIndexes, "--skip-indexes");
    add(!o.uppercaseNames, "--no-uppercase");
    add(o.blobToText, "--blob-to-text");
    add(o.resume, "--resume");
    add(o.keepSchema, "--keep-schema");
    add(o.longNames, "--long-names");
    if (o.charsetIndex > 0)
        text += (text.empty() ? "" : " ") + std::string("--charset ") + o.charset;
    return text;
}

std::string BuildDdlScript(CheckConnections &connections, const std::vector<std::string> &tables,
                           const ConversionOptions &chosen, const DdlScriptSource &source)
{
    ConversionOptions options = chosen;
    const OracleAllowance allowance = SettleOracleAllowance(connections.oracleConn, connections.oracleUser, options);
    options.allows = allowance.allows;
    RunPlan plan = RunPlan::make(connections.catalog, connections.oracleConn, connections.oracleUser, tables, options);

    std::string script = header(source, options, tables);
    for (const auto &line : allowance.lines)
        script += remark(line.text);
    if (!allowance.lines.empty())
        script += "\n";
    std::vector<const TablePlan *> made;
    for (const auto &table : plan.tables) {
        const TableNames &names = table.names;
        script += remark("Table " + names.source + (names.target.empty() ? "" : " as " + names.target));
        if (!table.problem.empty()) {
            script += remark("Nothing: " + table.problem) + "\n";
            continue;
        }
        const bool exists = TargetTableExists(connections.oracleConn, names.target, connections.oracleUser);
        const auto policy = exists && options.resume ? ExistingTablePolicy::Merge : options.policy;
        if (exists && policy != ExistingTablePolicy::Overwrite) {
            script += remark(std::string("Oracle has it: ") +
                             (policy == ExistingTablePolicy::Skip ? "Skip leaves it alone" : "its rows are kept"));
            script += "\n";
            continue;
        }
        const PreparedTable prepared = PrepareTargetTable(connections.catalog, names, options);
        if (!prepared.success) {
            script += remark("Nothing: " + prepared.message) + "\n";
            continue;
        }
        if (exists)
            script += scripted("drop table " + quoteOracleName(names.target) + " cascade constraints");
        for (const auto &note : prepared.notes)
            script += remark(note);
        script += scripted(prepared.statement);
        if (names.marked)
            script += scripted("comment on table " + quoteOracleName(names.target) + " is " +
                               quoteOracleText(tableMarker(names.source)));
        if (!options.skipIndexes) {
            std::vector<std::string> notes;
            for (const auto &key : BuildKeyStatements(connections.catalog, names, options, plan.objects, &notes)) {
                if (key.error.empty())
                    script += scripted(key.sql);
                else
                    script += remark("Not sent, " + key.name + ": " + key.error);
            }
            for (const auto &note : notes)
                script += remark(note);
        }
        if (options.keepSchema) {
            std::vector<std::string> notes;
            const auto statements = BuildSchemaAfterRows(connections.catalog, names, options, plan.objects, notes);
            for (const auto &note : notes)
                script += remark(note);
            for (const auto &statement : statements)
                script += scripted(statement.sql);
        }
        script += "\n";
        made.push_back(&table);
    }
    if (options.keepSchema && !made.empty()) {
        script += remark("Foreign keys, once every table is there");
        for (const TablePlan *table : made) {
            const TableDetails details = ReadTableDetails(connections.catalog, table->names.source);
            std::vector<std::string> notes;
            const ColumnsOf columnsOf = [&](const std::string &name) {
                return ColumnNamesOf(name == table->names.source ? details
                                                                 : ReadTableDetails(connections.catalog, name),
                                     options.allows.nameBytes);
            };
            const auto statements =
                ForeignKeyStatements(table->names, details, plan.targets, options, plan.objects, columnsOf, notes);
            for (const auto &note : notes)
                script += remark(note);
            for (const auto &statement : statements)
                script += scripted(statement.sql);
        }
    }
    return script;
}

} // namespace convert
