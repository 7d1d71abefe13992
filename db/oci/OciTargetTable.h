#pragma once

#include "OciBindColumn.h"
#include "OciHandle.h"
#include "OciInsertPlan.h"
#include "OciPendingRows.h"
#include "OciStatement.h"
#include "db/TargetTable.h"

#include <memory>
#include <string>
#include <vector>

namespace db {

class OciSession;

// The append-and-apply target over an Oracle session. Values are converted for their column when
// they are set (numbers as exact text, dates as OCIDate, timestamps as text, raw values and large
// objects as bytes), so a value a column cannot take is known before anything is sent: its row is
// reported as rejected and never sent.
//
// An apply goes in one transaction: the pending rows go in array executes with batch errors, so one
// bad row is reported and the others are written. A large object too long to bind as bytes is
// written to a temporary LOB as soon as it is set, in pieces straight from the caller's value, and
// its row holds only the locator: memory holds no large object whole beyond the caller's own.
//
// Threads: its session's. An apply broken by a cancel is rolled back whole; its rows stay pending.
class OciTargetTable : public TargetTable {
public:
    explicit OciTargetTable(std::shared_ptr<OciSession> session);
    ~OciTargetTable() override;

    void open(const std::string &table) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    const std::vector<ColumnInfo> &columns() const override { return m_columns; }

    void append() override;
    void setValue(std::string_view column, const Value &value) override;
    void setValue(std::size_t column, const Value &value) override;
    void refuseValue(std::size_t column, std::string_view reason) override;
    void setValue(std::size_t column, ValueKind kind, std::string_view data) override;
    void post() override;
    std::size_t pendingCount() const override { return m_pending.count(); }
    void discardPending(std::size_t index) override;

    ApplyResult apply() override;
    void setApplyMode(ApplyMode mode) override { m_mode = mode; }
    std::string insertStatement() const override;

    // Large-object values up to this many bytes are bound as bytes; longer ones go through temporary
    // LOBs. It is where ODPI-C stops binding statically too.
    static constexpr std::size_t kDirectLobLimit = 32767;

private:
    // One INSERT per combination of large-object forms met so far, prepared once and kept while the
    // table is open.
    struct Shape {
        std::vector<OciLobForm> forms;
        OciInsertPlan plan;
        std::unique_ptr<OciStatement> statement;
    };

    void requireOpen() const;
    // A DATE or TIMESTAMP cell: an OCIDate, or text by the pinned timestamp format.
    void setMoment(std::size_t index, ValueKind kind, std::string_view data);
    void setLob(std::size_t index, std::string_view data);
    void reject(std::size_t index, const std::string &reason);
    // Lets go of the temporary LOB a cell of the row being filled holds, before the cell changes.
    void releaseOpenCell(std::size_t index);
    std::size_t acquireTemporary();
    void releaseTemporary(std::size_t locator) noexcept;
    void releaseAllTemporaries() noexcept;

    std::size_t shapeOf(std::size_t row);
    OciStatement &statementOf(Shape &shape);
    // Gathers into m_chunk the unsent rows of this shape from begin on, as many as the array budget
    // takes; returns where the next chunk of the shape starts.
    std::size_t nextChunk(std::size_t begin, std::size_t end, std::size_t shape);
    void bindRows(const Shape &shape, OciStatement &statement);
    void executeArray(Shape &shape, ApplyResult &result, ub4 extraMode);
    void executeSingle(Shape &shape, std::size_t row, ApplyResult &result);
    void collectBatchErrors(OciStatement &statement, ApplyResult &result);
    ub2 bindTypeOf(const ColumnInfo &column) const;

    std::shared_ptr<OciSession> m_session;
    bool m_open = false;
    std::string m_table;
    std::vector<ColumnInfo> m_columns;
    std::vector<std::size_t> m_lobColumns;
    std::size_t m_lastColumn = 0; // where the name lookup starts: callers set columns in the same order
    ApplyMode m_mode = ApplyMode::Array;
    OciPendingRows m_pending;

    std::vector<Shape> m_shapes;
    std::vector<std::size_t> m_rowShapes; // shape of each pending row, per apply
    std::vector<char> m_rowSent;          // whether each pending row has gone (or was refused), per apply
    std::vector<char> m_discarded;        // pending rows left out of the next apply
    std::vector<OciLobForm> m_formsScratch;
    std::vector<std::size_t> m_chunk;                // pending rows of the execute being prepared
    std::vector<std::size_t> m_chunkWidths;          // widest value of each bound column in the chunk so far
    std::vector<OciBindColumn> m_buffers;            // by bind position
    std::vector<std::vector<void *>> m_locatorBinds; // by bind position, for temporary LOBs
    std::vector<OciDescriptor> m_temporaries;        // locators, reused once their LOB is freed
    std::vector<char> m_temporaryInUse;
    std::vector<std::size_t> m_freeTemporaries;
};

} // namespace db
