#include "ConnectionProfile.h"

namespace db {

namespace {
char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string_view keyOf(std::string_view line)
{
    auto eq = line.find('=');
    return eq == std::string_view::npos ? line : line.substr(0, eq);
}
} // namespace

bool equalsIgnoreCase(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
    return true;
}

std::string asciiUpper(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = upperAscii(c);
    return out;
}

void ConnectionProfile::setParameter(std::string_view key, std::string_view value)
{
    std::string line = std::string(key) + "=" + std::string(value);
    for (auto &existing : m_lines) {
        if (equalsIgnoreCase(keyOf(existing), key)) {
            // Keep the key as the list spelled it: only the value changes.
            existing = std::string(keyOf(existing)) + "=" + std::string(value);
            return;
        }
    }
    m_lines.push_back(std::move(line));
}

std::optional<std::string> ConnectionProfile::parameter(std::string_view key) const
{
    for (const auto &line : m_lines) {
        auto eq = line.find('=');
        if (eq != std::string::npos && equalsIgnoreCase(std::string_view(line).substr(0, eq), key))
            return line.substr(eq + 1);
    }
    return std::nullopt;
}

std::string ConnectionProfile::parameterOr(std::string_view key, std::string_view fallback) const
{
    auto v = parameter(key);
    return v ? *v : std::string(fallback);
}

} // namespace db
