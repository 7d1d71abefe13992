#pragma once

#include <optional>
#include <string>

namespace cli {

// USER/PASSWORD@SERVICE, as Oracle's own command-line tools take it: the first '/' ends the user, the
// last '@' starts the service, so a password may hold either character. USER@SERVICE leaves the password
// out, to be taken from the environment or asked for.
struct OracleLogin {
    std::string user;
    std::optional<std::string> password;
    std::string service;

    static std::optional<OracleLogin> parse(const std::string &text)
    {
        const auto at = text.rfind('@');
        if (at == std::string::npos)
            return std::nullopt;
        OracleLogin login;
        const auto slash = text.find('/');
        if (slash == std::string::npos || slash > at) {
            login.user = text.substr(0, at);
        } else {
            login.user = text.substr(0, slash);
            login.password = text.substr(slash + 1, at - slash - 1);
        }
        login.service = text.substr(at + 1);
        if (login.user.empty() || login.service.empty())
            return std::nullopt;
        return login;
    }
};

} // namespace cli
