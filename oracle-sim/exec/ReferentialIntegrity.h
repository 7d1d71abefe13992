#pragma once

#include "RowSource.h"
#include "TableMeta.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace oraclesim {

class Session;

// Foreign keys as one statement meets them. Oracle checks a statement's rows once it has written
// them all, so a DELETE that removes parents together with their children, or an UPDATE that moves
// both, passes: the checks of UPDATE and DELETE wait for finish(). ON DELETE CASCADE and SET NULL
// act at once, each row they touch acting on its own children in turn. A foreign key with a NULL in
// any column refers to nothing.
class ReferentialIntegrity {
public:
    explicit ReferentialIntegrity(Session &session) : m_session(session) {}

    // INSERT: ORA-02291 at once when a parent is missing; a row may be its own parent.
    static void checkParents(Session &session, const TableMeta &table, const Row &row);

    // UPDATE: the row's foreign key columns changed.
    void childChanged(const TableMeta &table, std::int64_t rowId);
    // UPDATE: the row's referenced key changed; children of the old key are refused at finish().
    void keyChanged(const TableMeta &table, const Row &before, const Row &after);
    // DELETE: the row is gone; its children are deleted, set to NULL or refused as their keys say.
    void rowRemoved(const TableMeta &table, const Row &before);
    // ORA-02292 for children left without their parent key, ORA-02291 for changed rows without parents.
    void finish();

private:
    struct PendingKey {
        const TableMeta *parent;
        const ReferenceMeta *reference;
        Row key;
    };
    void removeChildren(const TableMeta &parent, const Row &before);

    Session &m_session;
    std::vector<PendingKey> m_keys;
    std::vector<std::pair<const TableMeta *, std::int64_t>> m_children;
    std::deque<std::pair<const TableMeta *, Row>> m_removed;
    bool m_removing = false;
};

} // namespace oraclesim
