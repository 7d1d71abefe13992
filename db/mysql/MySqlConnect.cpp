#include "MySqlConnect.h"

#include "MySqlError.h"
#include "db/Error.h"

#include <errmsg.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
#include <string>

#if defined(_WIN32)
#include <winsock2.h>
#define poll WSAPoll
#else
#include <poll.h>
#endif

namespace db {

namespace {

using Clock = std::chrono::steady_clock;

// How long one wait for the server lasts before it looks again whether the connect was given up.
constexpr std::chrono::milliseconds kCancelCheck{100};
// The stack the client library connects on while the program waits in its place. Its own default is
// small for a host name looked up through the system's resolver; pages not touched are never used.
constexpr std::size_t kConnectStack = 512 * 1024;

const char *orNull(const std::string &text) { return text.empty() ? nullptr : text.c_str(); }

std::string shownHost(const std::string &host) { return host.empty() ? std::string("localhost") : host; }

// The client's text for a server that accepted the connection and then said nothing ("Lost connection
// to server at 'handshake: ...'") does not say which server it was, nor that it was a wait that ended.
[[noreturn]] void throwConnectError(MYSQL *mysql, const std::string &host, Clock::duration took)
{
    const unsigned int code = mysql_errno(mysql);
    const bool lost = code == CR_SERVER_LOST || code == CR_SERVER_LOST_EXTENDED;
    const auto seconds = std::chrono::round<std::chrono::seconds>(took).count();
    if (!lost || seconds < 1)
        throwMySqlError(mysql);
    throw ConnectionLostError("The MySQL server " + shownHost(host) + " did not answer within " +
                                  std::to_string(seconds) + " seconds: " + mysql_error(mysql),
                              static_cast<int>(code));
}

[[noreturn]] void throwCancelled(const std::string &host)
{
    throw CancelledError("Connecting to the MySQL server " + shownHost(host) + " was cancelled");
}

// Waits on the client's socket for what it asked (MYSQL_WAIT_* flags) and says what happened. The
// end of the client's own time limit, and a cancel, both read as MYSQL_WAIT_TIMEOUT: the client then
// gives up the connect and cleans up after it as it does for its own limit.
int waitForServer(MYSQL *mysql, int wanted, const std::atomic<bool> *cancelled)
{
    std::optional<Clock::time_point> deadline;
    if (wanted & MYSQL_WAIT_TIMEOUT)
        deadline = Clock::now() + std::chrono::milliseconds(mysql_get_timeout_value_ms(mysql));
    pollfd socket{};
    socket.fd = mysql_get_socket(mysql);
    socket.events =
        static_cast<short>((wanted & MYSQL_WAIT_READ ? POLLIN : 0) | (wanted & MYSQL_WAIT_WRITE ? POLLOUT : 0) |
                           (wanted & MYSQL_WAIT_EXCEPT ? POLLPRI : 0));
    for (;;) {
        if (cancelled && cancelled->load())
            return MYSQL_WAIT_TIMEOUT;
        auto slice = kCancelCheck;
        if (deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
            if (left.count() <= 0)
                return MYSQL_WAIT_TIMEOUT;
            slice = std::min(slice, left);
        }
        const int ready = poll(&socket, 1, static_cast<int>(slice.count()));
        // Whatever the socket says (data, room, a hang-up, an error), the client finds out by trying.
        if (ready > 0)
            return wanted & ~MYSQL_WAIT_TIMEOUT;
        if (ready < 0 && errno != EINTR)
            return MYSQL_WAIT_TIMEOUT;
    }
}

// mysql_real_connect, with the waits in the program's hands.
bool connectWaitingHere(MYSQL *mysql, const std::string &host, const std::string &user, const std::string &password,
                        const std::string &database, const std::atomic<bool> *cancelled)
{
    if (mysql_optionsv(mysql, MYSQL_OPT_NONBLOCK, &kConnectStack) != 0)
        throwMySqlError(mysql);
    MYSQL *connected = nullptr;
    // Port 0 and no socket: the client's defaults, i.e. 3306 and the local socket unless an option
    // file says otherwise. "localhost" is passed as is, which the client takes as the local socket.
    int wanted = mysql_real_connect_start(&connected, mysql, orNull(host), user.c_str(), password.c_str(),
                                          orNull(database), 0, nullptr, CLIENT_MULTI_RESULTS);
    while (wanted != 0)
        wanted = mysql_real_connect_cont(&connected, mysql, waitForServer(mysql, wanted, cancelled));
    return connected != nullptr;
}

bool isCancelled(const std::atomic<bool> *cancelled) { return cancelled && cancelled->load(); }

} // namespace

MySqlHandle connectMySql(const ConnectionProfile &profile, unsigned connectSeconds, unsigned seconds,
                         const std::atomic<bool> *cancelled)
{
    MySqlHandle mysql(mysql_init(nullptr));
    if (!mysql)
        throw Error("Out of memory while creating a MySQL connection");

    // A server that accepts the connection and never answers must not hold the program: connecting and
    // every read and write give up after a while. Set before the option files are read (the client
    // reads them while connecting), so a connect-timeout there wins.
    mysql_optionsv(mysql.get(), MYSQL_OPT_CONNECT_TIMEOUT, &connectSeconds);
    mysql_optionsv(mysql.get(), MYSQL_OPT_READ_TIMEOUT, &seconds);
    mysql_optionsv(mysql.get(), MYSQL_OPT_WRITE_TIMEOUT, &seconds);
    // Read the [client] group of the standard option files, as every MySQL client does: that is where
    // users (and our test sandbox) name the local socket and the default port.
    mysql_optionsv(mysql.get(), MYSQL_READ_DEFAULT_GROUP, "client");
    const std::string charset = profile.parameterOr("CharSet", "utf8mb4");
    mysql_optionsv(mysql.get(), MYSQL_SET_CHARSET_NAME, charset.c_str());

    const std::string host = profile.parameterOr("HostName", "");
    const std::string user = profile.parameterOr("User_Name", "");
    const std::string password = profile.parameterOr("Password", "");
    const std::string database = profile.parameterOr("Database", "");
    const auto started = Clock::now();
    const bool connected = connectWaitingHere(mysql.get(), host, user, password, database, cancelled);
    if (isCancelled(cancelled))
        throwCancelled(host);
    if (!connected)
        throwConnectError(mysql.get(), host, Clock::now() - started);

    // An option file may name its own default character set, which would win over ours.
    const char *current = mysql_character_set_name(mysql.get());
    if (!current || charset != current) {
        if (mysql_set_character_set(mysql.get(), charset.c_str()) != 0)
            throwMySqlError(mysql.get());
    }
    if (isCancelled(cancelled))
        throwCancelled(host);
    return mysql;
}

} // namespace db
