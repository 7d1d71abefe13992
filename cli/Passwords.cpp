#include "Passwords.h"

#include "CommandOptions.h"

#include <cstdio>
#include <cstdlib>

#include <termios.h>
#include <unistd.h>

namespace cli {

namespace {

// Echo off for as long as it lives, and back as it was whatever happens.
class EchoOff {
public:
    explicit EchoOff(int fd) : m_fd(fd)
    {
        if (tcgetattr(fd, &m_saved) != 0)
            return;
        termios quiet = m_saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL; // the user's Enter still ends the line on the screen
        m_active = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (m_active)
            tcsetattr(m_fd, TCSAFLUSH, &m_saved);
    }
    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;

private:
    int m_fd;
    termios m_saved{};
    bool m_active = false;
};

std::optional<std::string> askOnTerminal(const std::string &question)
{
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    std::string answer;
    {
        // Echo goes off before the question shows, so nothing typed in answer to it is ever shown.
        EchoOff quiet(STDIN_FILENO);
        std::fputs(question.c_str(), stderr);
        std::fflush(stderr);
        char c = 0;
        while (read(STDIN_FILENO, &c, 1) == 1 && c != '\n')
            answer += c;
    }
    if (!answer.empty() && answer.back() == '\r')
        answer.pop_back();
    return answer;
}

} // namespace

std::optional<std::string> passwordFromEnvironment(const char *variable, const std::string &question)
{
    if (const char *value = std::getenv(variable))
        return std::string(value);
    return askOnTerminal(question);
}

std::string resolvePasswords(CommandOptions &o)
{
    if (!o.mysqlPassword) {
        o.mysqlPassword = passwordFromEnvironment("MYSQL_PWD", "Password of MySQL user " + o.user + ": ");
        if (!o.mysqlPassword)
            return "no password for MySQL user " + o.user +
                   ": give --mysql-password, set MYSQL_PWD, or run the command from a terminal to be asked";
    }
    if (!o.oraclePassword) {
        o.oraclePassword = passwordFromEnvironment(
            "MORVANE_ORACLE_PASSWORD", "Password of Oracle user " + o.oracleUser + "@" + o.oracleService + ": ");
        if (!o.oraclePassword)
            return "no password for Oracle user " + o.oracleUser +
                   ": give --oracle USER/PASSWORD@SERVICE, set MORVANE_ORACLE_PASSWORD, or run the command from a "
                   "terminal to be asked";
    }
    return {};
}

} // namespace cli
