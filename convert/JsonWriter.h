#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace convert {

// Writes JSON text as it goes: objects, arrays, and values, with commas and escapes placed for the caller.
// Strings are UTF-8; bytes that are not valid UTF-8 are written as U+FFFD so the text stays valid JSON.
class JsonWriter {
public:
    JsonWriter &beginObject();
    JsonWriter &endObject();
    JsonWriter &beginArray();
    JsonWriter &endArray();
    // The name of the next member of the open object.
    JsonWriter &key(std::string_view name);
    JsonWriter &value(std::string_view text);
    JsonWriter &value(const char *text) { return value(std::string_view(text)); }
    JsonWriter &value(std::int64_t number);
    JsonWriter &value(std::uint64_t number);
    JsonWriter &value(int number) { return value(static_cast<std::int64_t>(number)); }
    JsonWriter &value(double number);
    JsonWriter &value(bool flag);
    JsonWriter &null();

    const std::string &text() const noexcept { return m_text; }

private:
    void separate();
    void quoted(std::string_view text);

    std::string m_text;
    bool m_first = true; // no member or element yet in the innermost object or array
    bool m_afterKey = false;
};

} // namespace convert
