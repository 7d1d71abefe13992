#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace convert {

// The names of the primary keys, indexes and constraints a run makes. Oracle refuses a second object of a
// name (ORA-02264 for constraints, ORA-00955 for indexes), and the usual way of naming them (a prefix,
// the MySQL names, cut to 30 bytes) lets two meet: two long table names sharing their start, two keys
// whose names agree in their first 30 bytes, case twins. So each name is settled before the first
// statement, like the table names: the usual name when it is free, otherwise its first bytes but four
// and the next free counter 0000 ... 9999.
//
// A name is free for a table when no other object of this run has it and Oracle either has no object of
// that name or has it on the same table: a table the run replaces gives its names back before its new
// objects are made, and a table the run continues keeps the names an earlier run gave it, so the same
// object gets the same name from run to run.
class ObjectNamePlanner {
public:
    ObjectNamePlanner() = default;
    ObjectNamePlanner(ObjectNamePlanner &&other) noexcept;
    ObjectNamePlanner &operator=(ObjectNamePlanner &&other) noexcept;
    // owners: each constraint and index name Oracle has, with the table it belongs to; nameBytes: the
    // longest name Oracle takes (30, or 128 from Oracle 12.2 on).
    explicit ObjectNamePlanner(std::map<std::string, std::string> owners, std::size_t nameBytes = 30)
        : m_owners(std::move(owners)), m_nameBytes(nameBytes)
    {
    }

    // The name of object `id` ("primary", "index:KEY" ...) of Oracle table `table`. The first request
    // settles it from `usual`; later ones return the same name. Safe from the run's several workers.
    std::string nameFor(const std::string &table, const std::string &id, const std::string &usual);

private:
    bool isFree(const std::string &name, const std::string &table) const;

    std::mutex m_mutex; // workers ask at once; a name settled late must not meet one settled meanwhile
    std::map<std::string, std::string> m_owners;
    std::size_t m_nameBytes = 30;
    std::set<std::string> m_taken;
    std::map<std::pair<std::string, std::string>, std::string> m_settled;
};

} // namespace convert
