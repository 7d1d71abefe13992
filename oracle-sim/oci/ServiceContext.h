#pragma once

#include "HandleBase.h"
#include "ServerHandle.h"
#include "Session.h"

#include <memory>

namespace oraclesim {

// OCI_HTYPE_SVCCTX: what OCILogon2 hands out; it stands for server, session and service context.
class ServiceContext : public HandleBase {
public:
    ServiceContext(EnvHandle *env, std::shared_ptr<Session> session)
        : HandleBase(oci::HTYPE_SVCCTX, env, false), m_session(std::move(session))
    {
    }
    ~ServiceContext() override
    {
        retire();
        if (m_server)
            m_server->retire();
        if (m_session)
            m_session->disconnect();
    }

    // The server handle OCILogon2 made along with the session, handed out by OCI_ATTR_SERVER.
    ServerHandle *server()
    {
        if (!m_server)
            m_server = std::make_unique<ServerHandle>(env(), m_session);
        return m_server.get();
    }

    // ORA-03114 when no session is attached or it is gone.
    Session &session() const
    {
        if (!m_session)
            throw OraError::of(3114);
        m_session->checkConnected();
        return *m_session;
    }
    const std::shared_ptr<Session> &sharedSession() const noexcept { return m_session; }

private:
    std::shared_ptr<Session> m_session;
    std::unique_ptr<ServerHandle> m_server;
};

} // namespace oraclesim
