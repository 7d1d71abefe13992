#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// The ordered name=value lines handed to a connection before it opens. Order is kept because users
// and the settings see the lines as a list; keys compare without regard to ASCII case.
// Threads: a plain value; const use from several threads at once is safe.
class ConnectionProfile {
public:
    ConnectionProfile() = default;
    explicit ConnectionProfile(std::vector<std::string> lines) : m_lines(std::move(lines)) {}

    // Clears the list and takes these lines in order.
    void replace(std::vector<std::string> lines) { m_lines = std::move(lines); }
    // Replaces the value of the first line with this key in place, or appends "key=value".
    void setParameter(std::string_view key, std::string_view value);
    // The value of the first line with this key (text after the first '='), if any.
    std::optional<std::string> parameter(std::string_view key) const;
    // The value, or fallback when the key is absent.
    std::string parameterOr(std::string_view key, std::string_view fallback) const;

    const std::vector<std::string> &lines() const noexcept { return m_lines; }

private:
    std::vector<std::string> m_lines;
};

bool equalsIgnoreCase(std::string_view a, std::string_view b) noexcept;
// ASCII a-z to A-Z; every other byte unchanged.
std::string asciiUpper(std::string_view text);

} // namespace db
