#include "JsonWriter.h"

#include <cstdio>

namespace convert {

namespace {

// Length of the valid UTF-8 sequence at text[i], or 0.
std::size_t utf8Length(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    return length;
}

} // namespace

void JsonWriter::separate()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first)
        m_text += ',';
    m_first = false;
}

JsonWriter &JsonWriter::beginObject()
{
    separate();
    m_text += '{';
    m_first = true;
    return *this;
}

JsonWriter &JsonWriter::endObject()
{
    m_text += '}';
    m_first = false;
    return *this;
}

JsonWriter &JsonWriter::beginArray()
{
    separate();
    m_text += '[';
    m_first = true;
    return *this;
}

JsonWriter &JsonWriter::endArray()
{
    m_text += ']';
    m_first = false;
    return *this;
}

JsonWriter &JsonWriter::key(std::string_view name)
{
    separate();
    quoted(name);
    m_text += ':';
    m_afterKey = true;
    return *this;
}

void JsonWriter::quoted(std::string_view text)
{
    m_text += '"';
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t length = utf8Length(text, i);
        if (length == 0) {
            m_text += "\\ufffd";
            ++i;
            continue;
        }
        if (c == '"' || c == '\\') {
            m_text += '\\';
            m_text += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            m_text += escape;
        } else {
            m_text.append(text.substr(i, length));
        }
        i += length;
    }
    m_text += '"';
}

JsonWriter &JsonWriter::value(std::string_view text)
{
    separate();
    quoted(text);
    return *this;
}

JsonWriter &JsonWriter::value(std::int64_t number)
{
    separate();
    m_text += std::to_string(number);
    return *this;
}

JsonWriter &JsonWriter::value(std::uint64_t number)
{
    separate();
    m_text += std::to_string(number);
    return *this;
}

JsonWriter &JsonWriter::value(double number)
{
    separate();
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.3f", number);
    m_text += digits;
    return *this;
}

JsonWriter &JsonWriter::value(bool flag)
{
    separate();
    m_text += flag ? "true" : "false";
    return *this;
}

JsonWriter &JsonWriter::null()
{
    separate();
    m_text += "null";
    return *this;
}

} // namespace convert
