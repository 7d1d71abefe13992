#include "support/EngineRig.h"

#include "db/Drivers.h"

namespace testsupport {

const std::vector<std::string> EngineRig::kCompletionLines = {
    "Conversion is Completed", "Wizard has migrated your MySQL database to Oracle server successfully.",
    "Click 'Finish' to exit the wizard."};

namespace {
std::unique_ptr<db::Connection> openOracle(const std::vector<std::string> &profile)
{
    auto c = db::createOracleConnection();
    c->replaceProfile(profile);
    c->open();
    return c;
}
} // namespace

EngineRig::EngineRig(const std::vector<std::string> &mysqlSetup) : m_mysql(mysqlSetup)
{
    m_catalog = connectSandbox(m_mysql.name());
    m_rowSource = db::createMySqlConnection();
    m_oracleConn = openOracle(m_oracle.profile());
    m_oracleData = openOracle(m_oracle.profile());
    m_oracleInsert = openOracle(m_oracle.profile());
    m_adminId = m_mysql.admin().query("select connection_id()").at(0).at(0).data;
    m_catalogId = m_catalog->query("select connection_id()").at(0).at(0).data;
}

convert::RunConnections EngineRig::connections()
{
    return {*m_catalog, *m_rowSource, m_mysql.profile(), *m_oracleConn, *m_oracleData, *m_oracleInsert,
            m_oracle.user()};
}

convert::RunHooks EngineRig::hooks(convert::ProgressHook progress)
{
    convert::RunHooks hooks{m_log, std::move(progress), {}};
    hooks.closing.completed = kCompletionLines;
    return hooks;
}

convert::RunSummary EngineRig::run(const std::vector<std::string> &tables, const convert::ConversionOptions &options,
                                   convert::ProgressHook progress)
{
    convert::ConversionRun run(connections(), options, hooks(std::move(progress)));
    try {
        const auto summary = run.run(tables);
        m_record = run.record();
        return summary;
    } catch (...) {
        m_record = run.record();
        throw;
    }
}

std::vector<db::Row> EngineRig::oracleRows(const std::string &sql, const std::vector<db::Value> &binds)
{
    if (!m_oracleReader)
        m_oracleReader = openOracle(m_oracle.profile());
    auto rows = m_oracleReader->query(sql, binds);
    m_oracleReader->commit(); // end the read so the next one sees newer commits
    return rows;
}

std::vector<db::Row> EngineRig::mysqlRows(const std::string &sql) { return m_mysql.admin().query(sql); }

std::vector<std::string> EngineRig::convertCommand(const std::string &program, const std::string &command,
                                                  const std::vector<std::string> &extra)
{
    std::vector<std::string> args = {std::string(MORVANE_BINARY_DIR) + "/" + program,
                                     command,
                                     "--mysql-database",
                                     m_mysql.name(),
                                     "--mysql-user",
                                     kSandboxUser,
                                     "--mysql-password",
                                     kSandboxPassword,
                                     "--oracle",
                                     m_oracle.user() + "/tiger@" + m_oracle.service()};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

void EngineRig::killOtherMySqlSessions()
{
    auto ids = m_mysql.admin().query("select id from information_schema.processlist where db = '" + m_mysql.name() +
                                     "' and id not in (" + m_adminId + "," + m_catalogId + ")");
    for (const auto &row : ids) {
        try {
            m_mysql.admin().execute("KILL " + row.at(0).data);
        } catch (const std::exception &) {
            // Already gone.
        }
    }
}

} // namespace testsupport
