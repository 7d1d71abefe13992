#include "RowCopy.h"

#include "NameRules.h"
#include "ProgressPacer.h"
#include "SourceCharsets.h"
#include "SourceReader.h"
#include "TypeMapping.h"
#include "ValueCanon.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Error.h"

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
        if (m_ctx.options.verify)
            m_written.emplace(m_target->columns(), keyPositions(reader.primaryKey()));
        findSourceKey(reader);
        if (m_ctx.continueAfterTarget)
            continueAfterTarget(reader);
        while (reader.nextPage())
            copyPage(reader);
        m_ctx.log.replaceLast(rowCounterLine(m_names.target, m_result.written));
        if (m_written) {
            const VerifySource source{m_ctx.rowSource, m_names, checkedCharset(), reader.primaryKey(),
                                      &m_written->refusedKeys()};
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
                m_columnMap->push_back(m_target->columnIndex(cutToBytes(column.name)));
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
        keepPendingKey();
        if (m_written) {
            m_written->row().beginRow();
            for (std::size_t i = 0; i < m_columnMap->size(); ++i)
                m_written->row().set((*m_columnMap)[i], m_values[i]);
            m_written->rowAppended();
        }
    }

    // A table kept from an earlier run holds a prefix of the table in key order (the copy reads in that
    // order and commits as it goes): the copy goes on after the largest key there, so nothing is read
    // twice and nothing is added twice. That needs a key whose order Oracle and MySQL agree on.
    void continueAfterTarget(SourceReader &reader)
    {
        const std::string table = quoteOracleName(m_names.target);
        const std::string held = m_ctx.oracleInsert.query("select count(*) from " + table).at(0).at(0).data;
        if (held == "0")
            return;
        if (!reader.keyed() || !orderedAlikeInOracle(reader)) {
            const std::string why = "Table " + m_names.target + " cannot continue after the " + held +
                                    " rows Oracle holds: it has no primary key of numbers or dates";
            if (m_ctx.options.resume)
                throw db::Error(why + "; convert it again with Overwrite");
            m_result.notes.push_back(why + ", so every MySQL row is added to them");
            return;
        }
        const std::vector<std::size_t> key = keyPositions(reader.primaryKey());
        std::string sql = "select ";
        std::string order;
        for (std::size_t i = 0; i < key.size(); ++i) {
            const std::string column = quoteOracleName(m_target->columns()[key[i]].name, "column");
            sql += (i ? ", " : "") + column;
            order += (i ? ", " : "") + column + " desc";
        }
        auto largest = m_ctx.oracleInsert.createDataSet();
        largest->open(sql + " from " + table + " order by " + order);
        std::vector<db::Value> after;
        std::string text;
        for (std::size_t i = 0; i < key.size(); ++i) {
            db::Value value = largest->value(static_cast<int>(i));
            if (value.isNull())
                throw db::Error("Table " + m_names.target + " holds a row without a key: it cannot continue");
            if (m_target->columns()[key[i]].type == 2)
                value = db::Value::of(db::ValueKind::Decimal, canonicalNumber(value.data));
            text += (i ? ", " : "") + reader.primaryKey()[i] + "=" + value.data;
            after.push_back(std::move(value));
        }
        largest->close();
        reader.startAfter(std::move(after));
        m_continued = true;
        m_result.notes.push_back("Continued after key " + text + ": " + held + " rows were already in Oracle");
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

    // Source positions of the primary-key columns, for naming refused rows.
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
    void keepPendingKey()
    {
        const std::size_t at = m_keyRows++ * m_keyColumns.size();
        if (m_pendingKeys.size() < at + m_keyColumns.size())
            m_pendingKeys.resize(at + m_keyColumns.size());
        for (std::size_t k = 0; k < m_keyColumns.size(); ++k)
            m_pendingKeys[at + k] = m_values[m_keyColumns[k]];
    }

    std::string pendingKeyText(std::size_t pendingIndex) const
    {
        std::string text;
        const std::size_t at = pendingIndex * m_keyColumns.size();
        for (std::size_t k = 0; k < m_keyColumns.size() && at + k < m_pendingKeys.size(); ++k) {
            const db::Value &value = m_pendingKeys[at + k];
            text += (k ? ", " : "") + m_keyNames[k] + "=" + (value.isNull() ? std::string("NULL") : value.data);
        }
        return text;
    }

    // Target positions of the primary-key columns, for naming rows in a verification.
    std::vector<std::size_t> keyPositions(const std::vector<std::string> &key) const
    {
        std::vector<std::size_t> positions;
        for (const auto &column : key)
            positions.push_back(m_target->columnIndex(cutToBytes(column)));
        return positions;
    }

    void progressPoint()
    {
        apply();
        const bool goOn = !m_ctx.progress || m_ctx.progress(Progress{0, 0, m_result.written});
        m_pacer.restart();
        if (!goOn)
            throw Stopped{};
    }

    // Writes the pending rows and shows what Oracle now holds: a copy that ends here, by a failure or a
    // stop, leaves a counter that matches the table.
    void apply()
    {
        const std::size_t base = m_applied;
        const std::size_t pending = m_target->pendingCount();
        m_applied += pending;
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
    std::optional<std::vector<std::size_t>> m_columnMap; // source position -> target position
    std::vector<db::Value> m_values;                     // the row being moved, storage kept across rows
    std::size_t m_applied = 0; // rows handed to applies so far: the table position of the next pending row
    std::vector<std::size_t> m_keyColumns;      // source positions of the primary key; empty without one
    std::vector<std::string> m_keyNames;        // their MySQL names
    std::vector<db::Value> m_pendingKeys;       // key values of the pending rows, row after row
    std::size_t m_keyRows = 0;                  // pending rows whose key is kept
    std::optional<WrittenRowsDigest> m_written; // what went in, when the copy is to be verified
    bool m_continued = false;                   // the copy started after the rows a kept table held
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
    try {
        TableCopy(context, names, result).run();
    } catch (const Stopped &) {
        result.stopped = true;
        result.fail("Operation aborted");
    } catch (const std::exception &e) {
        result.fail(e.what());
    }
    return result;
}

} // namespace convert
