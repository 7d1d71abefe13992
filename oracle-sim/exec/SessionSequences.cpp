#include "SessionSequences.h"

#include "OraError.h"
#include "SequenceStore.h"
#include "Session.h"

namespace oraclesim {

std::int64_t SessionSequences::nextValue(const std::string &owner, const std::string &name)
{
    if (owner != m_session.user())
        throw OraError::of(2289); // nothing is granted across schemas
    m_session.beginWrite();
    std::int64_t v = SequenceStore::next(m_session.db(), owner, name);
    m_session.markDirty();
    m_session.setCurrentValue(name, v);
    return v;
}

std::int64_t SessionSequences::currentValue(const std::string &owner, const std::string &name)
{
    if (owner != m_session.user() || !SequenceStore::find(m_session.db(), owner, name))
        throw OraError::of(2289);
    auto v = m_session.currentValue(name);
    if (!v)
        throw OraError::of(8002, name);
    return *v;
}

} // namespace oraclesim
