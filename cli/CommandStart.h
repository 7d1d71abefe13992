#pragma once

#include "CommandOptions.h"

#include "convert/RunReport.h"

namespace db {
class Connection;
}

#include <optional>
#include <string>

namespace cli {

// The arguments parsed and the passwords found; on --help the help text has been printed. When this
// gives nothing, `exitStatus` says how the command ends (0 after --help, 2 for bad arguments).
std::optional<CommandOptions> startCommand(Command command, int argc, char **argv, const std::string &program,
                                           int &exitStatus);

// Settles the arguments only the MySQL server can judge, once it is connected and before anything
// reaches Oracle: --charset becomes the server's own name of the set. When the server has no such set,
// says so on stderr and returns false: the command ends with bad arguments. A lost connection is
// thrown, as any other.
bool settleWithMySql(db::Connection &catalog, CommandOptions &options, const std::string &program);

// What a report says of the run's arguments: everything but the passwords.
convert::RunDescription describeRun(const CommandOptions &options, const std::string &program);

// Makes sure the report can be written before anything is done, so a mistyped folder costs no run.
// Returns what is wrong, or empty.
std::string checkReportPath(const std::string &path);

} // namespace cli
