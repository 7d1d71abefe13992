#pragma once

#include "Connection.h"

#include <memory>

namespace db {

// Threads: any; each call makes a connection of its own, for the thread that will use it.

// MySQL through MariaDB Connector/C. Profile: Database, User_Name, Password, HostName ("localhost" is
// the local socket); the [client] group of the standard option files is read, as every MySQL client does.
std::unique_ptr<Connection> createMySqlConnection();

// Oracle through the Oracle Call Interface loaded at run time. Profile: the twelve target lines.
std::unique_ptr<Connection> createOracleConnection();

} // namespace db
