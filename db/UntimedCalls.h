#pragma once

#include "Connection.h"

namespace db {

// While one lives, the calls made on its connection may take as long as the data needs: the call
// timeout is lifted for them. For the work whose time grows with the table: a count(*), a full-table
// measurement, a verification read, DDL that validates or builds over every row. Scopes nest; the
// timeout is back when the last one goes.
//
// Oracle lifts the timeout of its session for the scope. A MySQL connection cannot change its read
// timeout once open, so the calls of the scope go to a second session of the same profile, opened
// without one when first needed: they see what is committed, and none of the settings made on the
// connection's own session. Data sets made inside the scope stay on that session for their life.
//
// Threads: the connection's; a scope is opened and closed on the thread that makes the calls.
class UntimedCalls {
public:
    explicit UntimedCalls(Connection &connection) : m_connection(connection)
    {
        if (m_connection.m_untimedScopes++ == 0)
            m_connection.untimedChanged();
    }
    ~UntimedCalls()
    {
        if (--m_connection.m_untimedScopes == 0) {
            try {
                m_connection.untimedChanged();
            } catch (...) {
                // The limit comes back at the next open at the latest.
            }
        }
    }
    UntimedCalls(const UntimedCalls &) = delete;
    UntimedCalls &operator=(const UntimedCalls &) = delete;

private:
    Connection &m_connection;
};

} // namespace db
