#pragma once

#include "RowSource.h"
#include "TableMeta.h"

namespace oraclesim {

class Session;

// What a row must meet before it is stored: NOT NULL (ORA-01400 on INSERT, ORA-01407 on UPDATE)
// and CHECK constraints (ORA-02290; a condition that comes out unknown, through a NULL, passes).
class RowChecks {
public:
    static void check(Session &session, const TableMeta &table, const Row &row, bool update);
};

} // namespace oraclesim
