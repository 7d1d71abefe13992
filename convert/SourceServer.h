#pragma once

#include <string>
#include <string_view>

namespace db {
class Connection;
}

namespace convert {

// Which MySQL server the source is: MariaDB and MySQL write their information schema, SHOW INDEX and
// some expressions differently, and each added what it has in a version of its own.
struct SourceServer {
    bool mariadb = true;
    int major = 10, minor = 11, patch = 0;

    // From the version text the server gives at connect: "10.11.6-MariaDB-0+deb12u1",
    // "5.5.5-10.3.39-MariaDB" (MariaDB behind the old replication prefix), "8.0.36", "5.7.44-log".
    static SourceServer from(std::string_view version);
    // The server of an open connection (read at its connect: no round trip).
    static SourceServer of(const db::Connection &mysql);

    bool atLeast(int maj, int min, int pat = 0) const noexcept;
    bool isMySql8() const noexcept { return !mariadb && major >= 8; }
};

} // namespace convert
