#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace oraclesim {

// An Oracle error as a client sees it: the positive code and the full "ORA-nnnnn: text" line.
// Every failure of the stand-in travels as one of these, so the text a user reads is always the
// wording Oracle itself uses for that number.
class OraError : public std::exception {
public:
    OraError(int code, std::string message);

    // The standard text for the code, with each %s replaced by the next argument.
    static OraError of(int code);
    static OraError of(int code, std::string_view arg);
    static OraError of(int code, std::string_view arg1, std::string_view arg2);
    static OraError of(int code, std::string_view arg1, std::string_view arg2, std::string_view arg3);
    // Parses "ORA-nnnnn: text" (as written in fault-injection settings); anything else becomes ORA-00600.
    static OraError parse(std::string_view line);

    int code() const noexcept { return m_code; }
    const std::string &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_message.c_str(); }

private:
    int m_code;
    std::string m_message;
};

// Quotes a name the way Oracle's messages show it: "NAME".
std::string quotedName(std::string_view name);

} // namespace oraclesim
