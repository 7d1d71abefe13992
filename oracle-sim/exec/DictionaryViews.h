#pragma once

#include "RowSource.h"
#include "SqlStatement.h"

#include <optional>

namespace oraclesim {

class Session;

// The data dictionary views a client may query, in their USER_ and ALL_ forms: TABLES, TAB_COLUMNS,
// INDEXES, IND_COLUMNS, CONSTRAINTS, CONS_COLUMNS, SEQUENCES, TAB_IDENTITY_COLS, TAB_COMMENTS and
// COL_COMMENTS (a few columns each), and DUAL; SESSION_PRIVS, USER_USERS and USER_TS_QUOTAS for what
// the user may do. A user sees only its own schema: no object is granted to anyone.
class DictionaryViews {
public:
    static std::optional<RowSource> source(Session &session, const TableName &name, bool withRows);
};

} // namespace oraclesim
