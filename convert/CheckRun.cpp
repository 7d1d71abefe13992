#include "CheckRun.h"

#include "RunPlan.h"

namespace convert {

std::size_t CheckTables(CheckConnections &connections, const std::vector<std::string> &tables,
                        const ConversionOptions &options, LogSink &out, const std::function<void()> &afterTable)
{
    RunPlan plan = RunPlan::make(connections.catalog, connections.oracleConn, connections.oracleUser, tables, options);
    std::size_t problems = 0;
    for (const auto &table : plan.tables) {
        out.append("Check table " + table.names.source);
        if (table.problem.empty()) {
            const TableCheck check = CheckTable(connections, table.names, options, plan.objects);
            for (const auto &line : check.lines)
                out.append(line);
            problems += check.problems;
        } else {
            out.append("  problem: " + table.problem);
            ++problems;
        }
        out.append("");
        if (afterTable)
            afterTable();
    }
    out.append(std::to_string(plan.tables.size()) + " tables checked; problems: " + std::to_string(problems) + ".");
    return problems;
}

} // namespace convert
