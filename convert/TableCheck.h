#pragma once

#include "ConversionOptions.h"
#include "ObjectNamePlanner.h"
#include "TableNames.h"

#include <cstddef>
#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

// The connections a check reads; it sends nothing that changes either server.
struct CheckConnections {
    db::Connection &catalog;    // MySQL, open on the chosen database
    db::Connection &oracleConn; // Oracle: existence and row counts
    std::string oracleUser;
};

// What a run with these options would do to one table, found before it runs.
struct TableCheck {
    TableNames names;
    std::vector<std::string> lines; // the report, each line indented under the table's heading
    std::size_t problems = 0;       // findings that would fail a step or refuse rows
};

// Looks at one table: the Oracle name and why it differs, what the policy does to an Oracle table of
// that name, the statements the run would send, the columns whose meaning changes on the way, the rows
// Oracle would refuse (counted on the data, the first ones named by their key), the keys Oracle would
// refuse, and whether it is a view. Reads the table once for the rows, and once more to measure wide
// character columns; errors of either server are reported as problems, not thrown.
// Key and constraint names come from `objects`, as the run would settle them.
TableCheck CheckTable(CheckConnections &connections, const TableNames &names, const ConversionOptions &options,
                      ObjectNamePlanner &objects);

} // namespace convert
