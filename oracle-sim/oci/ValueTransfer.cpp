#include "ValueTransfer.h"

#include "OraError.h"

#include <cmath>
#include <cstring>

namespace oraclesim {

namespace {

constexpr sb8 maxPlainBind = 4000;

SqlValue textValue(std::string bytes, bool raw)
{
    // A zero-length string is NULL to Oracle, bound or literal.
    if (bytes.empty())
        return {};
    bool isLong = static_cast<sb8>(bytes.size()) > maxPlainBind;
    SqlValue v = raw ? SqlValue::raw(std::move(bytes)) : SqlValue::text(std::move(bytes));
    if (isLong)
        v.markLongBind();
    return v;
}

OraDate fromOciDate(const oci::OCIDate &d)
{
    return OraDate::checked(d.year, d.month, d.day, d.hour, d.minute, d.second);
}

OraDate fromDat(const unsigned char *b)
{
    int century = b[0] - 100, year = b[1] - 100;
    return OraDate::checked(century * 100 + year, b[2], b[3], b[4] - 1, b[5] - 1, b[6] - 1);
}

} // namespace

SqlValue ValueTransfer::read(ub2 dty, const void *data, sb8 length)
{
    const char *p = static_cast<const char *>(data);
    if (length < 0)
        length = 0;
    // Fixed-layout types need their whole layout in the bound element.
    auto need = [&](sb8 bytes) {
        if (length < bytes)
            throw OraError::of(1460);
    };
    switch (dty) {
    case oci::SQLT_CHR:
    case oci::SQLT_AFC:
    case oci::SQLT_LNG:
        return textValue(std::string(p, static_cast<std::size_t>(length)), false);
    case oci::SQLT_STR: {
        std::size_t n = strnlen(p, static_cast<std::size_t>(length));
        return textValue(std::string(p, n), false);
    }
    case oci::SQLT_VCS: {
        need(sizeof(ub2));
        ub2 n;
        std::memcpy(&n, p, sizeof n);
        return textValue(std::string(p + sizeof n, n), false);
    }
    case oci::SQLT_LVC:
    case oci::SQLT_LVB: {
        need(sizeof(sb4));
        sb4 n;
        std::memcpy(&n, p, sizeof n);
        if (n > length - static_cast<sb8>(sizeof n))
            n = static_cast<sb4>(length - static_cast<sb8>(sizeof n));
        return textValue(std::string(p + sizeof n, static_cast<std::size_t>(n < 0 ? 0 : n)), dty == oci::SQLT_LVB);
    }
    case oci::SQLT_BIN:
    case oci::SQLT_LBI:
        return textValue(std::string(p, static_cast<std::size_t>(length)), true);
    case oci::SQLT_INT: {
        std::int64_t v = 0;
        if (length == 1)
            v = *reinterpret_cast<const std::int8_t *>(p);
        else if (length == 2) {
            std::int16_t x;
            std::memcpy(&x, p, 2);
            v = x;
        } else if (length == 4) {
            std::int32_t x;
            std::memcpy(&x, p, 4);
            v = x;
        } else if (length == 8)
            std::memcpy(&v, p, 8);
        else
            throw OraError::of(1460);
        return SqlValue::number(Decimal::fromInteger(v));
    }
    case oci::SQLT_FLT:
    case oci::SQLT_BFLOAT:
    case oci::SQLT_BDOUBLE:
    case oci::SQLT_IBFLOAT:
    case oci::SQLT_IBDOUBLE: {
        double v;
        if (length == 4) {
            float f;
            std::memcpy(&f, p, 4);
            v = f;
        } else if (length == 8) {
            std::memcpy(&v, p, 8);
        } else {
            throw OraError::of(1460);
        }
        if (!std::isfinite(v))
            throw OraError::of(1426);
        return SqlValue::number(Decimal::fromDouble(v));
    }
    case oci::SQLT_ODT: {
        need(sizeof(oci::OCIDate));
        oci::OCIDate d;
        std::memcpy(&d, p, sizeof d);
        return SqlValue::date(fromOciDate(d));
    }
    case oci::SQLT_DAT:
        need(7);
        return SqlValue::date(fromDat(reinterpret_cast<const unsigned char *>(p)));
    default: throw OraError::of(1460);
    }
}

ValueTransfer::Written ValueTransfer::write(ub2 dty, void *dest, sb8 capacity, const SqlValue &value,
                                            const NlsSettings &nls)
{
    Written w;
    char *out = static_cast<char *>(dest);
    auto need = [&](sb8 bytes) {
        if (capacity < bytes)
            throw OraError::of(1460);
    };
    auto copyBytes = [&](const std::string &bytes, sb8 room, std::size_t at) {
        w.fullLength = static_cast<sb8>(bytes.size());
        w.length = std::min<sb8>(room < 0 ? 0 : room, w.fullLength);
        w.truncated = w.length < w.fullLength;
        if (w.length > 0)
            std::memcpy(out + at, bytes.data(), static_cast<std::size_t>(w.length));
    };
    switch (dty) {
    case oci::SQLT_CHR:
    case oci::SQLT_LNG:
        copyBytes(value.type() == SqlType::Blob ? SqlValue::hexEncode(value.bytes()) : value.toText(nls), capacity, 0);
        return w;
    case oci::SQLT_AFC: {
        copyBytes(value.toText(nls), capacity, 0);
        if (w.length < capacity) // fixed-width: blank-padded to the buffer
            std::memset(out + w.length, ' ', static_cast<std::size_t>(capacity - w.length));
        w.length = capacity;
        return w;
    }
    case oci::SQLT_STR:
        copyBytes(value.toText(nls), capacity - 1, 0);
        if (capacity > 0)
            out[w.length] = '\0';
        return w;
    case oci::SQLT_LVC:
    case oci::SQLT_LVB: {
        need(sizeof(sb4));
        copyBytes(dty == oci::SQLT_LVB ? value.toRaw() : value.toText(nls), capacity - 4, 4);
        sb4 n = static_cast<sb4>(w.length);
        std::memcpy(out, &n, sizeof n);
        return w;
    }
    case oci::SQLT_BIN:
    case oci::SQLT_LBI:
        copyBytes(value.type() == SqlType::Text || value.type() == SqlType::Clob ? value.bytes() : value.toRaw(),
                  capacity, 0);
        return w;
    case oci::SQLT_INT: {
        auto v = value.toNumber(nls).toInteger();
        if (!v)
            throw OraError::of(1455);
        w.length = w.fullLength = capacity;
        if (capacity == 8) {
            std::memcpy(out, &*v, 8);
        } else if (capacity == 4 && *v >= INT32_MIN && *v <= INT32_MAX) {
            std::int32_t x = static_cast<std::int32_t>(*v);
            std::memcpy(out, &x, 4);
        } else if (capacity == 2 && *v >= INT16_MIN && *v <= INT16_MAX) {
            std::int16_t x = static_cast<std::int16_t>(*v);
            std::memcpy(out, &x, 2);
        } else if (capacity == 1 && *v >= INT8_MIN && *v <= INT8_MAX) {
            *reinterpret_cast<std::int8_t *>(out) = static_cast<std::int8_t>(*v);
        } else {
            throw OraError::of(1455);
        }
        return w;
    }
    case oci::SQLT_FLT:
    case oci::SQLT_BFLOAT:
    case oci::SQLT_BDOUBLE:
    case oci::SQLT_IBFLOAT:
    case oci::SQLT_IBDOUBLE: {
        double d = value.toNumber(nls).toDouble();
        w.length = w.fullLength = capacity;
        if (capacity == 4) {
            float f = static_cast<float>(d);
            std::memcpy(out, &f, 4);
        } else if (capacity >= 8) {
            std::memcpy(out, &d, 8);
            w.length = w.fullLength = 8;
        } else {
            throw OraError::of(1460);
        }
        return w;
    }
    case oci::SQLT_ODT: {
        need(sizeof(oci::OCIDate));
        OraDate d = value.toDate(nls);
        oci::OCIDate od{static_cast<sb2>(d.year), static_cast<ub1>(d.month), static_cast<ub1>(d.day),
                        static_cast<ub1>(d.hour), static_cast<ub1>(d.minute), static_cast<ub1>(d.second)};
        std::memcpy(out, &od, sizeof od);
        w.length = w.fullLength = sizeof od;
        return w;
    }
    case oci::SQLT_DAT: {
        need(7);
        OraDate d = value.toDate(nls);
        int century = d.year >= 0 ? d.year / 100 : -((-d.year) / 100);
        int year = d.year - century * 100;
        unsigned char b[7] = {static_cast<unsigned char>(century + 100), static_cast<unsigned char>(year + 100),
                              static_cast<unsigned char>(d.month),       static_cast<unsigned char>(d.day),
                              static_cast<unsigned char>(d.hour + 1),    static_cast<unsigned char>(d.minute + 1),
                              static_cast<unsigned char>(d.second + 1)};
        std::memcpy(out, b, 7);
        w.length = w.fullLength = 7;
        return w;
    }
    default: throw OraError::of(1460);
    }
}

} // namespace oraclesim
