#pragma once

#include <string>
#include <vector>

namespace testsupport {

// A fresh stand-in Oracle service for one test: its own ORACLE_SIM_HOME folder (set in this process's
// environment, so the driver's stand-in library sees it), with one user created by oracle-sim-admin.
class OracleSim {
public:
    explicit OracleSim(std::string user = "SCOTT", std::string password = "tiger");
    ~OracleSim();
    OracleSim(const OracleSim &) = delete;
    OracleSim &operator=(const OracleSim &) = delete;

    const std::string &service() const noexcept { return m_service; }
    const std::string &user() const noexcept { return m_user; }
    const std::string &home() const noexcept { return m_home; }
    // The twelve target profile lines for this service's user (or another user/password).
    std::vector<std::string> profile() const;
    std::vector<std::string> profile(const std::string &user, const std::string &password) const;
    // Adds another user to the service: with every privilege, or with the privileges and roles of the
    // list ("CREATE SESSION,CREATE TABLE") and the quota on USERS given ("UNLIMITED", bytes, or none).
    void createUser(const std::string &user, const std::string &password) const;
    void createUser(const std::string &user, const std::string &password, const std::string &privileges,
                    const std::string &quota = {}) const;

private:
    std::string m_service = "TESTSVC";
    std::string m_user;
    std::string m_password;
    std::string m_home;
};

// Runs a command, returns its exit status; throws when it cannot be started.
int runCommand(const std::vector<std::string> &argv, std::string *output = nullptr);

} // namespace testsupport
