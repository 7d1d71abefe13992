#pragma once

#include "db/Connection.h"

#include <memory>
#include <string>
#include <vector>

namespace cli {

struct CommandOptions;

// The five connections of a run, as the wizard holds them, opened from the command line's entries
// (passwords resolved). Throws the server's error when one cannot be opened.
struct Connections {
    explicit Connections(const CommandOptions &options);

    std::vector<std::string> sourceProfile;
    std::unique_ptr<db::Connection> catalog, rowSource;
    std::unique_ptr<db::Connection> oracleConn, oracleData, oracleInsert;
};

} // namespace cli
