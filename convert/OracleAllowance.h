#pragma once

#include "ConversionOptions.h"

#include <cstddef>
#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

// What a run may do in Oracle, found before its first statement: the longest name the server takes
// (with --long-names), and whether the user holds the privileges the options need (CREATE TABLE always;
// CREATE SEQUENCE for identity columns when constraints are kept) and room for rows.
struct OracleAllowance {
    OracleAllows allows;
    // What the user should know before anything is sent: a missing privilege with what it costs, names
    // kept to 30 bytes although longer ones were asked for, no quota for rows.
    struct Line {
        std::string text;
        bool problem = false; // it makes tables fail
    };
    std::vector<Line> lines;
};

// Reads the server's limits and the session's privileges on the connection that creates the tables.
// Throws only when the connection itself fails; views it may not read leave a line, not an error.
OracleAllowance SettleOracleAllowance(db::Connection &oracle, const std::string &user,
                                      const ConversionOptions &options);

} // namespace convert
