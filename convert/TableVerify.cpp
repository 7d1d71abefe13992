#include "TableVerify.h"

#include "ColumnNames.h"
#include "NameRules.h"
#include "RowCopy.h"
#include "SourceReader.h"

#include "db/Connection.h"
#include "db/ConnectionProfile.h"
#include "db/DataSet.h"
#include "db/UntimedCalls.h"

#include <algorithm>
#include <unordered_map>

namespace convert {

namespace {

// Target position of each source column, found as the copy finds it: by its Oracle name, case aside.
std::vector<std::size_t> targetPositions(const std::vector<std::string> &sourceNames, const ColumnNames &oracleNames,
                                         const std::vector<db::ColumnInfo> &columns)
{
    std::vector<std::size_t> positions;
    for (const auto &name : sourceNames) {
        std::size_t found = columns.size();
        for (std::size_t i = 0; i < columns.size() && found == columns.size(); ++i)
            if (db::equalsIgnoreCase(columns[i].name, oracleNames.of(name)))
                found = i;
        positions.push_back(found);
    }
    return positions;
}

// The Oracle names of the source table's columns, listed once.
ColumnNames sourceColumnNames(const VerifySource &source)
{
    std::vector<std::string> listed;
    for (const auto &column : ListSourceColumns(source.rowSource, source.names.source))
        listed.push_back(column.name);
    return ColumnNames(listed, source.nameBytes);
}

std::string selectAll(const std::string &target, const std::vector<db::ColumnInfo> &columns)
{
    std::string sql = "select ";
    for (std::size_t i = 0; i < columns.size(); ++i)
        sql += (i ? ", " : "") + quoteOracleName(columns[i].name, "column");
    return sql + " from " + quoteOracleName(target);
}

// Every thousandth row, whoever drives the verification may stop it.
constexpr std::size_t kAskEvery = 1000;

void askToGoOn(const std::function<bool(std::size_t)> &goOn, std::size_t rows)
{
    if (goOn && rows % kAskEvery == 0 && !goOn(rows))
        throw VerificationStopped();
}

// Walks the rows of one side, each as (key text, row hash).
template <typename Visit>
void eachTargetRow(db::Connection &oracle, const std::string &target, const std::vector<db::ColumnInfo> &columns,
                   const std::vector<std::size_t> &keyColumns, const std::function<bool(std::size_t)> &goOn,
                   Visit visit)
{
    TargetRowDigest digest(columns);
    const db::UntimedCalls untimed(oracle); // reads the whole table: as long as it takes
    auto rows = oracle.createDataSet();
    rows->open(selectAll(target, columns), db::FetchMode::Streamed);
    for (std::size_t read = 1; !rows->eof(); rows->next(), ++read) {
        askToGoOn(goOn, read);
        digest.beginRow();
        for (std::size_t i = 0; i < columns.size(); ++i)
            digest.set(i, rows->value(static_cast<int>(i)));
        const auto key = keyColumns.empty() ? std::string() : digest.keyText(keyColumns);
        visit(key, digest.finishRow());
    }
    rows->close();
    // End the read, so a later one sees later commits.
    oracle.commit();
}

template <typename Visit>
void eachSourceRow(const VerifySource &source, const std::vector<db::ColumnInfo> &columns,
                   const std::vector<std::size_t> &keyColumns, Visit visit)
{
    SourceReader reader(source.rowSource, source.names, source.checkCharset, kPageSize);
    std::vector<std::string> names;
    for (const auto &column : reader.columns())
        names.push_back(column.name);
    const std::vector<std::size_t> positions = targetPositions(names, ColumnNames(names, source.nameBytes), columns);
    TargetRowDigest digest(columns);
    db::Value value;
    std::size_t read = 0;
    while (reader.nextPage()) {
        for (; reader.pageHasRow(); reader.next()) {
            askToGoOn(source.goOn, ++read);
            bool refused = false;
            digest.beginRow();
            for (std::size_t i = 0; i < positions.size(); ++i) {
                refused = refused || !reader.problem(i).empty();
                reader.read(i, value);
                if (positions[i] < columns.size())
                    digest.set(positions[i], value);
            }
            const auto key = keyColumns.empty() ? std::string() : digest.keyText(keyColumns);
            visit(key, digest.finishRow(), refused);
        }
    }
}

// Names the first source key (in the order the copy reads) whose row is missing or different in Oracle,
// else the first key Oracle holds that MySQL does not.
std::string firstDifference(db::Connection &oracle, const std::string &target,
                            const std::vector<db::ColumnInfo> &columns, const VerifySource &source)
{
    const std::vector<std::size_t> keyColumns = targetPositions(source.keyColumns, sourceColumnNames(source), columns);
    if (keyColumns.empty() || std::count(keyColumns.begin(), keyColumns.end(), columns.size()) > 0)
        return "the table has no primary key to name the first differing row by";
    std::unordered_map<std::string, RowHasher::Hash> inOracle;
    eachTargetRow(oracle, target, columns, keyColumns, source.goOn,
                  [&](const std::string &key, const RowHasher::Hash &hash) { inOracle.emplace(key, hash); });
    std::string found;
    eachSourceRow(source, columns, keyColumns, [&](const std::string &key, const RowHasher::Hash &hash, bool refused) {
        const bool skipped = refused || (source.refusedKeys && source.refusedKeys->count(key) > 0);
        const auto at = inOracle.find(key);
        if (!found.empty())
            return;
        if (at == inOracle.end()) {
            if (!skipped)
                found = "key " + key + " is missing in Oracle";
        } else if (at->second != hash && !skipped) {
            found = "key " + key + " holds other values in Oracle";
        } else {
            inOracle.erase(at);
        }
    });
    if (!found.empty())
        return found;
    if (!inOracle.empty()) {
        std::string first = inOracle.begin()->first;
        for (const auto &row : inOracle)
            first = std::min(first, row.first);
        return "key " + first + " is in Oracle only";
    }
    return "the rows differ, yet every key matches: a row is in Oracle twice";
}

} // namespace

TargetRowDigest::TargetRowDigest(const std::vector<db::ColumnInfo> &targetColumns)
    : m_columns(targetColumns), m_canon(targetColumns.size()), m_set(targetColumns.size(), 0)
{
    for (const auto &column : targetColumns)
        m_kinds.push_back(canonKindOf(column));
}

void TargetRowDigest::beginRow() { std::fill(m_set.begin(), m_set.end(), 0); }

void TargetRowDigest::set(std::size_t targetColumn, const db::Value &value)
{
    m_set[targetColumn] = canonicalValue(m_kinds[targetColumn], value, m_canon[targetColumn]) ? 1 : 0;
}

RowHasher::Hash TargetRowDigest::finishRow()
{
    m_hasher.reset();
    for (std::size_t i = 0; i < m_canon.size(); ++i) {
        if (m_set[i])
            m_hasher.addValue(m_canon[i]);
        else
            m_hasher.addNull();
    }
    return m_hasher.finish();
}

std::string TargetRowDigest::keyText(const std::vector<std::size_t> &keyColumns) const
{
    std::string text;
    for (std::size_t k = 0; k < keyColumns.size(); ++k) {
        const std::size_t c = keyColumns[k];
        if (k > 0)
            text += ", ";
        text += m_columns[c].name + "=" + (m_set[c] ? m_canon[c] : std::string("NULL"));
    }
    return text;
}

WrittenRowsDigest::WrittenRowsDigest(const std::vector<db::ColumnInfo> &targetColumns,
                                     std::vector<std::size_t> keyColumns)
    : m_row(targetColumns), m_keyColumns(std::move(keyColumns))
{
}

void WrittenRowsDigest::rowAppended()
{
    m_pendingHashes.push_back(m_row.finishRow());
    if (!m_keyColumns.empty())
        m_pendingKeys.push_back(m_row.keyText(m_keyColumns));
}

void WrittenRowsDigest::applied(const std::vector<db::RejectedRow> &rejected)
{
    m_refusedScratch.assign(m_pendingHashes.size(), 0);
    for (const auto &row : rejected)
        if (row.index < m_refusedScratch.size())
            m_refusedScratch[row.index] = 1;
    for (std::size_t i = 0; i < m_pendingHashes.size(); ++i) {
        if (!m_refusedScratch[i])
            m_written.add(m_pendingHashes[i]);
        else if (i < m_pendingKeys.size())
            m_refusedKeys.insert(m_pendingKeys[i]);
    }
    m_pendingHashes.clear();
    m_pendingKeys.clear();
}

std::string VerifyResult::logLine(const std::string &target) const
{
    if (match)
        return "Verify table " + target + ": " + std::to_string(targetRows) + " rows, the same in MySQL and Oracle";
    return "Verify table " + target + ": MySQL " + std::to_string(sourceRows) + " rows, Oracle " +
           std::to_string(targetRows) + " rows; " + difference;
}

TableDigest DigestTarget(db::Connection &oracle, const std::string &target, const std::vector<db::ColumnInfo> &columns,
                         const std::function<bool(std::size_t rows)> &goOn)
{
    TableDigest digest;
    eachTargetRow(oracle, target, columns, {}, goOn,
                  [&](const std::string &, const RowHasher::Hash &hash) { digest.add(hash); });
    return digest;
}

TableDigest DigestSource(const VerifySource &source, const std::vector<db::ColumnInfo> &columns)
{
    // Rows the copy refused are not expected in Oracle; naming them needs the key.
    std::vector<std::size_t> keyColumns;
    if (source.refusedKeys)
        keyColumns = targetPositions(source.keyColumns, sourceColumnNames(source), columns);
    if (std::count(keyColumns.begin(), keyColumns.end(), columns.size()) > 0)
        keyColumns.clear();
    TableDigest digest;
    eachSourceRow(source, columns, keyColumns, [&](const std::string &key, const RowHasher::Hash &hash, bool refused) {
        if (refused || (!keyColumns.empty() && source.refusedKeys->count(key) > 0))
            return;
        digest.add(hash);
    });
    return digest;
}

VerifyResult VerifyTable(db::Connection &oracle, const std::string &target, const std::vector<db::ColumnInfo> &columns,
                         const VerifySource &source)
{
    return VerifyAgainstDigest(oracle, target, columns, DigestSource(source, columns), source);
}

VerifyResult VerifyAgainstDigest(db::Connection &oracle, const std::string &target,
                                 const std::vector<db::ColumnInfo> &columns, const TableDigest &expected,
                                 const VerifySource &source)
{
    VerifyResult result;
    const TableDigest actual = DigestTarget(oracle, target, columns, source.goOn);
    result.sourceRows = expected.rows;
    result.targetRows = actual.rows;
    result.match = actual == expected;
    if (!result.match)
        result.difference = firstDifference(oracle, target, columns, source);
    return result;
}

} // namespace convert
