#include "OciPendingRows.h"

namespace db {

void OciPendingRows::reset(std::size_t columns)
{
    m_columns = columns;
    clear();
}

void OciPendingRows::clear()
{
    m_count = 0;
    m_open = false;
    m_openBytes = 0;
    m_cells.clear();
    m_bytes.clear();
}

void OciPendingRows::append()
{
    if (m_open) {
        m_bytes.resize(m_openBytes);
    }
    m_cells.resize(m_count * m_columns);
    m_cells.resize((m_count + 1) * m_columns);
    m_openBytes = m_bytes.size();
    m_open = true;
}

void OciPendingRows::set(std::size_t column, Kind kind, std::string_view bytes)
{
    // Setting a cell twice leaves the first bytes unused; they go with the next clear().
    Cell &target = m_cells[m_count * m_columns + column];
    target.offset = m_bytes.size();
    target.length = bytes.size();
    target.kind = kind;
    m_bytes.append(bytes);
}

void OciPendingRows::setTemporary(std::size_t column, std::size_t locator, std::size_t length)
{
    Cell &target = m_cells[m_count * m_columns + column];
    target.offset = locator;
    target.length = length;
    target.kind = Kind::Temporary;
}

void OciPendingRows::post()
{
    ++m_count;
    m_open = false;
    m_openBytes = m_bytes.size();
}

const OciPendingRows::Cell *OciPendingRows::rejection(std::size_t row) const noexcept
{
    const Cell *first = &m_cells[row * m_columns];
    for (std::size_t c = 0; c < m_columns; ++c)
        if (first[c].kind == Kind::Rejected)
            return &first[c];
    return nullptr;
}

} // namespace db
