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
        if (type.base == ColumnType::Base::Varchar2)
            c.charSize = static_cast<std::uint16_t>(type.length);
        return c;
    }
};

struct ResultSet {
    std::vector<ResultColumn> columns;
    std::vector<Row> rows;
};

} // namespace oraclesim
