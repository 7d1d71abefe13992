#include "SourceCharsets.h"

namespace convert {

int sourceCharsetIndex(std::string_view name)
{
    for (std::size_t i = 0; i < kSourceCharsets.size(); ++i)
        if (kSourceCharsets[i] == name)
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

} // namespace convert
