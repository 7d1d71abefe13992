#include "FieldEscaper.h"

#include <cstdio>

std::string FieldEscaper::escape(const db::Value &value)
{
    if (value.isNull())
        return "\\N";
    const bool binary = value.kind == db::ValueKind::Binary;
    std::string out;
    out.reserve(value.data.size());
    for (char ch : value.data) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default:
            if (c < 0x20 || c == 0x7F || (binary && c >= 0x80)) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02X", c);
                out += buf;
            } else {
                out += ch;
            }
        }
    }
    return out;
}
