// oracle-sim-admin: creates services and users of the Oracle stand-in.

#include "ServiceStore.h"

#include <cstring>
#include <exception>
#include <iostream>
#include <string>

namespace {

void usage(std::ostream &out)
{
    out << "Usage: oracle-sim-admin create-user SERVICE USER PASSWORD\n"
           "\n"
           "Creates the user (a schema) in the stand-in's net service SERVICE, which is the file\n"
           "$ORACLE_SIM_HOME/SERVICE.db, created when missing. The user name is stored in upper case,\n"
           "the password exactly as given; an existing user gets the new password.\n";
}

std::string upper(std::string s)
{
    for (auto &c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        usage(std::cout);
        return 0;
    }
    if (argc != 5 || std::strcmp(argv[1], "create-user") != 0) {
        usage(std::cerr);
        return 2;
    }
    const std::string service = argv[2], user = upper(argv[3]), password = argv[4];
    if (user.empty()) {
        std::cerr << "oracle-sim-admin: the user name is empty\n";
        return 1;
    }
    try {
        sqlite3 *db = oraclesim::ServiceStore::open(oraclesim::ServiceStore::pathFor(service), 10000);
        try {
            oraclesim::ServiceStore::setUser(db, user, password);
        } catch (...) {
            sqlite3_close(db);
            throw;
        }
        sqlite3_close(db);
    } catch (const std::exception &e) {
        std::cerr << "oracle-sim-admin: cannot create user " << user << " in service " << service << ": " << e.what()
                  << "\n";
        return 1;
    }
    return 0;
}
