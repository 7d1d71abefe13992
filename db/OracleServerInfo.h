#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace db {

class Connection;

// What the Oracle server allows, read once when the connection opens.
struct OracleServerInfo {
    std::string banner; // the server's own description (OCIServerVersion), first line
    int major = 0;      // its release, 19 of 19.3; 0 when the banner does not tell
    int minor = 0;      // 3 of 19.3
    // The longest name, in bytes: 128 from 12.2 on with COMPATIBLE 12.2 or later, else 30. When the
    // server cannot tell, 30, which every Oracle takes.
    std::size_t maxIdentifierBytes = 30;
    // MAX_STRING_SIZE=EXTENDED (VARCHAR2 and RAW up to 32767 bytes); nothing when the user may not
    // read the instance's parameters.
    std::optional<bool> extendedStrings;
    // COMPATIBLE, where readable.
    std::string compatible;

    // The longest VARCHAR2 the server is known to take, in bytes.
    std::size_t maxVarchar2Bytes() const { return extendedStrings.value_or(false) ? 32767 : 4000; }
    // One line for a trace or a report: "Oracle 19.3, names up to 128 bytes, MAX_STRING_SIZE STANDARD".
    std::string summary() const;
};

// What the server of an open Oracle connection allows; nothing for any other connection.
// Threads: the connection's; the value it points to lives as long as the connection stays open.
const OracleServerInfo *oracleServerInfo(const Connection &connection);

// The release in a banner: "Version 19.3.0.0.0" where it has that line (18c on), else "Release 12.1.0.2.0".
bool parseOracleRelease(const std::string &banner, int &major, int &minor);

} // namespace db
