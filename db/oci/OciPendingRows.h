#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// The rows appended to a target table and not yet applied, already in the form they are bound in:
// every cell's bytes live in one growing buffer and the cells in one table, so appending rows costs no
// allocation once the buffers have grown to the size of an apply.
// Threads: its target table's.
class OciPendingRows {
public:
    enum class Kind : unsigned char {
        Null,
        Bytes,     // text, number text, raw bytes, or the OCIDate of a DATE column
        Rejected,  // the value cannot go to its column; the bytes are the reason
        Temporary, // a large object already written to a temporary LOB: offset is its locator's number
    };
    struct Cell {
        std::size_t offset = 0;
        std::size_t length = 0; // bytes of the value, also for a temporary LOB
        Kind kind = Kind::Null;
    };

    // Empties everything and takes the number of columns of the rows to come.
    void reset(std::size_t columns);
    // Drops the pending rows (and a row being filled); the buffers keep their size for the next ones.
    // The caller lets go of the temporary LOBs they name first (forEachTemporary).
    void clear();

    // Starts a new row, every cell NULL; a row appended but never posted is dropped by this.
    void append();
    bool hasOpenRow() const noexcept { return m_open; }
    void set(std::size_t column, Kind kind, std::string_view bytes);
    void setTemporary(std::size_t column, std::size_t locator, std::size_t length);
    // Makes the open row pending.
    void post();

    std::size_t count() const noexcept { return m_count; }
    std::size_t columns() const noexcept { return m_columns; }
    const Cell &cell(std::size_t row, std::size_t column) const noexcept { return m_cells[row * m_columns + column]; }
    std::string_view bytes(const Cell &cell) const noexcept { return {m_bytes.data() + cell.offset, cell.length}; }
    // The first rejected cell of a row, or nullptr.
    const Cell *rejection(std::size_t row) const noexcept;
    // Calls fn(locator number) for each temporary LOB of the pending rows and of a row being filled.
    template <class Fn> void forEachTemporary(Fn &&fn) const
    {
        const std::size_t rows = m_count + (m_open ? 1 : 0);
        for (std::size_t i = 0; i < rows * m_columns && i < m_cells.size(); ++i)
            if (m_cells[i].kind == Kind::Temporary)
                fn(m_cells[i].offset);
    }

private:
    std::size_t m_columns = 0;
    std::size_t m_count = 0; // posted rows
    bool m_open = false;
    std::size_t m_openBytes = 0; // where the open row's bytes begin, to drop them if it is never posted
    std::vector<Cell> m_cells;
    std::string m_bytes;
};

} // namespace db
