#include "OraJson.h"

#include <cctype>
#include <set>
#include <string_view>

namespace oraclesim {

namespace {

class JsonReader {
public:
    JsonReader(const std::string &text, bool strict, bool uniqueKeys)
        : m_text(text), m_strict(strict), m_uniqueKeys(uniqueKeys)
    {
    }

    bool document()
    {
        skipSpace();
        if (!(peek() == '{' || peek() == '['))
            return false;
        if (!value())
            return false;
        skipSpace();
        return m_pos == m_text.size();
    }

private:
    char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }
    void skipSpace()
    {
        while (m_pos < m_text.size() &&
               (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static bool isNameChar(char c)
    {
        return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' ||
               static_cast<unsigned char>(c) >= 0x80;
    }

    bool value()
    {
        skipSpace();
        const char c = peek();
        if (c == '{')
            return object();
        if (c == '[')
            return array();
        if (c == '"' || (!m_strict && c == '\'')) {
            std::string ignored;
            return string(ignored);
        }
        if (c == '-' || isDigit(c) || (!m_strict && (c == '+' || c == '.')))
            return number();
        return literal();
    }

    bool object()
    {
        ++m_pos;
        std::set<std::string> names;
        skipSpace();
        if (peek() == '}') {
            ++m_pos;
            return true;
        }
        while (true) {
            skipSpace();
            std::string name;
            if (peek() == '"' || (!m_strict && peek() == '\'')) {
                if (!string(name))
                    return false;
            } else if (!m_strict && isNameChar(peek()) && !isDigit(peek())) {
                while (isNameChar(peek()))
                    name += m_text[m_pos++];
            } else {
                return false;
            }
            if (m_uniqueKeys && !names.insert(name).second)
                return false;
            skipSpace();
            if (peek() != ':')
                return false;
            ++m_pos;
            if (!value())
                return false;
            skipSpace();
            if (peek() == ',') {
                ++m_pos;
                continue;
            }
            if (peek() != '}')
                return false;
            ++m_pos;
            return true;
        }
    }

    bool array()
    {
        ++m_pos;
        skipSpace();
        if (peek() == ']') {
            ++m_pos;
            return true;
        }
        while (true) {
            if (!value())
                return false;
            skipSpace();
            if (peek() == ',') {
                ++m_pos;
                continue;
            }
            if (peek() != ']')
                return false;
            ++m_pos;
            return true;
        }
    }

    bool string(std::string &out)
    {
        const char quote = m_text[m_pos++];
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == quote)
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            const char e = peek();
            ++m_pos;
            if (e == 'u') {
                for (int k = 0; k < 4; ++k, ++m_pos)
                    if (!std::isxdigit(static_cast<unsigned char>(peek())))
                        return false;
                out += "\\u";
            } else if (std::string_view("\"\\/bfnrt").find(e) != std::string_view::npos || (!m_strict && e == '\'')) {
                out += e;
            } else {
                return false;
            }
        }
        return false;
    }

    bool number()
    {
        const std::size_t start = m_pos;
        if (peek() == '-' || (!m_strict && peek() == '+'))
            ++m_pos;
        std::size_t digits = 0;
        const std::size_t intStart = m_pos;
        for (; isDigit(peek()); ++m_pos)
            ++digits;
        if (m_strict && (digits == 0 || (digits > 1 && m_text[intStart] == '0')))
            return false;
        if (peek() == '.') {
            ++m_pos;
            std::size_t fraction = 0;
            for (; isDigit(peek()); ++m_pos)
                ++fraction;
            if (m_strict && fraction == 0)
                return false;
            digits += fraction;
        }
        if (digits == 0)
            return false;
        if (peek() == 'e' || peek() == 'E') {
            ++m_pos;
            if (peek() == '+' || peek() == '-')
                ++m_pos;
            if (!isDigit(peek()))
                return false;
            while (isDigit(peek()))
                ++m_pos;
        }
        return m_pos > start;
    }

    bool literal()
    {
        for (const char *word : {"true", "false", "null"}) {
            const std::string w(word);
            if (m_text.size() - m_pos < w.size())
                continue;
            std::string found = m_text.substr(m_pos, w.size());
            if (!m_strict)
                for (auto &ch : found)
                    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            if (found == w && !isNameChar(m_pos + w.size() < m_text.size() ? m_text[m_pos + w.size()] : ' ')) {
                m_pos += w.size();
                return true;
            }
        }
        return false;
    }

    const std::string &m_text;
    bool m_strict, m_uniqueKeys;
    std::size_t m_pos = 0;
};

} // namespace

bool OraJson::wellFormed(const std::string &text, bool strict, bool uniqueKeys)
{
    return JsonReader(text, strict, uniqueKeys).document();
}

} // namespace oraclesim
