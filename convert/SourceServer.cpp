#include "SourceServer.h"

#include "db/Connection.h"

#include <cstdio>

namespace convert {

SourceServer SourceServer::from(std::string_view version)
{
    SourceServer server;
    if (version.empty())
        return server; // not known: taken as the MariaDB our tests run
    server.mariadb = version.find("MariaDB") != std::string_view::npos;
    // MariaDB 10 once announced itself as 5.5.5-10.x to clients that expected a 5.x server.
    if (server.mariadb && version.substr(0, 6) == "5.5.5-")
        version.remove_prefix(6);
    const std::string text(version);
    int major = 0, minor = 0, patch = 0;
    const int read = std::sscanf(text.c_str(), "%d.%d.%d", &major, &minor, &patch);
    if (read >= 2) {
        server.major = major;
        server.minor = minor;
        server.patch = read == 3 ? patch : 0;
    }
    return server;
}

SourceServer SourceServer::of(const db::Connection &mysql) { return from(mysql.serverVersion()); }

bool SourceServer::atLeast(int maj, int min, int pat) const noexcept
{
    if (major != maj)
        return major > maj;
    if (minor != min)
        return minor > min;
    return patch >= pat;
}

} // namespace convert
