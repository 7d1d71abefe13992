#pragma once

#include "TargetTable.h"

#include <cstddef>
#include <string>
#include <vector>

namespace db {

// How the INSERT carries a large-object column's value.
enum class OciLobForm : char {
    Bound,   // a "?" bound to the value itself (or NULL); placed after every other bound column
    Empty,   // EMPTY_CLOB()/EMPTY_BLOB(): an empty, not NULL, large object
    Locator, // EMPTY_CLOB()/EMPTY_BLOB() returned INTO a locator that the value is then written through
};

// One INSERT text for a table and a choice of forms, and which column each bind position carries.
struct OciInsertPlan {
    std::string text;                  // lines ended by CR LF, the last included; "?" markers
    std::vector<std::size_t> bound;    // columns of the "?" markers of the values line, in order
    std::vector<std::size_t> returning; // columns returned INTO locators, in order, after those

    // lobForms holds one form per column; it is read only for CLOB and BLOB columns. With every large
    // object in Locator form (or none in the table) the text is the documented one: the columns in
    // table order, EMPTY_x() in place of their markers and a RETURNING ... INTO clause naming them.
    // Large objects bound directly go last, because Oracle takes bind values over 4000 bytes only
    // after all others (ORA-24816).
    static OciInsertPlan build(const std::string &table, const std::vector<ColumnInfo> &columns,
                               const std::vector<OciLobForm> &lobForms);
};

// "name" with the double quotes Oracle needs to keep its case; refuses a name holding a double quote.
std::string quoteOciName(const std::string &name);

} // namespace db
