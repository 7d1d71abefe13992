#pragma once

#include <optional>
#include <string>

// USER/PASSWORD@SERVICE, as Oracle's own command-line tools take it: the first '/' ends the user, the
// last '@' starts the service, so a password may hold either character.
struct OracleLogin {
    std::string user;
    std::string password;
    std::string service;

    static std::optional<OracleLogin> parse(const std::string &text)
    {
        auto at = text.rfind('@');
        if (at == std::string::npos)
            return std::nullopt;
        auto slash = text.find('/');
        if (slash == std::string::npos || slash > at)
            return std::nullopt;
        OracleLogin login{text.substr(0, slash), text.substr(slash + 1, at - slash - 1), text.substr(at + 1)};
        if (login.user.empty() || login.service.empty())
            return std::nullopt;
        return login;
    }
};
