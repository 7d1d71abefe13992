#pragma once

#include "support/MySqlSandbox.h"
#include "support/OracleTarget.h"

#include "convert/ConversionRun.h"
#include "convert/LogSink.h"
#include "db/Connection.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// Everything a conversion run needs, real on both sides: a scratch database on the sandbox MariaDB
// and the test's Oracle (a fresh stand-in service, or MORVANE_TEST_ORACLE), with the five
// connections the window would hold.
class EngineRig {
public:
    explicit EngineRig(const std::vector<std::string> &mysqlSetup = {});

    ScratchDatabase &mysql() noexcept { return m_mysql; }
    OracleTarget &oracle() noexcept { return m_oracle; }
    db::Connection &catalog() noexcept { return *m_catalog; }
    db::Connection &rowSource() noexcept { return *m_rowSource; }
    db::Connection &oracleConn() noexcept { return *m_oracleConn; }
    db::Connection &oracleData() noexcept { return *m_oracleData; }
    db::Connection &oracleInsert() noexcept { return *m_oracleInsert; }
    convert::MemoryLog &log() noexcept { return m_log; }
    const convert::RunRecord &record() const noexcept { return m_record; }

    convert::RunConnections connections();
    convert::RunHooks hooks(convert::ProgressHook progress = {});

    // A whole run over these tables, as the window would start it; record() then holds what it did.
    convert::RunSummary run(const std::vector<std::string> &tables, const convert::ConversionOptions &options = {},
                            convert::ProgressHook progress = {});

    // Reads Oracle on a connection of its own, so only committed rows are seen.
    std::vector<db::Row> oracleRows(const std::string &sql, const std::vector<db::Value> &binds = {});
    std::vector<db::Row> mysqlRows(const std::string &sql);

    // A command line of one of our programs (`program` relative to the build folder, e.g. "cli/morvane-cli",
    // then `command`) with the rig's databases and passwords as arguments, then `extra`.
    std::vector<std::string> convertCommand(const std::string &program, const std::string &command,
                                            const std::vector<std::string> &extra);

    // Kills the MySQL sessions on the scratch database other than the rig's own admin and catalog.
    void killOtherMySqlSessions();

    static const std::vector<std::string> kCompletionLines;

private:
    ScratchDatabase m_mysql;
    OracleTarget m_oracle;
    std::unique_ptr<db::Connection> m_catalog, m_rowSource;
    std::unique_ptr<db::Connection> m_oracleConn, m_oracleData, m_oracleInsert, m_oracleReader;
    std::string m_adminId, m_catalogId;
    convert::MemoryLog m_log;
    convert::RunRecord m_record;
};

} // namespace testsupport
