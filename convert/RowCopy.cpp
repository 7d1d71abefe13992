#include "RowCopy.h"

#include "ColumnNames.h"
#include "KeptRows.h"
#include "NameRules.h"
#include "ProgressPacer.h"
#include "SourceCharsets.h"
#include "SourceReader.h"
#include "TypeMapping.h"
#include "ValueCanon.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Error.h"
#include "db/UntimedCalls.h"

#include <memory>
#include <optional>

namespace convert {

namespace {

// Thrown out of the copy's loops when the progress hook says stop; not an error of either server.
struct Stopped {};

// One table's copy: owns the counters, the target data set and the report of refused rows.
class TableCopy {
public:
    TableCopy(CopyContext &context, const TableNames &names, CopyResult &result)
        : m_ctx(context), m_names(names), m_result(result), m_pacer(context.progressInterval)
    {
    }

    void run()
    {
        openSource();
        SourceReader reader(m_ctx.rowSource, m_names, checkedCharset(), kPageSize);
        // Opened once for the table: its INSERT is prepared once, whatever the number of pages.
        m_target = m_ctx.oracleInsert.createTargetTable("oracleinsertdata");
        m_target->setApplyMode(m_ctx.applyMode);
        m_target->open(m_names.target);
        std::vector<std::string> listed;
        for (const auto &column : reader.columns())
            listed.push_back(column.name);
        m_columnNames = ColumnNames(listed, m_ctx.options.allows.nameBytes);
        if (m_ctx.options.verify)
            m_written.emplace(m_target->columns(), keyPositions(reader.primaryKey()));
        findSourceKey(reader);
        if (m_ctx.kept == KeptTable::None)
            copyAll(reader);
        else
            copyIntoKeptTable(reader);
        m_ctx.log.replaceLast(rowCounterLine(m_names.target, m_result.written));
        if (m_kept)
            m_result.notes.push_back(std::to_string(m_result.alreadyThere) +
                                     " rows were already in Oracle and stay as they are");
        if (m_written) {
            // The verification reads both sides whole: its progress points let a stop act within it.
            const VerifySource source{m_ctx.rowSource,
                                      m_names,
                                      checkedCharset(),
                                      reader.primaryKey(),
                                      &m_written->refusedKeys(),
                                      m_ctx.options.allows.nameBytes,
                                      [this](std::size_t rows) {
                                          Progress progress;
                                          progress.rows = rows;
                                          progress.step = "verification";
                                          return !m_ctx.progress || m_ctx.progress(progress);
                                      }};
            // A continued copy wrote only the rest of the table: the whole of it is compared.
            m_result.verification =
                m_continued ? VerifyTable(m_ctx.oracleInsert, m_names.target, m_target->columns(), source)
                            : VerifyAgainstDigest(m_ctx.oracleInsert, m_names.target, m_target->columns(),
                                                  m_written->written(), source);
        }
        m_result.complete = true;
        if (m_result.rejectedCount > 0)
            m_result.fail(std::to_string(m_result.rejectedCount) + " rows rejected");
    }

    // What the table holds now, less what it held before this copy: the rows of this copy that Oracle
    // holds, whatever became of the apply that failed.
    void recount()
    {
        if (!m_ctx.counter || !m_target)
            return;
        try {
            const db::UntimedCalls untimed(*m_ctx.counter);
            const long long now =
                m_ctx.counter->query("select count(*) from " + quoteOracleName(m_names.target)).at(0).at(0).toInteger();
            const long long mine = now - m_heldBefore - static_cast<long long>(m_result.alreadyThere);
            if (mine >= 0 && static_cast<std::size_t>(mine) != m_result.written) {
                m_result.written = static_cast<std::size_t>(mine);
                m_ctx.log.replaceLast(rowCounterLine(m_names.target, m_result.written));
            }
        } catch (const std::exception &) {
            // The counter keeps what the copy knew; the failure itself is what the log reports.
        }
    }

private:
    void openSource()
    {
        m_ctx.rowSource.close();
        m_ctx.rowSource.replaceProfile(m_ctx.rowProfile);
        m_ctx.rowSource.open();
        // Rows are streamed while Oracle is written and the window may wait on a question: give the
        // server time before it gives up on a reader that pauses.
        m_ctx.rowSource.execute("SET SESSION net_write_timeout = 3600");
    }

    // The character set the user chose for the source, which every text value must fit; empty for none.
    // Values still travel in utf8mb4: reading them in the chosen set would turn what it cannot hold into
    // '?' without a word, and a name or key read in it could be parsed as other characters.
    std::string checkedCharset() const
    {
        const std::string charset = checkedCharsetName(m_ctx.options);
        if (charset.empty())
            return {};
        // The name goes into the statement as text, so only a plain character-set name may.
        if (!isCharsetName(charset))
            throw db::Error("Character set '" + charset +
                            "' is not a valid name: only letters, digits and underscores are allowed");
        return charset;
    }

    void copyAll(SourceReader &reader)
    {
        while (reader.nextPage())
            copyPage(reader);
    }

    void copyPage(SourceReader &reader)
    {
        while (reader.pageHasRow()) {
            moveRow(reader);
            reader.next();
            // After the 1st, 101st, 201st ... row of the table, and whenever whoever waits on the hook
            // is due an answer.
            if (m_result.rows % kApplyInterval == 0 || (m_ctx.progress && m_pacer.due(m_target->pendingCount())))
                progressPoint();
            ++m_result.rows;
        }
        apply();
    }

    // Source columns feed the target columns of the same (cut) name, whatever their case or position.
    void moveRow(const SourceReader &reader)
    {
        if (!m_columnMap) {
            m_columnMap.emplace();
            for (const auto &column : reader.columns())
                m_columnMap->push_back(m_target->columnIndex(m_columnNames.of(column.name)));
        }
        m_values.resize(m_columnMap->size());
        m_target->append();
        for (std::size_t i = 0; i < m_columnMap->size(); ++i) {
            // A value goes from the source's row buffer to the target as it lies, so no copy of a large
            // object is made on the way; one the reader converts, or that a verification digests, is
            // read into storage kept across rows.
            if (m_written || !reader.passesAsIs(i)) {
                reader.read(i, m_values[i]);
                m_target->setValue((*m_columnMap)[i], m_values[i]);
            } else {
                const auto field = reader.field(i);
                m_target->setValue((*m_columnMap)[i], field.kind, field.data);
            }
        }
        for (std::size_t i = 0; i < m_columnMap->size(); ++i) {
            const std::string problem = reader.problem(i);
            if (!problem.empty())
                m_target->refuseValue((*m_columnMap)[i], problem);
        }
        m_target->post();
        keepPendingKey(reader);
        if (m_written) {
            m_written->row().beginRow();
            for (std::size_t i = 0; i < m_columnMap->size(); ++i)
                m_written->row().set((*m_columnMap)[i], m_values[i]);
            m_written->rowAppended();
        }
    }

    // A kept table: what it holds decides where the copy starts and whether each apply asks Oracle
    // which keys it has.
    void copyIntoKeptTable(SourceReader &reader)
    {
        const std::string table = quoteOracleName(m_names.target);
        m_heldBefore = untimedCount(m_ctx.oracleInsert, "select count(*) from " + table);
        if (m_heldBefore == 0)
            return copyAll(reader);
        m_continued = true;
        const std::string held = std::to_string(m_heldBefore);
        if (m_keyColumns.empty() || !keyInTarget(reader)) {
            if (m_ctx.kept == KeptTable::Resume) {
                const long long inMySql =
                    untimedCount(m_ctx.rowSource, "select count(*) from " + quoteMySqlName(m_names.source));
                if (inMySql == m_heldBefore) {
                    m_result.notes.push_back("Table " + m_names.target + " already holds " + held +
                                             " rows, as many as MySQL: nothing is added");
                    return;
                }
                throw db::Error("Table " + m_names.target + " holds " + held + " of the " + std::to_string(inMySql) +
                                " MySQL rows and has no primary key to tell which are missing; convert it again "
                                "with Overwrite");
            }
            m_result.notes.push_back("Table " + m_names.target + " holds " + held +
                                     " rows and has no primary key to tell them apart, so every MySQL row is added "
                                     "to them");
            return copyAll(reader);
        }
        m_kept.emplace(m_ctx.oracleInsert, m_names.target, m_target->columns(), keyPositions(reader.primaryKey()));
        if (!reader.keyed() || !orderedAlikeInOracle(reader)) {
            m_result.notes.push_back("Table " + m_names.target + " holds " + held +
                                     " rows: every MySQL row is offered, and those whose key Oracle holds stay as "
                                     "they are");
            m_lookUp = true;
            return copyAll(reader);
        }
        std::string keyText;
        std::vector<db::Value> largest = largestKeyInOracle(keyText);
        long long upTo = 0;
        {
            const db::UntimedCalls untimed(m_ctx.rowSource);
            upTo = reader.countUpTo(largest);
        }
        if (upTo == m_heldBefore) {
            // Oracle holds MySQL's rows up to its largest key whole: the copy goes on after it.
            m_kept.reset();
            reader.startAfter(std::move(largest));
            m_result.notes.push_back("Continued after key " + keyText + ": " + held + " rows were already in Oracle");
            return copyAll(reader);
        }
        m_result.notes.push_back("Oracle holds " + held + " rows up to key " + keyText + ", MySQL " +
                                 std::to_string(upTo) + ": those rows are offered again, and the ones Oracle holds " +
                                 "stay as they are");
        reader.endWith(largest);
        m_lookUp = true;
        copyAll(reader);
        // Past Oracle's largest key there is nothing Oracle could hold.
        m_lookUp = false;
        SourceReader rest(m_ctx.rowSource, m_names, checkedCharset(), kPageSize);
        rest.startAfter(std::move(largest));
        copyAll(rest);
    }

    // Whether every primary-key column has its column in the Oracle table.
    bool keyInTarget(const SourceReader &reader) const
    {
        for (const auto &column : reader.primaryKey()) {
            try {
                m_target->columnIndex(m_columnNames.of(column));
            } catch (const db::Error &) {
                return false;
            }
        }
        return true;
    }

    // A count over a whole table, which takes as long as it takes.
    static long long untimedCount(db::Connection &connection, const std::string &sql)
    {
        const db::UntimedCalls untimed(connection);
        return connection.query(sql).at(0).at(0).toInteger();
    }

    // The largest key Oracle holds, in the form the MySQL reader compares, and as text for the log.
    std::vector<db::Value> largestKeyInOracle(std::string &text)
    {
        const db::UntimedCalls untimed(m_ctx.oracleInsert); // sorts the whole table
        const std::vector<std::size_t> key = keyPositions(m_keyNames);
        std::string sql = "select ";
        std::string order;
        for (std::size_t i = 0; i < key.size(); ++i) {
            const std::string column = quoteOracleName(m_target->columns()[key[i]].name, "column");
            sql += (i ? ", " : "") + column;
            order += (i ? ", " : "") + column + " desc";
        }
        auto largest = m_ctx.oracleInsert.createDataSet();
        largest->open(sql + " from " + quoteOracleName(m_names.target) + " order by " + order);
        std::vector<db::Value> after;
        for (std::size_t i = 0; i < key.size(); ++i) {
            db::Value value = largest->value(static_cast<int>(i));
            if (value.isNull())
                throw db::Error("Table " + m_names.target + " holds a row without a key: it cannot continue");
            if (m_target->columns()[key[i]].type == 2)
                value = db::Value::of(db::ValueKind::Decimal, canonicalNumber(value.data));
            text += (i ? ", " : "") + m_keyNames[i] + "=" + value.data;
            after.push_back(std::move(value));
        }
        largest->close();
        return after;
    }

    // Whether every key column is a number or a date, whose order Oracle and MySQL agree on.
    static bool orderedAlikeInOracle(const SourceReader &reader)
    {
        for (const auto &name : reader.primaryKey()) {
            for (const auto &column : reader.columns()) {
                if (column.name != name)
                    continue;
                const std::string type = NormalizedType(column.type);
                bool alike = false;
                for (std::string_view prefix :
                     {"tinyint", "smallint", "mediumint", "int", "bigint", "decimal", "year", "date"})
                    alike = alike || type.rfind(prefix, 0) == 0;
                if (!alike)
                    return false;
            }
        }
        return true;
    }

    // Source positions of the primary-key columns, for naming refused rows and finding kept ones.
    void findSourceKey(const SourceReader &reader)
    {
        for (const auto &name : reader.primaryKey())
            for (std::size_t i = 0; i < reader.columns().size(); ++i)
                if (reader.columns()[i].name == name)
                    m_keyColumns.push_back(i);
        if (m_keyColumns.size() != reader.primaryKey().size())
            m_keyColumns.clear();
        else
            m_keyNames = reader.primaryKey();
    }

    // The key values of the row just appended, kept until its apply says whether it went in. Only a
    // refused row's key becomes text; the stored values reuse their storage from one apply to the next.
    void keepPendingKey(const SourceReader &reader)
    {
        if (m_keyColumns.empty())
            return;
        if (m_pendingKeys.size() <= m_keyRows)
            m_pendingKeys.resize(m_keyRows + 1);
        std::vector<db::Value> &key = m_pendingKeys[m_keyRows++];
        key.resize(m_keyColumns.size());
        for (std::size_t k = 0; k < m_keyColumns.size(); ++k)
            reader.read(m_keyColumns[k], key[k]);
    }

    std::string pendingKeyText(std::size_t pendingIndex) const
    {
        std::string text;
        if (pendingIndex >= m_keyRows)
            return text;
        const std::vector<db::Value> &key = m_pendingKeys[pendingIndex];
        for (std::size_t k = 0; k < m_keyNames.size() && k < key.size(); ++k)
            text += (k ? ", " : "") + m_keyNames[k] + "=" + (key[k].isNull() ? std::string("NULL") : key[k].data);
        return text;
    }

    // Target positions of the primary-key columns, for naming rows in a verification.
    std::vector<std::size_t> keyPositions(const std::vector<std::string> &key) const
    {
        std::vector<std::size_t> positions;
        for (const auto &column : key)
            positions.push_back(m_target->columnIndex(m_columnNames.of(column)));
        return positions;
    }

    void progressPoint()
    {
        apply();
        Progress progress;
        progress.rows = m_result.written;
        progress.step = "rows";
        const bool goOn = !m_ctx.progress || m_ctx.progress(progress);
        m_pacer.restart();
        if (!goOn)
            throw Stopped{};
    }

    // Rows of a kept table whose key Oracle holds are not sent: they stay as Oracle holds them.
    void leaveOutRowsOracleHolds()
    {
        const std::vector<char> held = m_kept->held(m_pendingKeys, m_keyRows);
        for (std::size_t i = 0; i < held.size(); ++i)
            if (held[i]) {
                m_target->discardPending(i);
                ++m_result.alreadyThere;
            }
    }

    // Writes the pending rows and shows what Oracle now holds: a copy that ends here, by a failure or a
    // stop, leaves a counter that matches the table.
    void apply()
    {
        const std::size_t base = m_applied;
        const std::size_t pending = m_target->pendingCount();
        m_applied += pending;
        if (m_lookUp && pending > 0)
            leaveOutRowsOracleHolds();
        const auto started = ProgressPacer::Clock::now();
        const db::ApplyResult applied = m_target->apply();
        if (m_written)
            m_written->applied(applied.rejected);
        m_pacer.applied(pending, ProgressPacer::Clock::now() - started);
        m_result.written += applied.written;
        if (pending > 0)
            m_ctx.log.replaceLast(rowCounterLine(m_names.target, m_result.written));
        for (const auto &rejected : applied.rejected) {
            ++m_result.rejectedCount;
            if (m_result.rejected.size() < kRejectedRowsShown)
                m_result.rejected.push_back(
                    {base + rejected.index + 1, pendingKeyText(rejected.index), rejected.message});
        }
        m_keyRows = 0;
    }

    CopyContext &m_ctx;
    const TableNames &m_names;
    CopyResult &m_result;
    std::unique_ptr<db::TargetTable> m_target;
    ColumnNames m_columnNames;                           // the Oracle names of the source's columns
    std::optional<std::vector<std::size_t>> m_columnMap; // source position -> target position
    std::vector<db::Value> m_values;                     // the row being moved, storage kept across rows
    std::size_t m_applied = 0; // rows handed to applies so far: the table position of the next pending row
    std::vector<std::size_t> m_keyColumns;             // source positions of the primary key; empty without one
    std::vector<std::string> m_keyNames;               // their MySQL names
    std::vector<std::vector<db::Value>> m_pendingKeys; // key values of the pending rows, storage kept
    std::size_t m_keyRows = 0;                  // pending rows whose key is kept
    std::optional<WrittenRowsDigest> m_written; // what went in, when the copy is to be verified
    std::optional<KeptRows> m_kept;             // a kept table's rows, when applies must ask for them
    bool m_lookUp = false;                      // the rows being read may be in the kept table already
    bool m_continued = false;                   // the copy added to rows a kept table held
    long long m_heldBefore = 0;                 // rows the table held when the copy began
    ProgressPacer m_pacer;
};

} // namespace

std::string rowCounterLine(const std::string &target, std::size_t rows)
{
    return "Insert table " + target + " " + std::to_string(rows) + " Rows ";
}

CopyResult CopyTableRows(CopyContext &context, const TableNames &names)
{
    CopyResult result;
    TableCopy copy(context, names, result);
    try {
        copy.run();
    } catch (const Stopped &) {
        result.stopped = true;
        result.fail("Operation aborted");
    } catch (const VerificationStopped &) {
        result.stopped = true;
        result.fail("Operation aborted");
    } catch (const db::CancelledError &) {
        // A stop broke the read or the apply under way; a broken apply wrote nothing, so the counter
        // still says what Oracle holds.
        result.stopped = true;
        result.fail("Operation aborted");
    } catch (const std::exception &e) {
        result.fail(e);
        copy.recount();
    }
    return result;
}

} // namespace convert
