#include "KeptRows.h"

#include "NameRules.h"
#include "ValueCanon.h"

#include "db/Connection.h"
#include "db/UntimedCalls.h"

#include <algorithm>
#include <set>

namespace convert {

namespace {
constexpr char kSeparator = '\x1f'; // between the columns of a canonical key
constexpr int kDate = 12, kTimestamp = 187;
} // namespace

KeptRows::KeptRows(db::Connection &oracle, std::string target, const std::vector<db::ColumnInfo> &columns,
                   std::vector<std::size_t> keyColumns)
    : m_oracle(oracle), m_target(std::move(target)), m_columns(columns), m_key(std::move(keyColumns))
{
}

std::string KeptRows::canonicalKey(const std::vector<db::Value> &key) const
{
    std::string text, canon;
    for (std::size_t i = 0; i < m_key.size() && i < key.size(); ++i) {
        if (!canonicalValue(canonKindOf(m_columns[m_key[i]]), key[i], canon))
            return {}; // NULL in Oracle: no row of the key can be there
        text += canon;
        text += kSeparator;
    }
    return text;
}

// The value as the bind of its comparison takes it: numbers and moments in the text form the marker
// converts, bytes as hexadecimal digits, text as it is.
std::string KeptRows::bindFor(std::size_t keyColumn, const db::Value &value) const
{
    const db::ColumnInfo &column = m_columns[m_key[keyColumn]];
    std::string canon;
    canonicalValue(canonKindOf(column), value, canon);
    if (column.type == kTimestamp && canon.find('.') == std::string::npos)
        canon += ".0";
    if (canonKindOf(column) == CanonKind::Bytes) {
        static const char digits[] = "0123456789ABCDEF";
        std::string hex;
        for (unsigned char c : canon) {
            hex += digits[c >> 4];
            hex += digits[c & 15];
        }
        return hex;
    }
    return canon;
}

std::string KeptRows::markerFor(std::size_t keyColumn, std::size_t position) const
{
    const std::string marker = ":" + std::to_string(position);
    switch (m_columns[m_key[keyColumn]].type) {
    case kDate:
        return "to_date(" + marker + ", 'YYYY-MM-DD HH24:MI:SS')";
    case kTimestamp:
        return "to_timestamp(" + marker + ", 'YYYY-MM-DD HH24:MI:SS.FF')";
    default:
        return marker; // NUMBER, VARCHAR2 and RAW take the text by Oracle's own conversion
    }
}

std::vector<char> KeptRows::held(const std::vector<std::vector<db::Value>> &keys, std::size_t count)
{
    count = std::min(count, keys.size());
    std::vector<char> found(count, 0);
    std::vector<std::string> canonical(count);
    std::string columns, where;
    std::vector<db::Value> binds;
    for (std::size_t k = 0; k < m_key.size(); ++k)
        columns += (k ? ", " : "") + quoteOracleName(m_columns[m_key[k]].name, "column");
    for (std::size_t row = 0; row < count; ++row) {
        canonical[row] = canonicalKey(keys[row]);
        if (canonical[row].empty())
            continue;
        std::string term;
        for (std::size_t k = 0; k < m_key.size(); ++k) {
            binds.push_back(db::Value::text(bindFor(k, keys[row][k])));
            term += (k ? " and " : "") + quoteOracleName(m_columns[m_key[k]].name, "column") + " = " +
                    markerFor(k, binds.size());
        }
        where += (where.empty() ? "(" : " or (") + term + ")";
    }
    if (where.empty())
        return found;
    std::set<std::string> there;
    // Indexed by the table's key, this is quick; a table whose key an earlier run did not make yet is
    // read whole.
    const db::UntimedCalls untimed(m_oracle);
    for (const auto &row :
         m_oracle.query("select " + columns + " from " + quoteOracleName(m_target) + " where " + where, binds))
        there.insert(canonicalKey(row));
    for (std::size_t row = 0; row < count; ++row)
        found[row] = !canonical[row].empty() && there.count(canonical[row]);
    return found;
}

} // namespace convert
