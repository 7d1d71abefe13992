#include "Privileges.h"

#include <algorithm>
#include <map>
#include <vector>

namespace oraclesim {

namespace {

const std::vector<std::string> &known()
{
    static const std::vector<std::string> names = {
        "CREATE SESSION", "CREATE TABLE",    "CREATE SEQUENCE", "CREATE VIEW",          "CREATE PROCEDURE",
        "CREATE TRIGGER", "CREATE TYPE",     "CREATE SYNONYM",  "UNLIMITED TABLESPACE", "SELECT ANY DICTIONARY",
        "CREATE CLUSTER", "CREATE OPERATOR", "CREATE INDEXTYPE"};
    return names;
}

// The system privileges of the predefined roles (CONNECT and RESOURCE since 12c; neither carries
// UNLIMITED TABLESPACE any more).
const std::map<std::string, std::vector<std::string>> &roles()
{
    static const std::map<std::string, std::vector<std::string>> table = {
        {"CONNECT", {"CREATE SESSION"}},
        {"RESOURCE",
         {"CREATE TABLE", "CREATE SEQUENCE", "CREATE PROCEDURE", "CREATE TRIGGER", "CREATE TYPE", "CREATE CLUSTER",
          "CREATE OPERATOR", "CREATE INDEXTYPE"}},
    };
    return table;
}

// Upper case, blanks at either end dropped and runs of blanks inside made one.
std::string normalised(std::string_view name)
{
    std::string out;
    for (char c : name) {
        if (c == ' ' || c == '\t') {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
            continue;
        }
        out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

} // namespace

Privileges Privileges::every()
{
    Privileges p;
    p.m_names.insert(known().begin(), known().end());
    return p;
}

std::optional<Privileges> Privileges::parse(std::string_view list, std::string *error)
{
    Privileges p;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string name = normalised(list.substr(start, comma - start));
        start = comma + 1;
        if (name.empty())
            continue;
        if (auto role = roles().find(name); role != roles().end()) {
            p.m_names.insert(role->second.begin(), role->second.end());
        } else if (std::find(known().begin(), known().end(), name) != known().end()) {
            p.m_names.insert(name);
        } else {
            if (error)
                *error = "'" + name + "' is no privilege or role the stand-in knows";
            return std::nullopt;
        }
    }
    return p;
}

std::string Privileges::text() const
{
    std::string out;
    for (const auto &name : m_names)
        out += (out.empty() ? "" : ",") + name;
    return out;
}

} // namespace oraclesim
