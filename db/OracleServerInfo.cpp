#include "OracleServerInfo.h"

#include <cctype>
#include <cstdlib>

namespace db {

namespace {

// The "X.Y" after a word in the text, if any.
bool releaseAfter(const std::string &text, const std::string &word, int &major, int &minor)
{
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        std::size_t p = at + word.size();
        if (p >= text.size() || !std::isdigit(static_cast<unsigned char>(text[p])))
            continue;
        char *end = nullptr;
        const long first = std::strtol(text.c_str() + p, &end, 10);
        if (*end != '.' || !std::isdigit(static_cast<unsigned char>(end[1])))
            continue;
        major = static_cast<int>(first);
        minor = static_cast<int>(std::strtol(end + 1, nullptr, 10));
        return true;
    }
    return false;
}

} // namespace

bool parseOracleRelease(const std::string &banner, int &major, int &minor)
{
    return releaseAfter(banner, "Version ", major, minor) || releaseAfter(banner, "Release ", major, minor);
}

std::string OracleServerInfo::summary() const
{
    std::string text = major > 0 ? "Oracle " + std::to_string(major) + "." + std::to_string(minor) : banner;
    text += ", names up to " + std::to_string(maxIdentifierBytes) + " bytes";
    text += ", MAX_STRING_SIZE ";
    text += extendedStrings ? (*extendedStrings ? "EXTENDED" : "STANDARD") : "not readable";
    if (!compatible.empty())
        text += ", COMPATIBLE " + compatible;
    return text;
}

} // namespace db
