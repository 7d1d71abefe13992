#include "OciMarkers.h"

namespace db {

std::string positionalMarkers(std::string_view sql)
{
    std::string out;
    out.reserve(sql.size() + 16);
    int next = 1;
    std::size_t i = 0;
    // Copies through the closing text (or to the end when it is missing: Oracle reports that itself).
    auto copyThrough = [&](std::string_view closing) {
        std::size_t end = sql.find(closing, i);
        end = end == std::string_view::npos ? sql.size() : end + closing.size();
        out.append(sql.substr(i, end - i));
        i = end;
    };
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'') {
            // '' inside a literal is an escaped quote: the literal simply goes on after it.
            out += c;
            ++i;
            copyThrough("'");
        } else if (c == '"') {
            out += c;
            ++i;
            copyThrough("\"");
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            copyThrough("\n");
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            out += "/*";
            i += 2;
            copyThrough("*/");
        } else if (c == '?') {
            out += ':';
            out += std::to_string(next++);
            ++i;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

} // namespace db
