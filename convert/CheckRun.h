#pragma once

#include "LogSink.h"
#include "TableCheck.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace convert {

// Checks the selected tables in order, as a run with these options would meet them: the Oracle names
// settled first, the way the run settles them, then each table's findings under a "Check table NAME"
// heading, and a closing line with the number of problems. afterTable, when given, runs after each
// table, so a window can stay live. Returns the problems found; throws the server's error when the
// Oracle names cannot be settled.
std::size_t CheckTables(CheckConnections &connections, const std::vector<std::string> &tables,
                        const ConversionOptions &options, LogSink &out, const std::function<void()> &afterTable = {});

} // namespace convert
