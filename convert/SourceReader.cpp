#include "SourceReader.h"

#include "NameRules.h"
#include "SourceCharsets.h"
#include "TypeMapping.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Error.h"

#include <algorithm>
#include <charconv>

namespace convert {

namespace {

bool startsWith(const std::string &text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

// Whether a key column of this type can mark where a page ends: its value must read back as the value
// stored, and "col > literal" must agree with the order ORDER BY gives. Floats do not read back exactly;
// ENUM and SET sort by their place in the list but compare as text; BIT compares as a string of its
// bytes but sorts as a number; TIMESTAMP text is local time, which repeats when clocks go back; TEXT
// and BLOB sort by their first max_sort_length bytes only. A table keyed on any other type is read as
// one stream instead.
bool marksPagesFaithfully(const std::string &listedType)
{
    const std::string type = NormalizedType(listedType);
    static const char *const faithful[] = {"tinyint",  "smallint", "mediumint",  "int",  "bigint",   "decimal", "char(",
                                           "varchar(", "binary(",  "varbinary(", "date", "datetime", "time",    "year"};
    if (startsWith(type, "timestamp"))
        return false;
    for (const char *prefix : faithful)
        if (startsWith(type, prefix))
            return true;
    return false;
}

// Columns holding characters, whose values the character-set check applies to.
bool holdsText(const std::string &listedType)
{
    const std::string type = NormalizedType(listedType);
    for (std::string_view prefix : {"char(", "varchar(", "enum(", "set("})
        if (startsWith(type, prefix))
            return true;
    for (std::string_view word : {"tinytext", "text", "mediumtext", "longtext", "json"})
        if (type == word)
            return true;
    return false;
}

// How a column is selected so that its value arrives whole.
std::string selectExpression(const SourceColumn &column, const SourceServer &server)
{
    const std::string type = NormalizedType(column.type);
    const std::string name = quoteMySqlName(column.name);
    if (startsWith(type, "float")) {
        // CAST ... AS DOUBLE came with MariaDB 10.4.5 and MySQL 8.0.17; adding a double zero widens the
        // single exactly on any server.
        const bool castable = server.mariadb ? server.atLeast(10, 4, 5) : server.atLeast(8, 0, 17);
        return castable ? "cast(" + name + " as double) as " + name : "(" + name + " + 0e0) as " + name;
    }
    if (startsWith(type, "bit("))
        return "cast(" + name + " as unsigned) as " + name;
    // MySQL 8 writes a geographic value latitude first unless told otherwise; well-known binary (and
    // MariaDB, which has no such option) is longitude first.
    if (std::find(kSpatialTypes.begin(), kSpatialTypes.end(), type) != kSpatialTypes.end())
        return server.isMySql8() ? "st_aswkb(" + name + ", 'axis-order=long-lat') as " + name
                                 : "st_aswkb(" + name + ") as " + name;
    return name;
}

} // namespace

SourceReader::SourceReader(db::Connection &source, const TableNames &names, std::string checkCharset,
                           std::size_t pageSize)
    : m_source(source), m_names(names), m_checkCharset(std::move(checkCharset)), m_pageSize(pageSize),
      m_page(source.createDataSet()), m_columns(ListSourceColumns(source, names.source))
{
    // A set that holds whatever utf8mb4 holds has nothing to check.
    if (holdsEveryCharacter(m_checkCharset))
        m_checkCharset.clear();
    int nextField = static_cast<int>(m_columns.size());
    for (const auto &column : m_columns) {
        m_singleFloat.push_back(startsWith(NormalizedType(column.type), "float"));
        m_checkField.push_back(!m_checkCharset.empty() && holdsText(column.type) ? nextField++ : -1);
    }
    findPrimaryKey();
}

SourceReader::~SourceReader() = default;

void SourceReader::findPrimaryKey()
{
    m_primaryKey = PrimaryKeyColumns(ListSourceIndexRows(m_source, m_names.source));
    for (const auto &column : m_columns)
        for (const auto &k : m_primaryKey)
            if (k == column.name && !marksPagesFaithfully(column.type))
                return; // read as a stream instead
    m_key = m_primaryKey;
}

std::string SourceSelectList(const std::vector<SourceColumn> &columns, const SourceServer &server)
{
    std::string list;
    for (const auto &column : columns)
        list += (list.empty() ? "" : ", ") + selectExpression(column, server);
    return list;
}

std::string SourceReader::selectList() const
{
    std::string list = SourceSelectList(m_columns, SourceServer::of(m_source));
    // Each check compares the value with its round trip through the chosen set, byte for byte: a
    // character the set cannot hold comes back as '?'.
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (m_checkField[i] < 0)
            continue;
        const std::string name = quoteMySqlName(m_columns[i].name);
        list += ", cast(convert(convert(" + name + " using " + m_checkCharset +
                ") using utf8mb4) as binary) = " + "cast(convert(" + name + " using utf8mb4) as binary)";
    }
    return list;
}

std::string SourceReader::pageQuery(std::vector<db::Value> &keyValues) const
{
    keyValues.clear();
    std::string sql = "select " + selectList() + " from " + quoteMySqlName(m_names.source);
    if (!keyed())
        return sql;
    // The key values are markers: they are values of a row, which the statement's text, as diagnostics
    // see it, never holds. Markers are taken in the order they are written.
    std::string where;
    // Rows past the last key; the leading k1 >= v1 lets the server start in the index.
    if (!m_lastKey.empty()) {
        keyValues.push_back(m_lastKey[0]);
        where = quoteMySqlName(m_key[0]) + " >= ? and (" + keyCondition(m_lastKey, keyValues) + ")";
    }
    // Rows up to the end key: not after it.
    if (!m_endKey.empty())
        where += (where.empty() ? "" : " and ") + std::string("not (") + keyCondition(m_endKey, keyValues) + ")";
    if (!where.empty())
        sql += " where " + where;
    sql += " order by ";
    for (std::size_t i = 0; i < m_key.size(); ++i)
        sql += (i ? ", " : "") + quoteMySqlName(m_key[i]);
    sql += " limit " + std::to_string(m_pageSize);
    return sql;
}

std::string SourceReader::keyCondition(const std::vector<db::Value> &key, std::vector<db::Value> &values) const
{
    std::string condition;
    for (std::size_t i = 0; i < m_key.size(); ++i) {
        std::string term;
        for (std::size_t j = 0; j < i; ++j) {
            term += quoteMySqlName(m_key[j]) + " = ? and ";
            values.push_back(key[j]);
        }
        term += quoteMySqlName(m_key[i]) + " > ?";
        values.push_back(key[i]);
        condition += (i ? " or (" : "(") + term + ")";
    }
    return condition;
}

void SourceReader::startAfter(std::vector<db::Value> key)
{
    if (!keyed() || m_started || key.size() != m_key.size())
        throw db::Error("The table " + m_names.source + " cannot be read from a key onwards");
    m_lastKey = std::move(key);
}

void SourceReader::endWith(std::vector<db::Value> key)
{
    if (!keyed() || m_started || key.size() != m_key.size())
        throw db::Error("The table " + m_names.source + " cannot be read up to a key");
    m_endKey = std::move(key);
}

long long SourceReader::countUpTo(const std::vector<db::Value> &key) const
{
    if (!keyed() || key.size() != m_key.size())
        throw db::Error("The table " + m_names.source + " cannot be counted up to a key");
    std::vector<db::Value> values;
    const std::string condition = keyCondition(key, values);
    auto count = m_source.createDataSet();
    count->open("select count(*) from " + quoteMySqlName(m_names.source) + " where not (" + condition + ")", values,
                db::FetchMode::Buffered);
    const long long rows = count->value(0).toInteger();
    count->close();
    return rows;
}

bool SourceReader::nextPage()
{
    if (m_done)
        return false;
    if (!m_started) {
        m_started = true;
        openPage();
        return true;
    }
    // A page that ended short was the last one.
    if (keyed() ? m_taken < m_pageSize : m_page->eof()) {
        m_done = true;
        m_page->close();
        return false;
    }
    if (keyed())
        openPage();
    m_taken = 0;
    return true;
}

void SourceReader::openPage()
{
    m_page->close();
    std::vector<db::Value> keyValues;
    const std::string sql = pageQuery(keyValues);
    m_page->open(sql, keyValues, db::FetchMode::Streamed);
    if (keyed() && m_keyFields.empty())
        for (const auto &k : m_key)
            m_keyFields.push_back(m_page->fieldIndex(k));
    m_taken = 0;
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

void SourceReader::read(std::size_t column, db::Value &into) const
{
    m_page->read(static_cast<int>(column), into);
    if (m_singleFloat[column] && into.kind == db::ValueKind::Float)
        into.data = singlePrecisionText(into.data);
}

std::string SourceReader::problem(std::size_t column) const
{
    const int field = m_checkField[column];
    if (field < 0)
        return {};
    const db::Value fits = m_page->value(field);
    if (fits.isNull() || fits.data != "0")
        return {};
    return "the value holds a character that the character set " + m_checkCharset + " cannot hold";
}

std::string singlePrecisionText(const std::string &doubleText)
{
    double wide = 0;
    const char *end = doubleText.data() + doubleText.size();
    auto [ptr, ec] = std::from_chars(doubleText.data(), end, wide);
    if (ec != std::errc() || ptr != end)
        return doubleText;
    char digits[64];
    auto [last, error] = std::to_chars(digits, digits + sizeof digits, static_cast<float>(wide));
    if (error != std::errc())
        return doubleText;
    return std::string(digits, last);
}

} // namespace convert
