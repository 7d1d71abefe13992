#include "SqlValue.h"

#include "OraError.h"
#include "TempLob.h"

namespace oraclesim {

SqlValue SqlValue::text(std::string bytes)
{
    SqlValue v;
    v.m_type = SqlType::Text;
    v.m_bytes = std::move(bytes);
    return v;
}

SqlValue SqlValue::raw(std::string bytes)
{
    SqlValue v;
    v.m_type = SqlType::Raw;
    v.m_bytes = std::move(bytes);
    return v;
}

SqlValue SqlValue::number(Decimal d)
{
    SqlValue v;
    v.m_type = SqlType::Number;
    v.m_number = d;
    return v;
}

SqlValue SqlValue::date(OraDate d)
{
    SqlValue v;
    v.m_type = SqlType::Date;
    v.m_date = d;
    return v;
}

SqlValue SqlValue::timestamp(OraDate d, int precision) {
    SqlValue v;
    v.m_type = SqlType::Timestamp;
    v.m_date = d;
    v.m_precision = precision;
    return v;
}

SqlValue SqlValue::clob(std::string bytes, LobRef ref)
{
    SqlValue v;
    v.m_type = SqlType::Clob;
    v.m_bytes = std::move(bytes);
    v.m_lob = ref;
    return v;
}

SqlValue SqlValue::blob(std::string bytes, LobRef ref)
{
    SqlValue v;
    v.m_type = SqlType::Blob;
    v.m_bytes = std::move(bytes);
    v.m_lob = ref;
    return v;
}

SqlValue SqlValue::streamed(std::shared_ptr<const TempLob> source)
{
    SqlValue v;
    v.m_type = source->isClob() ? SqlType::Clob : SqlType::Blob;
    v.m_stream = std::move(source);
    return v;
}

const std::string &SqlValue::bytes() const
{
    if (m_stream && !m_streamRead) {
        m_bytes = m_stream->readAll();
        m_streamRead = true;
    }
    return m_bytes;
}

const char *SqlValue::typeWord() const noexcept
{
    switch (m_type) {
    case SqlType::Number: return "NUMBER";
    case SqlType::Date: return "DATE";
    case SqlType::Timestamp:
        return "TIMESTAMP";
    case SqlType::Raw: return "BINARY";
    case SqlType::Clob: return "CLOB";
    case SqlType::Blob: return "BLOB";
    default: return "CHAR";
    }
}

std::string SqlValue::hexEncode(std::string_view bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string SqlValue::toText(const NlsSettings &nls) const
{
    switch (m_type) {
    case SqlType::Number: return m_number.toText(nls.decimalChar);
    case SqlType::Date: return m_date.format(nls.dateFormat);
    case SqlType::Timestamp:
        return m_date.format(nls.timestampFormat, m_precision);
    case SqlType::Raw:
    case SqlType::Blob:
        return hexEncode(bytes());
    default:
        return bytes();
    }
}

Decimal SqlValue::toNumber(const NlsSettings &nls) const
{
    switch (m_type) {
    case SqlType::Number: return m_number;
    case SqlType::Text:
    case SqlType::Clob: {
        auto d = Decimal::parse(bytes(), nls.decimalChar);
        if (!d)
            throw OraError::of(1722);
        return *d;
    }
    default: throw OraError::of(932, "NUMBER", typeWord());
    }
}

OraDate SqlValue::toDate(const NlsSettings &nls) const
{
    switch (m_type) {
    case SqlType::Date: return m_date;
    // UNVERIFIED: a TIMESTAMP assigned to a DATE loses its fractions by truncation.
    case SqlType::Timestamp:
        return m_date.withoutFraction();
    case SqlType::Text:
        return OraDate::parse(bytes(), nls.dateFormat);
    default: throw OraError::of(932, "DATE", typeWord());
    }
}

OraDate SqlValue::toTimestamp(const NlsSettings &nls) const {
    switch (m_type) {
    case SqlType::Date:
    case SqlType::Timestamp:
        return m_date;
    case SqlType::Text:
        return OraDate::parse(bytes(), nls.timestampFormat, true);
    default:
        throw OraError::of(932, "TIMESTAMP", typeWord());
    }
}

std::string SqlValue::toRaw() const
{
    if (m_type == SqlType::Raw || m_type == SqlType::Blob)
        return bytes();
    if (m_type != SqlType::Text)
        throw OraError::of(932, "BINARY", typeWord());
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    std::size_t i = 0;
    if (bytes().size() % 2 == 1) { // an odd count reads as a leading zero nibble
        int v = nibble(bytes()[0]);
        if (v < 0)
            throw OraError::of(1465);
        out += static_cast<char>(v);
        i = 1;
    }
    for (; i < bytes().size(); i += 2) {
        int hi = nibble(bytes()[i]), lo = nibble(bytes()[i + 1]);
        if (hi < 0 || lo < 0)
            throw OraError::of(1465);
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

int SqlValue::compare(const SqlValue &other, const NlsSettings &nls) const
{
    if (isLob() || other.isLob())
        throw OraError::of(932, "-", isLob() ? typeWord() : other.typeWord());
    if (m_type == SqlType::Number || other.m_type == SqlType::Number)
        return toNumber(nls).compare(other.toNumber(nls));
    if (m_type == SqlType::Timestamp || other.m_type == SqlType::Timestamp)
        return toTimestamp(nls).compare(other.toTimestamp(nls));
    if (m_type == SqlType::Date || other.m_type == SqlType::Date)
        return toDate(nls).compare(other.toDate(nls));
    const std::string a = m_type == SqlType::Raw ? hexEncode(bytes()) : bytes();
    const std::string b = other.m_type == SqlType::Raw ? hexEncode(other.bytes()) : other.bytes();
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace oraclesim
