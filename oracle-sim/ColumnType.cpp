#include "ColumnType.h"

namespace oraclesim {

std::uint16_t ColumnType::describeCode() const noexcept
{
    switch (base) {
    case Base::Varchar2: return 1;
    case Base::Number: return 2;
    case Base::Date: return 12;
    case Base::Clob: return 112;
    case Base::Blob: return 113;
    }
    return 0;
}

int ColumnType::dataSize() const noexcept
{
    switch (base) {
    case Base::Varchar2: return charSemantics ? length * 4 : length;
    case Base::Number: return 22;
    case Base::Date: return 7;
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
    }
    return "";
}

bool ColumnType::fromWord(const std::string &word, Base &base)
{
    static const struct {
        const char *word;
        Base base;
    } known[] = {{"VARCHAR2", Base::Varchar2}, {"NUMBER", Base::Number}, {"DATE", Base::Date},
                 {"CLOB", Base::Clob},         {"BLOB", Base::Blob}};
    for (const auto &k : known)
        if (word == k.word) {
            base = k.base;
            return true;
        }
    return false;
}

} // namespace oraclesim
