#pragma once

#include <string>
#include <string_view>

namespace db {

// Threads: any.

// The statement with each "?" marker replaced by OCI's positional ":1", ":2" ... in order. Question
// marks inside '...' literals, "..." identifiers, -- line comments and /* */ comments are text, not
// markers, and stay as they are. A statement that already uses ":n" comes back unchanged.
std::string positionalMarkers(std::string_view sql);

} // namespace db
