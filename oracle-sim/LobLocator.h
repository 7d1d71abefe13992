#pragma once

#include "HandleBase.h"
#include "SqlValue.h"

#include <string>

namespace oraclesim {

// OCI_DTYPE_LOB: a LOB locator. Filled by a fetch or a RETURNING clause, it keeps the value it was
// given (a read-consistent view, as Oracle's locators give) and where the value lives, so that
// writes go back to that row within the session's transaction.
class LobLocator : public HandleBase {
public:
    explicit LobLocator(EnvHandle *env) : HandleBase(oci::DTYPE_LOB, env, false) {}

    void fill(const SqlValue &value)
    {
        m_filled = true;
        m_isClob = value.type() != SqlType::Blob;
        m_data = value.bytes();
        m_ref = value.lobRef();
        m_nextPiece = 1;
    }
    bool filled() const noexcept { return m_filled; }
    bool isClob() const noexcept { return m_isClob; }
    std::string &data() noexcept { return m_data; }
    const LobRef &ref() const noexcept { return m_ref; }
    SqlValue value() const { return m_isClob ? SqlValue::clob(m_data, m_ref) : SqlValue::blob(m_data, m_ref); }
    // Where the next piece of a piecewise write goes.
    oraub8 &nextPiece() noexcept { return m_nextPiece; }

private:
    bool m_filled = false;
    bool m_isClob = true;
    std::string m_data;
    LobRef m_ref;
    oraub8 m_nextPiece = 1;
};

} // namespace oraclesim
