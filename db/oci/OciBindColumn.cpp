#include "OciBindColumn.h"

#include "OciLibrary.h"
#include "OciSession.h"
#include "OciStatement.h"

#include <cstring>

namespace db {

void OciBindColumn::prepare(std::size_t rows, std::size_t elementSize)
{
    m_rows = rows;
    m_elementSize = elementSize ? elementSize : 1;
    // resize() only grows the capacity; the contents are written for every row before each execute.
    m_data.resize(m_rows * m_elementSize);
    m_indicators.resize(m_rows);
    m_lengths.resize(m_rows);
}

void OciBindColumn::set(std::size_t row, std::string_view bytes) noexcept
{
    m_indicators[row] = 0;
    std::memcpy(m_data.data() + row * m_elementSize, bytes.data(), bytes.size());
    setLength(row, bytes.size());
}

void OciBindColumn::bind(OciStatement &statement, ub4 position, ub2 type)
{
    OciSession &session = statement.session();
    const auto &lib = session.lib();
    session.check(lib.bindByPos(statement.get(), statement.bindSlot(position), session.err(), position, m_data.data(),
                                static_cast<sb4>(m_elementSize), type, m_indicators.data(), m_lengths.data(), nullptr,
                                0, nullptr, oci::DEFAULT),
                  "OCIBindByPos");
}

} // namespace db
