#include "support/MySqlSandbox.h"

#include "db/Drivers.h"
#include "db/Profiles.h"
#include "support/Env.h"

#include <atomic>
#include <unistd.h>

namespace testsupport {

bool sandboxAvailable() { return !env("MORVANE_SANDBOX").empty() && !env("MYSQL_HOME").empty(); }

std::vector<std::string> sourceProfile(const std::string &database)
{
    return db::mysqlSourceProfile(database, kSandboxUser, kSandboxPassword, "localhost");
}

std::unique_ptr<db::Connection> connectSandbox(const std::string &database)
{
    auto connection = db::createMySqlConnection();
    connection->replaceProfile(sourceProfile(database));
    connection->open();
    return connection;
}

namespace {
// Test executables run side by side on one server: the process id keeps their names apart.
std::string uniqueName()
{
    static std::atomic<int> counter{0};
    return "morvane_t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
}

void dropDatabase(const std::string &name) noexcept
{
    try {
        // On a session of its own: the test may have broken or closed the admin one.
        connectSandbox()->execute("DROP DATABASE IF EXISTS " + convert::quoteMySqlName(name));
    } catch (...) {
        // Nothing to report to from here; the sandbox is thrown away after the run anyway.
    }
}
} // namespace

ScratchDatabase::ScratchDatabase(const std::vector<std::string> &setup) : m_name(uniqueName())
{
    m_admin = connectSandbox();
    m_admin->execute("CREATE DATABASE " + convert::quoteMySqlName(m_name) + " CHARACTER SET utf8mb4");
    try {
        m_admin->execute("USE " + convert::quoteMySqlName(m_name));
        for (const auto &sql : setup)
            m_admin->execute(sql);
    } catch (...) {
        dropDatabase(m_name);
        throw;
    }
}

ScratchDatabase::~ScratchDatabase() { dropDatabase(m_name); }

} // namespace testsupport
