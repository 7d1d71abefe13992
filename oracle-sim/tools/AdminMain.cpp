// oracle-sim-admin: creates services and users of the Oracle stand-in.

#include "Privileges.h"
#include "ServiceStore.h"

#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string>

namespace {

void usage(std::ostream &out)
{
    out << "Usage: oracle-sim-admin create-user SERVICE USER PASSWORD [--privileges LIST] [--quota BYTES|UNLIMITED]\n"
           "\n"
           "Creates the user (a schema) in the stand-in's net service SERVICE, which is the file\n"
           "$ORACLE_SIM_HOME/SERVICE.db, created when missing. The user name is stored in upper case,\n"
           "the password exactly as given; an existing user gets the new password and the privileges\n"
           "and quota of this command.\n"
           "\n"
           "  --privileges LIST  the system privileges and roles the user holds, separated by commas,\n"
           "                     for example \"CREATE SESSION,CREATE TABLE\" or \"CONNECT,RESOURCE\".\n"
           "                     Without it the user holds every privilege the stand-in knows,\n"
           "                     UNLIMITED TABLESPACE included.\n"
           "  --quota BYTES|UNLIMITED  the user's quota on the USERS tablespace (none without it); a\n"
           "                     user without one, and without UNLIMITED TABLESPACE, can store no rows.\n";
}

std::string upper(std::string s)
{
    for (auto &c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

struct Arguments {
    std::string service, user, password;
    std::optional<oraclesim::Privileges> privileges;
    std::optional<std::int64_t> quota;
};

// Returns what is wrong with the arguments, or empty.
std::string parse(int argc, char **argv, Arguments &out)
{
    if (argc < 5 || std::strcmp(argv[1], "create-user") != 0)
        return "usage";
    out.service = argv[2];
    out.user = upper(argv[3]);
    out.password = argv[4];
    for (int i = 5; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc || (option != "--privileges" && option != "--quota"))
            return "usage";
        const std::string value = argv[++i];
        if (option == "--privileges") {
            std::string error;
            out.privileges = oraclesim::Privileges::parse(value, &error);
            if (!out.privileges)
                return error;
        } else if (upper(value) == "UNLIMITED") {
            out.quota = -1;
        } else if (!value.empty() && value.find_first_not_of("0123456789") == std::string::npos && value.size() < 19) {
            out.quota = std::stoll(value);
        } else {
            return "--quota takes a number of bytes or UNLIMITED";
        }
    }
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        usage(std::cout);
        return 0;
    }
    Arguments a;
    if (const std::string error = parse(argc, argv, a); !error.empty()) {
        if (error != "usage")
            std::cerr << "oracle-sim-admin: " << error << "\n";
        usage(std::cerr);
        return 2;
    }
    if (a.user.empty()) {
        std::cerr << "oracle-sim-admin: the user name is empty\n";
        return 1;
    }
    try {
        sqlite3 *db = oraclesim::ServiceStore::open(oraclesim::ServiceStore::pathFor(a.service), 10000);
        try {
            oraclesim::ServiceStore::setUser(db, a.user, a.password, a.privileges, a.quota);
        } catch (...) {
            sqlite3_close(db);
            throw;
        }
        sqlite3_close(db);
    } catch (const std::exception &e) {
        std::cerr << "oracle-sim-admin: cannot create user " << a.user << " in service " << a.service << ": "
                  << e.what() << "\n";
        return 1;
    }
    return 0;
}
