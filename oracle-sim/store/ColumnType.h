#pragma once

#include <cstdint>
#include <string>

namespace oraclesim {

// A column's declared Oracle type.
struct ColumnType {
    enum class Base { Varchar2, Number, Date, Clob, Blob, Timestamp, Raw };
    Base base = Base::Varchar2;
    int length = 0;             // VARCHAR2, RAW: declared length
    bool charSemantics = false; // VARCHAR2(n CHAR)
    bool hasPrecision = false;  // NUMBER(p[,s]); plain NUMBER floats
    int precision = 0;          // NUMBER(p); TIMESTAMP(p): digits of the fractions of a second
    int scale = 0;

    // Oracle's limits under MAX_STRING_SIZE=STANDARD, in bytes.
    static constexpr int maxVarchar2Bytes = 4000;
    static constexpr int maxRawBytes = 2000;
    static constexpr int defaultTimestampPrecision = 6;

    bool isLob() const noexcept { return base == Base::Clob || base == Base::Blob; }
    // The describe code a client sees (1, 2, 12, 23, 112, 113, 187) and the size it reports.
    std::uint16_t describeCode() const noexcept;
    int dataSize() const noexcept;
    // The word in the storage file.
    const char *word() const noexcept;
    // DATA_TYPE as the data dictionary shows it: "TIMESTAMP(6)" for a timestamp, else the word.
    std::string dictionaryName() const;
    static bool fromWord(const std::string &word, Base &base);
};

} // namespace oraclesim
