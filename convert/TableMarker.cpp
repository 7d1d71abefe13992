#include "TableMarker.h"

#include "NameRules.h"

namespace convert {

namespace {
constexpr std::string_view kLead = "Converted from MySQL table `";
} // namespace

std::string tableMarker(std::string_view sourceTable)
{
    return std::string(kLead.substr(0, kLead.size() - 1)) + quoteMySqlName(sourceTable);
}

std::string commentWithMarker(std::string_view comment, std::string_view sourceTable)
{
    if (comment.empty())
        return tableMarker(sourceTable);
    return std::string(comment) + "\n" + tableMarker(sourceTable);
}

std::optional<std::string> markedSource(std::string_view comment)
{
    // The last marker line wins: a carried comment could itself hold the words.
    std::size_t at = comment.rfind("\n" + std::string(kLead));
    if (at != std::string_view::npos)
        ++at;
    else if (comment.substr(0, kLead.size()) == kLead)
        at = 0;
    else
        return std::nullopt;
    const std::string_view quoted = comment.substr(at + kLead.size() - 1);
    if (quoted.size() < 2 || quoted.back() != '`')
        return std::nullopt;
    std::string name;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] == '`') {
            if (quoted[i + 1] != '`')
                return std::nullopt;
            ++i;
        }
        name += quoted[i];
    }
    return name;
}

} // namespace convert
