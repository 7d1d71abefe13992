#include "SourceCharsets.h"

#include "db/Connection.h"
#include "db/ConnectionProfile.h"
#include "db/Error.h"

namespace convert {

namespace {

// The sets the server has, for a message that has to say which one was meant.
std::string serverCharsets(db::Connection &mysql)
{
    std::string names;
    try {
        for (const auto &row : mysql.query("show character set"))
            names += (names.empty() ? "" : ", ") + row.at(0).data;
    } catch (const db::Error &) {
        // The message is complete without the list.
    }
    return names;
}

} // namespace

int sourceCharsetIndex(std::string_view name)
{
    for (std::size_t i = 0; i < kSourceCharsets.size(); ++i)
        if (db::equalsIgnoreCase(kSourceCharsets[i], name))
            return static_cast<int>(i);
    return -1;
}

bool isCharsetName(std::string_view name)
{
    if (name.empty())
        return false;
    for (unsigned char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

std::string checkedCharsetName(const ConversionOptions &options)
{
    if (options.charsetIndex == 0 || options.charset.empty() || db::equalsIgnoreCase(options.charset, "Default"))
        return {};
    return options.charset;
}

bool holdsEveryCharacter(std::string_view charset)
{
    return db::equalsIgnoreCase(charset, "binary") || db::equalsIgnoreCase(charset, "utf8mb4");
}

void SettleSourceCharset(db::Connection &mysql, ConversionOptions &options)
{
    const std::string name = checkedCharsetName(options);
    if (name.empty())
        return;
    // The name goes into the statement as text, so only a plain character-set name may.
    if (!isCharsetName(name))
        throw db::Error("Character set '" + name +
                        "' is not a valid name: only letters, digits and underscores are allowed");
    std::string settled;
    try {
        // The server resolves the name as it will in the check itself, aliases and letter case included.
        settled = mysql.query("select charset(convert('' using " + name + "))").at(0).at(0).data;
    } catch (const db::ConnectionLostError &) {
        throw;
    } catch (const db::Error &e) {
        const std::string known = serverCharsets(mysql);
        throw db::Error("The MySQL server has no character set " + name + " (" + e.what() + ")" +
                            (known.empty() ? std::string() : "; it has " + known),
                        e.code());
    }
    options.charset = settled;
}

} // namespace convert
