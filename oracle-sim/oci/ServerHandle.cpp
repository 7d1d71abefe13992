#include "ServerHandle.h"

#include "Session.h"

namespace oraclesim {

ub4 ServerHandle::status() const
{
    auto session = m_session.lock();
    return session && session->connected() ? oci::SERVER_NORMAL : oci::SERVER_NOT_CONNECTED;
}

} // namespace oraclesim
