#include "SourceReader.h"

#include "NameRules.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Error.h"

#include <algorithm>

namespace convert {

namespace {

bool onlyChars(const std::string &text, const char *allowed)
{
    return !text.empty() && text.find_first_not_of(allowed) == std::string::npos;
}

std::string hex(const std::string &bytes)
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

// Whether a key column of this type can mark where a page ends: its value must read back as the value
// stored, and "col > literal" must agree with the order ORDER BY gives. Floats do not read back exactly;
// ENUM and SET sort by their place in the list but compare as text; BIT compares as a string of its
// bytes but sorts as a number; TIMESTAMP text is local time, which repeats when clocks go back; TEXT
// and BLOB sort by their first max_sort_length bytes only. A table keyed on any other type is read as
// one stream instead.
bool marksPagesFaithfully(const std::string &type)
{
    static const char *const faithful[] = {"tinyint", "smallint", "mediumint", "int", "bigint", "decimal",
                                           "char(",   "varchar(", "binary(",   "varbinary(", "date", "datetime",
                                           "time",    "year"};
    auto startsWith = [&](const char *prefix) { return type.rfind(prefix, 0) == 0; };
    if (startsWith("timestamp"))
        return false;
    for (const char *prefix : faithful)
        if (startsWith(prefix))
            return true;
    return false;
}

} // namespace

std::string mysqlKeyLiteral(const db::Value &value, const std::string &charset)
{
    switch (value.kind) {
    case db::ValueKind::Integer:
    case db::ValueKind::Decimal:
        if (onlyChars(value.data, "+-0123456789."))
            return value.data;
        break;
    case db::ValueKind::Date:
    case db::ValueKind::DateTime:
    case db::ValueKind::Time:
        if (onlyChars(value.data, "+-0123456789:. "))
            return "'" + value.data + "'";
        break;
    case db::ValueKind::Text:
        // An introducer makes the bytes a string of that character set, compared by the column's collation.
        return "_" + charset + " X'" + hex(value.data) + "'";
    case db::ValueKind::Binary:
        return "X'" + hex(value.data) + "'";
    case db::ValueKind::Null:
    case db::ValueKind::Float:
        break;
    }
    throw db::Error("A primary-key value of this table cannot be used to read it in pages: " + value.data);
}

SourceReader::SourceReader(db::Connection &source, const TableNames &names, std::string charset,
                           std::size_t pageSize)
    : m_source(source), m_names(names), m_charset(std::move(charset)), m_pageSize(pageSize),
      m_page(source.createDataSet())
{
    findPrimaryKey();
}

SourceReader::~SourceReader() = default;

void SourceReader::findPrimaryKey()
{
    const std::string table = quoteMySqlName(m_names.source);
    std::vector<std::pair<std::int64_t, std::string>> key;
    auto index = m_source.createDataSet();
    index->open("show index from " + table);
    for (; !index->eof(); index->next())
        if (index->text("Key_name") == "PRIMARY")
            key.emplace_back(index->integer("Seq_in_index"), index->text("Column_name"));
    index->close();
    std::sort(key.begin(), key.end());

    auto fields = m_source.createDataSet();
    fields->open("show FIELDS from " + table);
    for (; !fields->eof(); fields->next()) {
        for (const auto &k : key)
            if (k.second == fields->text("field") && !marksPagesFaithfully(fields->text("type")))
                return; // read as a stream instead
    }
    for (const auto &k : key)
        m_key.push_back(k.second);
}

std::string SourceReader::pageQuery() const
{
    std::string sql = "select * from " + quoteMySqlName(m_names.source);
    if (!keyed())
        return sql;
    if (!m_lastKey.empty()) {
        // Rows past the last key: (k1 > v1) or (k1 = v1 and k2 > v2) ...; the leading k1 >= v1 lets the
        // server start in the index.
        std::vector<std::string> literals;
        for (const auto &v : m_lastKey)
            literals.push_back(mysqlKeyLiteral(v, m_charset));
        std::string after;
        for (std::size_t i = 0; i < m_key.size(); ++i) {
            std::string term;
            for (std::size_t j = 0; j < i; ++j)
                term += quoteMySqlName(m_key[j]) + " = " + literals[j] + " and ";
            term += quoteMySqlName(m_key[i]) + " > " + literals[i];
            after += (i ? " or (" : "(") + term + ")";
        }
        sql += " where " + quoteMySqlName(m_key[0]) + " >= " + literals[0] + " and (" + after + ")";
    }
    sql += " order by ";
    for (std::size_t i = 0; i < m_key.size(); ++i)
        sql += (i ? ", " : "") + quoteMySqlName(m_key[i]);
    sql += " limit " + std::to_string(m_pageSize);
    return sql;
}

bool SourceReader::nextPage()
{
    if (m_done)
        return false;
    if (!m_started) {
        m_started = true;
        m_page->open(pageQuery(), db::FetchMode::Streamed);
        if (keyed()) {
            m_keyFields.clear();
            for (const auto &k : m_key)
                m_keyFields.push_back(m_page->fieldIndex(k));
        }
        m_taken = 0;
        return true;
    }
    // A page that ended short was the last one.
    if (keyed() ? m_taken < m_pageSize : m_page->eof()) {
        m_done = true;
        m_page->close();
        return false;
    }
    if (keyed()) {
        m_page->close();
        m_page->open(pageQuery(), db::FetchMode::Streamed);
    }
    m_taken = 0;
    return true;
}

bool SourceReader::pageHasRow() const { return m_taken < m_pageSize && !m_page->eof(); }

void SourceReader::next()
{
    if (keyed()) {
        m_lastKey.resize(m_keyFields.size());
        for (std::size_t i = 0; i < m_keyFields.size(); ++i)
            m_lastKey[i] = m_page->value(m_keyFields[i]);
    }
    m_page->next();
    ++m_taken;
}

} // namespace convert
