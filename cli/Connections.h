#pragma once

#include "db/Connection.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct CommandOptions;

// The five connections of a run, as the wizard holds them, opened from the command line's entries
// (passwords resolved). MySQL is opened first and Oracle only by openOracle(), so that arguments only
// the MySQL server can judge are judged before anything reaches Oracle. Each throws the server's error
// when a connection cannot be opened.
struct Connections {
    explicit Connections(const CommandOptions &options);
    void openOracle();

    std::vector<std::string> sourceProfile;
    std::unique_ptr<db::Connection> catalog, rowSource;
    std::unique_ptr<db::Connection> oracleConn, oracleData, oracleInsert;

private:
    std::vector<std::string> m_targetProfile;
    std::optional<unsigned> m_oracleTimeout;
};

} // namespace cli
