#pragma once

#include "Decimal.h"
#include "NlsSettings.h"
#include "OraDate.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace oraclesim {

enum class SqlType { Null, Text, Raw, Number, Date, Timestamp, Clob, Blob };

class TempLob;

// Where a LOB value lives, so that a locator can write back into it. tableId 0: not from a table.
struct LobRef {
    std::int64_t tableId = 0;
    std::int64_t rowId = 0;
    int column = 0; // 0-based column index in the table
};

// One value as the SQL layer handles it: typed like Oracle's own values, with text kept as bytes.
class SqlValue {
public:
    SqlValue() = default;
    static SqlValue text(std::string bytes);
    static SqlValue raw(std::string bytes);
    static SqlValue number(Decimal d);
    static SqlValue date(OraDate d);
    // A TIMESTAMP of the given precision (0..9): what a bare FF prints.
    static SqlValue timestamp(OraDate d, int precision);
    static SqlValue clob(std::string bytes, LobRef ref = {});
    static SqlValue blob(std::string bytes, LobRef ref = {});
    // A CLOB or BLOB whose content stays in a temporary LOB until it is stored.
    static SqlValue streamed(std::shared_ptr<const TempLob> source);

    SqlType type() const noexcept { return m_type; }
    bool isNull() const noexcept { return m_type == SqlType::Null; }
    bool isLob() const noexcept { return m_type == SqlType::Clob || m_type == SqlType::Blob; }
    // The content; a streamed LOB is read into memory the first time it is asked for.
    const std::string &bytes() const;
    bool isStreamed() const noexcept { return m_stream != nullptr; }
    const TempLob &stream() const noexcept { return *m_stream; }
    const Decimal &decimal() const noexcept { return m_number; }
    const OraDate &oraDate() const noexcept { return m_date; }
    int fractionDigits() const noexcept { return m_precision; }
    const LobRef &lobRef() const noexcept { return m_lob; }

    // A bind of more than 4000 bytes, which Oracle takes only into LOB (and LONG) columns.
    bool isLongBind() const noexcept { return m_longBind; }
    void markLongBind() noexcept { m_longBind = true; }

    // Oracle's implicit conversions; they throw the error Oracle raises (ORA-01722, ORA-00932, ...).
    std::string toText(const NlsSettings &nls) const;
    Decimal toNumber(const NlsSettings &nls) const;
    OraDate toDate(const NlsSettings &nls) const;
    // Text is read by NLS_TIMESTAMP_FORMAT; a DATE has no fractions.
    OraDate toTimestamp(const NlsSettings &nls) const;
    std::string toRaw() const; // BLOB/RAW bytes; text is read as hex digits (ORA-01465)

    // Compares two non-NULL values the way a WHERE clause does: numbers, dates and timestamps by value,
    // where one side is of such a type the other side is converted to it; text byte by byte.
    int compare(const SqlValue &other, const NlsSettings &nls) const;

    // The type word Oracle prints in ORA-00932.
    const char *typeWord() const noexcept;

    static std::string hexEncode(std::string_view bytes);

private:
    SqlType m_type = SqlType::Null;
    mutable std::string m_bytes;
    std::shared_ptr<const TempLob> m_stream;
    mutable bool m_streamRead = false;
    Decimal m_number;
    OraDate m_date;
    int m_precision = 0;
    LobRef m_lob;
    bool m_longBind = false;
};

} // namespace oraclesim
