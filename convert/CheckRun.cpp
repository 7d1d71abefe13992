#include "CheckRun.h"

#include "OracleAllowance.h"
#include "RunPlan.h"

#include "db/OracleServerInfo.h"

namespace convert {

std::size_t CheckTables(CheckConnections &connections, const std::vector<std::string> &tables,
                        const ConversionOptions &options, LogSink &out, const std::function<void()> &afterTable)
{
    ConversionOptions settled = options;
    const OracleAllowance allowance = SettleOracleAllowance(connections.oracleConn, connections.oracleUser, options);
    settled.allows = allowance.allows;
    std::size_t problems = 0;
    out.append("Check Oracle user " + connections.oracleUser);
    if (const db::OracleServerInfo *server = db::oracleServerInfo(connections.oracleConn))
        out.append("  " + server->summary());
    for (const auto &line : allowance.lines) {
        out.append(std::string(line.problem ? "  problem: " : "  ") + line.text);
        problems += line.problem;
    }
    out.append("");
    RunPlan plan = RunPlan::make(connections.catalog, connections.oracleConn, connections.oracleUser, tables, settled);
    for (const auto &table : plan.tables) {
        out.append("Check table " + table.names.source);
        if (table.problem.empty()) {
            const TableCheck check = CheckTable(connections, table.names, settled, plan.objects);
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
