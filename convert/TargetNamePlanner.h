#pragma once

#include <functional>
#include <set>
#include <string>

namespace convert {

// The Oracle names of one run's tables, given in selection order before the run sends its first
// statement, so two tables of a run never share a name and a run never drops a table it made itself.
// A working name W of at most 30 bytes that no earlier table of the run took is the name itself; an
// Oracle table of that name is then treated by the existing-table policy. Any other W (longer than 30
// bytes, or already taken in this run: "Mixed" after "MIXED" with uppercase names, or a name equal to
// an earlier long name's cut) gets the next free counter: its first 26 bytes and 0000, 0001 ... 0100,
// where free means neither taken in this run nor a table Oracle already has. When all 101 are taken,
// the last one is used and the policy applies to it, as for a long name.
class TargetNamePlanner {
public:
    // existsInOracle: whether Oracle holds a table of exactly that name (the run's existence query).
    explicit TargetNamePlanner(std::function<bool(const std::string &)> existsInOracle);

    std::string nameFor(const std::string &working);

private:
    std::function<bool(const std::string &)> m_existsInOracle;
    std::set<std::string> m_taken;
};

} // namespace convert
