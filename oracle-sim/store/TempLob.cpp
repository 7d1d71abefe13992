#include "TempLob.h"

#include "OraError.h"
#include "ValueCoercion.h"

namespace oraclesim {

TempLob::TempLob(bool isClob) : m_file(std::tmpfile()), m_isClob(isClob)
{
    // The temporary tablespace is full, as far as a client can tell.
    if (!m_file)
        throw OraError(1652, "ORA-01652: unable to extend temp segment by 128 in tablespace TEMP");
}

TempLob::~TempLob() { std::fclose(m_file); }

void TempLob::append(std::string_view data)
{
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), m_file) != data.size())
        throw OraError(1652, "ORA-01652: unable to extend temp segment by 128 in tablespace TEMP");
    m_bytes += data.size();
    // Counted byte by byte, so a character cut between two pieces still counts once.
    if (m_isClob)
        m_units += ValueCoercion::utf16Length(data);
}

std::string TempLob::readAll() const
{
    std::string out;
    out.reserve(m_bytes);
    forEachChunk([&](std::string_view chunk) { out.append(chunk); });
    return out;
}

void TempLob::assign(std::string_view data)
{
    std::FILE *fresh = std::tmpfile();
    if (!fresh)
        throw OraError(1652, "ORA-01652: unable to extend temp segment by 128 in tablespace TEMP");
    std::fclose(m_file);
    m_file = fresh;
    m_bytes = m_units = 0;
    append(data);
}

} // namespace oraclesim
