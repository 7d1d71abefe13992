#include "Profiles.h"

namespace db {

std::vector<std::string> mysqlSourceProfile(const std::string &database, const std::string &user,
                                            const std::string &password, const std::string &host)
{
    return {"Database=" + database, "User_Name=" + user, "Password=" + password,
            "HostName=" + (host.empty() ? std::string("localhost") : host)};
}

std::vector<std::string> oracleTargetProfile(const std::string &service, const std::string &user,
                                             const std::string &password)
{
    return {"Database=" + service,
            "User_Name=" + user,
            "Password=" + password,
            "DriverName=Oracle",
            "RowsetSize=20",
            "BlobSize=-1",
            "LocaleCode=0000",
            "ErrorResourceFile=",
            "Oracle TransIsolation=ReadCommited",
            "OS Authentication=False",
            "Multiple Transaction=False",
            "Trim Char=False"};
}

} // namespace db
