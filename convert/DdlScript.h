#pragma once

#include "ConversionOptions.h"
#include "TableCheck.h"

#include <chrono>
#include <string>
#include <vector>

namespace convert {

// Where a script's statements come from and go to, for its header.
struct DdlScriptSource {
    std::string mysqlHost; // empty: the local server
    std::string mysqlDatabase;
    std::string oracleUser, oracleService;
    std::chrono::system_clock::time_point written = std::chrono::system_clock::now();
};

// The statements a run with these options would send to Oracle, in the order it would send them, as a
// script SQL*Plus or SQLcl runs as it stands: the drop of a table Overwrite replaces, each create (and the
// comment that marks a renamed table), its primary key and indexes and, with constraints kept, its
// identity's next number, NOT NULL, checks and comments; then the foreign keys. Names are settled as a
// run settles them against the Oracle schema as it is now. Each statement ends with ";" on its last line;
// what a run would say of a table (a column made CLOB, a key not sent) stands above its statements as a
// comment. Under a header naming the source, the target, the options and the time. Sends nothing that
// changes either server. Throws when the Oracle schema or the MySQL table list cannot be read.
std::string BuildDdlScript(CheckConnections &connections, const std::vector<std::string> &tables,
                           const ConversionOptions &options, const DdlScriptSource &source);

// The options as the command line writes them ("--keep-schema --merge ..."), for headers.
std::string OptionsAsArguments(const ConversionOptions &options);

} // namespace convert
