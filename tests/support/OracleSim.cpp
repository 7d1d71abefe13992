#include "support/OracleSim.h"

#include "db/Profiles.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {
std::string shellQuote(const std::string &s)
{
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}
} // namespace

int runCommand(const std::vector<std::string> &argv, std::string *output)
{
    std::string line;
    for (const auto &a : argv)
        line += shellQuote(a) + " ";
    line += "2>&1";
    FILE *pipe = popen(line.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run " + line);
    std::array<char, 4096> buf{};
    std::string out;
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0)
        out.append(buf.data(), n);
    int status = pclose(pipe);
    if (output)
        *output = out;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

OracleSim::OracleSim(std::string user, std::string password) : m_user(std::move(user)), m_password(std::move(password))
{
    std::string pattern = (std::filesystem::temp_directory_path() / "morvane-oracle-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a folder for the Oracle stand-in");
    m_home = pattern;
    setenv("ORACLE_SIM_HOME", m_home.c_str(), 1);
    createUser(m_user, m_password);
}

OracleSim::~OracleSim()
{
    std::error_code ec;
    std::filesystem::remove_all(m_home, ec);
}

namespace {

void runAdmin(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), std::string(MORVANE_BINARY_DIR) + "/oracle-sim/oracle-sim-admin");
    std::string out;
    if (runCommand(arguments, &out) != 0)
        throw std::runtime_error("oracle-sim-admin create-user failed: " + out);
}

} // namespace

void OracleSim::createUser(const std::string &user, const std::string &password) const
{
    runAdmin({"create-user", m_service, user, password});
}

void OracleSim::createUser(const std::string &user, const std::string &password, const std::string &privileges,
                           const std::string &quota) const
{
    std::vector<std::string> arguments = {"create-user", m_service, user, password, "--privileges", privileges};
    if (!quota.empty())
        arguments.insert(arguments.end(), {"--quota", quota});
    runAdmin(arguments);
}

std::vector<std::string> OracleSim::profile() const { return profile(m_user, m_password); }

std::vector<std::string> OracleSim::profile(const std::string &user, const std::string &password) const
{
    return db::oracleTargetProfile(m_service, user, password);
}

} // namespace testsupport
