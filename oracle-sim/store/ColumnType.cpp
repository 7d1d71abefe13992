#include "ColumnType.h"

#include <algorithm>

namespace oraclesim {

std::uint16_t ColumnType::describeCode() const noexcept
{
    switch (base) {
    case Base::Varchar2: return 1;
    case Base::Number: return 2;
    case Base::Date: return 12;
    case Base::Raw:
        return 23;
    case Base::Clob: return 112;
    case Base::Blob: return 113;
    case Base::Timestamp:
        return 187;
    }
    return 0;
}

int ColumnType::dataSize() const noexcept
{
    switch (base) {
    // A CHAR-semantics column may take four bytes per character in AL32UTF8, but never more than a
    // VARCHAR2 can hold. UNVERIFIED: that the describe caps the size at 4000 rather than reporting n * 4.
    case Base::Varchar2:
        return charSemantics ? std::min(length * 4, maxVarchar2Bytes) : length;
    case Base::Number: return 22;
    case Base::Date: return 7;
    case Base::Raw:
        return length;
    // UNVERIFIED: DATA_LENGTH 11 whatever the precision (the stored form is 7 or 11 bytes).
    case Base::Timestamp:
        return 11;
    case Base::Clob:
    case Base::Blob: return 4000;
    }
    return 0;
}

const char *ColumnType::word() const noexcept
{
    switch (base) {
    case Base::Varchar2: return "VARCHAR2";
    case Base::Number: return "NUMBER";
    case Base::Date: return "DATE";
    case Base::Clob: return "CLOB";
    case Base::Blob: return "BLOB";
    case Base::Timestamp:
        return "TIMESTAMP";
    case Base::Raw:
        return "RAW";
    }
    return "";
}

std::string ColumnType::dictionaryName() const {
    if (base == Base::Timestamp)
        return "TIMESTAMP(" + std::to_string(precision) + ")";
    return word();
}

bool ColumnType::fromWord(const std::string &word, Base &base)
{
    static const struct {
        const char *word;
        Base base;
    } known[] = {{"VARCHAR2", Base::Varchar2},
                 {"NUMBER", Base::Number},
                 {"DATE", Base::Date},
                 {"CLOB", Base::Clob},
                 {"BLOB", Base::Blob},
                 {"TIMESTAMP", Base::Timestamp},
                 {"RAW", Base::Raw}};
    for (const auto &k : known)
        if (word == k.word) {
            base = k.base;
            return true;
        }
    return false;
}

} // namespace oraclesim
