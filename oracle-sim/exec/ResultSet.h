#pragma once

#include "ColumnType.h"
#include "RowSource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oraclesim {

// One column of a query's result as a describe reports it.
struct ResultColumn {
    std::string name;
    std::uint16_t typeCode = 1;
    std::uint16_t size = 0;
    std::int16_t precision = 0;
    std::int8_t scale = 0;
    bool nullable = true;
    std::uint16_t charSize = 0;
    bool charUsed = false;        // VARCHAR2(n CHAR)
    std::uint8_t fsPrecision = 0; // TIMESTAMP(p)

    static ResultColumn of(const std::string &name, const ColumnType &type, bool nullable)
    {
        ResultColumn c;
        c.name = name;
        c.typeCode = type.describeCode();
        c.size = static_cast<std::uint16_t>(type.dataSize());
        c.nullable = nullable;
        if (type.base == ColumnType::Base::Number) {
            c.precision = static_cast<std::int16_t>(type.hasPrecision ? type.precision : 0);
            c.scale = static_cast<std::int8_t>(type.hasPrecision ? type.scale : -127);
        }
        if (type.base == ColumnType::Base::Varchar2) {
            c.charSize = static_cast<std::uint16_t>(type.length);
            c.charUsed = type.charSemantics;
        }
        if (type.base == ColumnType::Base::Timestamp) {
            // UNVERIFIED: OCI_ATTR_SCALE of a TIMESTAMP column gives its precision as well.
            c.fsPrecision = static_cast<std::uint8_t>(type.precision);
            c.scale = static_cast<std::int8_t>(type.precision);
        }
        return c;
    }
};

struct ResultSet {
    std::vector<ResultColumn> columns;
    std::vector<Row> rows;
};

} // namespace oraclesim
