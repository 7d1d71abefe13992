#include "MySqlTypes.h"

namespace db {

ValueKind valueKindOf(const MYSQL_FIELD &field) noexcept
{
    switch (field.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_YEAR:
        return ValueKind::Integer;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
        return ValueKind::Decimal;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
        return ValueKind::Float;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        return ValueKind::Date;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_DATETIME2:
    case MYSQL_TYPE_TIMESTAMP:
    case MYSQL_TYPE_TIMESTAMP2:
        return ValueKind::DateTime;
    case MYSQL_TYPE_TIME:
    case MYSQL_TYPE_TIME2:
        return ValueKind::Time;
    case MYSQL_TYPE_NULL:
        return ValueKind::Null;
    default:
        // Strings, blobs, BIT, GEOMETRY, ENUM, SET, JSON: bytes unless they carry a character set.
        return field.charsetnr == kMySqlBinaryCharset ? ValueKind::Binary : ValueKind::Text;
    }
}

Value makeValue(const MYSQL_FIELD &field, const char *data, unsigned long length)
{
    if (!data)
        return Value::null();
    return Value::of(valueKindOf(field), std::string(data, length));
}

} // namespace db
