#include "CheckRun.h"

#include "NameRules.h"
#include "TargetNamePlanner.h"
#include "TargetSteps.h"

namespace convert {

std::size_t CheckTables(CheckConnections &connections, const std::vector<std::string> &tables,
                        const ConversionOptions &options, LogSink &out, const std::function<void()> &afterTable)
{
    TargetNamePlanner planner([&](const std::string &name) {
        return TargetTableExists(connections.oracleConn, name, connections.oracleUser);
    });
    std::vector<TableNames> names;
    for (const auto &table : tables) {
        const std::string working = ApplyNameCase(table, options.uppercaseNames);
        names.push_back({table, working, planner.nameFor(working)});
    }
    std::size_t problems = 0;
    for (const auto &table : names) {
        const TableCheck check = CheckTable(connections, table, options);
        out.append("Check table " + table.source);
        for (const auto &line : check.lines)
            out.append(line);
        out.append("");
        problems += check.problems;
        if (afterTable)
            afterTable();
    }
    out.append(std::to_string(names.size()) + " tables checked; problems: " + std::to_string(problems) + ".");
    return problems;
}

} // namespace convert
