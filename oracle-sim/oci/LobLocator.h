#pragma once

#include "HandleBase.h"
#include "SqlValue.h"
#include "TempLob.h"

#include <memory>
#include <string>

namespace oraclesim {

// OCI_DTYPE_LOB: a LOB locator. Filled by a fetch or a RETURNING clause, it keeps the value it was
// given (a read-consistent view, as Oracle's locators give) and where the value lives, so that
// writes go back to that row within the session's transaction. Made temporary
// (OCILobCreateTemporary), it points at a temporary LOB of its own instead, kept out of memory.
class LobLocator : public HandleBase {
public:
    explicit LobLocator(EnvHandle *env) : HandleBase(oci::DTYPE_LOB, env, false) {}

    void fill(const SqlValue &value)
    {
        m_filled = true;
        m_isClob = value.type() != SqlType::Blob;
        m_temp.reset();
        m_data = value.bytes();
        m_ref = value.lobRef();
        m_nextPiece = 1;
    }
    void makeTemporary(bool isClob)
    {
        m_filled = true;
        m_isClob = isClob;
        m_temp = std::make_shared<TempLob>(isClob);
        m_data.clear();
        m_ref = {};
        m_nextPiece = 1;
    }
    void freeTemporary()
    {
        m_temp.reset();
        m_filled = false;
    }
    bool filled() const noexcept { return m_filled; }
    bool isClob() const noexcept { return m_isClob; }
    bool isTemporary() const noexcept { return m_temp != nullptr; }
    TempLob &temporary() const noexcept { return *m_temp; }
    std::string &data() noexcept { return m_data; }
    const LobRef &ref() const noexcept { return m_ref; }
    SqlValue value() const
    {
        if (m_temp)
            return SqlValue::streamed(m_temp);
        return m_isClob ? SqlValue::clob(m_data, m_ref) : SqlValue::blob(m_data, m_ref);
    }
    // Where the next piece of a piecewise write goes.
    oraub8 &nextPiece() noexcept { return m_nextPiece; }

private:
    bool m_filled = false;
    bool m_isClob = true;
    std::shared_ptr<TempLob> m_temp;
    std::string m_data;
    LobRef m_ref;
    oraub8 m_nextPiece = 1;
};

} // namespace oraclesim
