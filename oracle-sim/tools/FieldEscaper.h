#pragma once

#include "db/Value.h"

#include <string>

// How oracle-sim-sql prints a value so that one row stays one line: NULL as \N; backslash, tab,
// line feed and carriage return as \\, \t, \n, \r; other control bytes as \xHH. Text keeps its
// bytes from 0x80 up (UTF-8); raw binary values show those as \xHH too.
class FieldEscaper {
public:
    static std::string escape(const db::Value &value);
};
