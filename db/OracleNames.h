#pragma once

#include <string>
#include <string_view>

namespace db {

// Threads: any.

// "name" with the double quotes Oracle needs to keep its case exactly. Oracle has no escape for '"'
// inside a quoted name, so a name holding one cannot be sent at all: throws db::Error naming it, with
// `what` saying what the name is ("table", "column", "index").
std::string quoteOracleName(std::string_view name, std::string_view what = "table");

} // namespace db
