#pragma once

#include "OciApi.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace db {

class OciStatement;

// The column-wise bind buffer of one INSERT parameter for an array execute: `rows` elements of one
// fixed size, an indicator and a length per element. The vectors keep their capacity from one execute
// to the next, so filling them allocates nothing once they have grown.
// Threads: its statement's.
class OciBindColumn {
public:
    // Sizes the buffer for rows elements of elementSize bytes each (at least one byte, at most 65535).
    void prepare(std::size_t rows, std::size_t elementSize);
    void setNull(std::size_t row) noexcept
    {
        m_indicators[row] = -1;
        setLength(row, 0);
    }
    void set(std::size_t row, std::string_view bytes) noexcept;
    // Binds the buffer to a position of the statement as this external type.
    void bind(OciStatement &statement, ub4 position, ub2 type);

    std::size_t elementSize() const noexcept { return m_elementSize; }

private:
    void setLength(std::size_t row, std::size_t length) noexcept { m_lengths[row] = static_cast<ub2>(length); }

    std::size_t m_rows = 0;
    std::size_t m_elementSize = 1;
    std::vector<char> m_data;
    std::vector<sb2> m_indicators;
    std::vector<ub2> m_lengths;
};

} // namespace db
