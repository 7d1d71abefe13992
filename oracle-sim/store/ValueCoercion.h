#pragma once

#include "NlsSettings.h"
#include "SqlValue.h"
#include "TableMeta.h"

namespace oraclesim {

// Turns a value into what a column stores, with Oracle's checks and errors: conversion
// (ORA-01722, ORA-018xx, ORA-00932), length (ORA-12899), precision (ORA-01438), long binds
// (ORA-01461). The empty string becomes NULL. NOT NULL is the caller's check.
class ValueCoercion {
public:
    static SqlValue toColumn(const TableMeta &table, int column, const SqlValue &value, const NlsSettings &nls);
    // Characters of UTF-8 text as CLOB lengths and offsets count them: UTF-16 code units.
    static std::size_t utf16Length(std::string_view utf8);
    // The byte position where the given number of UTF-16 units starts (the end if the text is shorter).
    static std::size_t utf16Offset(std::string_view utf8, std::size_t units);
    static std::size_t characterCount(std::string_view utf8);
};

} // namespace oraclesim
