#pragma once

// Tests against the sandbox build names and check the server's errors; these come with it.
#include "convert/NameRules.h"
#include "db/Connection.h"
#include "db/Error.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// The private MariaDB server that scripts/test.sh starts (scripts/mariadb-sandbox.sh). Tests reach it
// the way the wizard reaches a local server: HostName=localhost, with MYSQL_HOME pointing the client
// library at the sandbox's option file.
inline constexpr const char *kSandboxUser = "morvane";
inline constexpr const char *kSandboxPassword = "morvane";

// True when MORVANE_SANDBOX and MYSQL_HOME are set; tests without it call GTEST_SKIP.
bool sandboxAvailable();

// The four source lines for a database on the sandbox.
std::vector<std::string> sourceProfile(const std::string &database = {});

// An open MySQL connection to the sandbox with that profile.
std::unique_ptr<db::Connection> connectSandbox(const std::string &database = {});

// A fresh, uniquely named database for one test, dropped again when this object goes.
class ScratchDatabase {
public:
    // Runs the setup statements, in order, inside the new database.
    explicit ScratchDatabase(const std::vector<std::string> &setup = {});
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase &) = delete;
    ScratchDatabase &operator=(const ScratchDatabase &) = delete;

    const std::string &name() const noexcept { return m_name; }
    std::vector<std::string> profile() const { return sourceProfile(m_name); }
    // The connection that created the database, using it; for more setup or for checks.
    db::Connection &admin() noexcept { return *m_admin; }
    void execute(const std::string &sql) { m_admin->execute(sql); }

private:
    std::string m_name;
    std::unique_ptr<db::Connection> m_admin;
};

} // namespace testsupport

// First statement of a test that needs the sandbox.
#define MORVANE_REQUIRE_SANDBOX()                                                                            \
    do {                                                                                                     \
        if (!::testsupport::sandboxAvailable())                                                              \
            GTEST_SKIP() << "no MariaDB sandbox (run scripts/test.sh, or set MYSQL_HOME and MORVANE_SANDBOX)"; \
    } while (0)
