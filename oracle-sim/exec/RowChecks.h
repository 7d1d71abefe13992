#pragma once

#include "NlsSettings.h"
#include "RowSource.h"
#include "TableMeta.h"

#include <string>

namespace oraclesim {

// What a row must meet before it is stored: NOT NULL (ORA-01400 on INSERT, ORA-01407 on UPDATE)
// and CHECK constraints (ORA-02290; a condition that comes out unknown, through a NULL, passes).
class RowChecks {
public:
    static void check(const TableMeta &table, const Row &row, const NlsSettings &nls, const std::string &user,
                      bool update);
};

} // namespace oraclesim
