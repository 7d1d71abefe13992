#pragma once

#include "convert/ConversionOptions.h"
#include "convert/ConversionRun.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class Command { Convert, Check, Verify };

// What the command line asked for. Every command takes the arguments of convert, so one line can be
// checked, run and verified by changing its first word.
struct CommandOptions {
    std::string database, user, host;         // an empty host is the local server
    std::optional<std::string> mysqlPassword; // left out: MYSQL_PWD, else a prompt
    std::string oracleUser, oracleService;
    std::optional<std::string> oraclePassword; // left out: MORVANE_ORACLE_PASSWORD, else a prompt
    convert::ConversionOptions options;
    std::vector<std::string> tables;
    std::string reportPath;
    std::string sqlPath; // check --sql FILE: the statements a run would send, as a script
    // Seconds a call whose time does not grow with the data may wait for each server (0: no limit);
    // left out: the drivers' default of 30 (and for MySQL an option file's connect-timeout, as for
    // every MySQL client).
    std::optional<unsigned> oracleTimeout, mysqlTimeout;
    convert::RunScope scope; // --part K/N, --foreign-keys-only
    bool fromSettings = false;
    bool help = false;
};

// Fills `out` from the arguments after the command word; returns what is wrong with them, or empty.
// --from-settings, wherever it stands, is taken first: the saved entries are the starting point and the
// other arguments change them.
std::string parseCommandOptions(Command command, int argc, char **argv, CommandOptions &out);

// The help text of a command, for `program` (such as "morvane-cli convert").
std::string commandUsage(Command command, const std::string &program);

} // namespace cli
