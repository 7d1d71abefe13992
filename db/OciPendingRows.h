#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// The rows appended to a target table and not yet applied, already in the form they are bound in:
// every cell's bytes live in one growing buffer and the cells in one table, so appending rows costs no
// allocation once the buffers have grown to the size of an apply.
class OciPendingRows {
public:
    enum class Kind : unsigned char {
        Null,
        Bytes,    // text, number text, raw bytes, or the OCIDate of a DATE column
        Rejected, // the value cannot go to its column; the bytes are the reason
    };
    struct Cell {
        std::size_t offset = 0;
        std::size_t length = 0;
        Kind kind = Kind::Null;
    };

    // Empties everything and takes the number of columns of the rows to come.
    void reset(std::size_t columns);
    // Drops the pending rows (and a row being filled); the buffers keep their size for the next ones.
    void clear();

    // Starts a new row, every cell NULL; a row appended but never posted is dropped by this.
    void append();
    bool hasOpenRow() const noexcept { return m_open; }
    void set(std::size_t column, Kind kind, std::string_view bytes);
    // Makes the open row pending.
    void post();

    std::size_t count() const noexcept { return m_count; }
    std::size_t columns() const noexcept { return m_columns; }
    const Cell &cell(std::size_t row, std::size_t column) const noexcept { return m_cells[row * m_columns + column]; }
    std::string_view bytes(const Cell &cell) const noexcept { return {m_bytes.data() + cell.offset, cell.length}; }
    // The first rejected cell of a row, or nullptr.
    const Cell *rejection(std::size_t row) const noexcept;

private:
    std::size_t m_columns = 0;
    std::size_t m_count = 0; // posted rows
    bool m_open = false;
    std::size_t m_openBytes = 0; // where the open row's bytes begin, to drop them if it is never posted
    std::vector<Cell> m_cells;
    std::string m_bytes;
};

} // namespace db
