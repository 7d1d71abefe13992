#pragma once

#include "RowSource.h"
#include "SqlStatement.h"

#include <optional>

namespace oraclesim {

class Session;

// The data dictionary views a client may query (ALL_TABLES, USER_TABLES, their column, index and
// constraint siblings) and DUAL. A user sees only its own schema: nothing is granted to anyone.
class DictionaryViews {
public:
    static std::optional<RowSource> source(Session &session, const TableName &name, bool withRows);
};

} // namespace oraclesim
