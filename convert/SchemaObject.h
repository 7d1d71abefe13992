#pragma once

#include <string>

namespace convert {

// What one statement of a table's schema makes, so that a run continuing a table an earlier run began
// can tell what is there already and send only the rest.
enum class ObjectKind {
    PrimaryKey, // there when the table has a primary key, whatever its name
    Index,      // there when an index of its name belongs to the table
    NotNull,    // there when the column is NOT NULL
    Identity,   // the identity's next number: sent whenever the column is an identity column
    Check,      // there when a constraint of its name belongs to the table
    Comment,    // always sent: writing it again changes nothing
    ForeignKey, // there when a constraint of its name belongs to the table
};

} // namespace convert
