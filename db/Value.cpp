#include "Value.h"

#include "Error.h"

#include <charconv>

namespace db {

std::int64_t parseInteger(std::string_view text)
{
    std::int64_t result = 0;
    const char *first = text.data();
    const char *last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    auto [ptr, ec] = std::from_chars(first, last, result);
    if (first == last || ec != std::errc() || ptr != last)
        throw Error("'" + std::string(text) + "' is not a valid integer value");
    return result;
}

std::int64_t Value::toInteger() const { return parseInteger(data); }

} // namespace db
