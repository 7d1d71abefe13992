#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace oraclesim {

// The system privileges a user of the stand-in holds, as SESSION_PRIVS lists them: those granted
// directly and those of the roles granted (CONNECT, RESOURCE as Oracle 12c and later define them).
class Privileges {
public:
    // What a user made without a list holds: every privilege the stand-in knows.
    static Privileges every();
    // A comma-separated list of privileges and roles, in any case and spacing; nothing when a name is
    // neither (the text of `error` then names it).
    static std::optional<Privileges> parse(std::string_view list, std::string *error = nullptr);
    // The stored form: the privileges in upper case, separated by commas.
    std::string text() const;

    bool has(std::string_view privilege) const { return m_names.count(std::string(privilege)) > 0; }
    const std::set<std::string> &names() const noexcept { return m_names; }

private:
    std::set<std::string> m_names;
};

} // namespace oraclesim
