#pragma once

#include "db/TargetTable.h"

#include <cstddef>
#include <string>
#include <vector>

namespace db {

// Threads: any; a plan is a plain value.

// How the INSERT carries a large-object column's value.
enum class OciLobForm : char {
    Bound,     // a "?" bound to the bytes themselves (or NULL), as a bind that may be over 4000 bytes
    Empty,     // EMPTY_CLOB()/EMPTY_BLOB(): an empty, not NULL, large object
    Temporary, // a "?" bound to the locator of a temporary LOB the value was written to beforehand
};

// One INSERT text for a table and a choice of forms, and which column each bind position carries.
struct OciInsertPlan {
    std::string text;               // lines ended by CR LF, the last included; "?" markers
    std::vector<std::size_t> bound; // columns of the "?" markers, in order

    // lobForms holds one form per column; it is read only for CLOB and BLOB columns. Oracle wants LOB
    // binds at the end of the bind list and refuses a bind that may be over 4000 bytes after one
    // (ORA-24816), so the columns go in this order, each group in the table's: ordinary columns,
    // character or raw columns declared longer than 4000 bytes, then the large objects: those bound
    // as bytes (which may be long too), the empty ones, and last those bound as LOB locators.
    static OciInsertPlan build(const std::string &table, const std::vector<ColumnInfo> &columns,
                               const std::vector<OciLobForm> &lobForms);
    // Whether this column's bind may be over 4000 bytes in that form.
    static bool isLongBind(const ColumnInfo &column, OciLobForm form);
};

// "name" with the double quotes Oracle needs to keep its case; refuses a name holding a double quote.
std::string quoteOciName(const std::string &name);

} // namespace db
