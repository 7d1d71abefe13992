#pragma once

#include "HandleBase.h"

#include <memory>

namespace oraclesim {

class Session;

// OCI_HTYPE_SERVER, as OCI_ATTR_SERVER of a service context hands it out: what a client asks whether
// the connection still stands (OCI_ATTR_SERVER_STATUS), whatever error it has just met.
class ServerHandle : public HandleBase {
public:
    ServerHandle(EnvHandle *env, std::weak_ptr<Session> session)
        : HandleBase(oci::HTYPE_SERVER, env, true), m_session(std::move(session))
    {
    }
    ub4 status() const;
    std::shared_ptr<Session> session() const { return m_session.lock(); }

private:
    std::weak_ptr<Session> m_session;
};

} // namespace oraclesim
