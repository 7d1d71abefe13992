#pragma once

#include <cstdint>
#include <string>

namespace oraclesim {

// A column's declared Oracle type.
struct ColumnType {
    enum class Base { Varchar2, Number, Date, Clob, Blob };
    Base base = Base::Varchar2;
    int length = 0;             // VARCHAR2: declared length
    bool charSemantics = false; // VARCHAR2(n CHAR)
    bool hasPrecision = false;  // NUMBER(p[,s]); plain NUMBER floats
    int precision = 0;
    int scale = 0;

    bool isLob() const noexcept { return base == Base::Clob || base == Base::Blob; }
    // The describe code a client sees (1, 2, 12, 112, 113) and the size it reports.
    std::uint16_t describeCode() const noexcept;
    int dataSize() const noexcept;
    // The word in the data dictionary (DATA_TYPE) and in the storage file.
    const char *word() const noexcept;
    static bool fromWord(const std::string &word, Base &base);
};

} // namespace oraclesim
