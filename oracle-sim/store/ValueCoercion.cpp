#include "ValueCoercion.h"

#include "OraError.h"

namespace oraclesim {

std::size_t ValueCoercion::utf16Length(std::string_view utf8)
{
    std::size_t n = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) == 0x80)
            continue;
        n += c >= 0xF0 ? 2 : 1;
    }
    return n;
}

std::size_t ValueCoercion::utf16Offset(std::string_view utf8, std::size_t units)
{
    std::size_t i = 0, seen = 0;
    while (i < utf8.size() && seen < units) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        seen += c >= 0xF0 ? 2 : 1;
        ++i;
        while (i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80)
            ++i;
    }
    return i;
}

std::size_t ValueCoercion::characterCount(std::string_view utf8)
{
    std::size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

SqlValue ValueCoercion::toColumn(const TableMeta &table, int column, const SqlValue &value, const NlsSettings &nls)
{
    if (value.isNull())
        return value;
    const ColumnType &type = table.columns[static_cast<std::size_t>(column)].type;
    if (value.isLongBind() && !type.isLob())
        throw OraError::of(1461);
    switch (type.base) {
    case ColumnType::Base::Varchar2: {
        if (value.isLob())
            throw OraError::of(932, "CHAR", value.typeWord());
        std::string text = value.toText(nls);
        if (text.empty())
            return {};
        // CHAR semantics count characters, and the message counts them too; whatever the semantics
        // a VARCHAR2 holds at most 4000 bytes. UNVERIFIED: the figures Oracle prints when only that
        // byte cap is passed (a value that long can only come from a bind, which is ORA-01461 first).
        std::size_t actual = type.charSemantics ? characterCount(text) : text.size();
        if (actual > static_cast<std::size_t>(type.length) ||
            text.size() > static_cast<std::size_t>(ColumnType::maxVarchar2Bytes))
            throw OraError::of(12899, table.columnLabel(column), std::to_string(actual), std::to_string(type.length));
        return SqlValue::text(std::move(text));
    }
    case ColumnType::Base::Raw: {
        if (value.isLob())
            throw OraError::of(932, "BINARY", value.typeWord());
        std::string bytes = value.toRaw(); // text as hex digits, as Oracle converts it
        if (bytes.empty())
            return {};
        if (bytes.size() > static_cast<std::size_t>(type.length))
            throw OraError::of(12899, table.columnLabel(column), std::to_string(bytes.size()),
                               std::to_string(type.length));
        return SqlValue::raw(std::move(bytes));
    }
    case ColumnType::Base::Timestamp:
        if (value.type() == SqlType::Text && value.bytes().empty())
            return {};
        // More fractional digits than the column keeps are rounded, not refused.
        return SqlValue::timestamp(value.toTimestamp(nls).roundedTo(type.precision), type.precision);
    case ColumnType::Base::Number: {
        if (value.type() == SqlType::Text && value.bytes().empty())
            return {};
        Decimal d = value.toNumber(nls);
        if (type.hasPrecision) {
            d.roundToScale(type.scale);
            if (d.integerDigits() > type.precision - type.scale)
                throw OraError::of(1438);
        }
        if (!d.fitsOracleRange())
            throw OraError::of(1426);
        return SqlValue::number(d);
    }
    case ColumnType::Base::Date:
        if (value.type() == SqlType::Text && value.bytes().empty())
            return {};
        return SqlValue::date(value.toDate(nls));
    case ColumnType::Base::Clob:
        if (value.type() == SqlType::Blob)
            throw OraError::of(932, "CLOB", "BLOB");
        if (value.isStreamed())
            return value; // a temporary LOB goes into the row as it is, without passing through memory
        return SqlValue::clob(value.type() == SqlType::Clob ? value.bytes() : value.toText(nls));
    case ColumnType::Base::Blob:
        if (value.type() == SqlType::Clob || value.type() == SqlType::Number ||
            value.type() == SqlType::Date || value.type() == SqlType::Timestamp)
            throw OraError::of(932, "BLOB", value.typeWord());
        if (value.isStreamed())
            return value;
        return SqlValue::blob(value.toRaw());
    }
    return value;
}

} // namespace oraclesim
