#pragma once

#include "ColumnType.h"
#include "SequenceOptions.h"
#include "SqlValue.h"
#include "TableMeta.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace oraclesim {

// One node of an expression or condition. Conditions are expressions that yield true, false or
// unknown (SQL's three-valued logic).
struct Expr {
    enum class Kind {
        Literal,
        Bind,
        Column,
        Call,
        CountStar,
        And,
        Or,
        Not,
        Compare,
        IsNull,
        IsNotNull,
        In,
        NotIn,
        Like,    // args: value, pattern [, escape]
        IsJson,  // args: value; name: "STRICT" or "LAX"; qualifier: "UNIQUE" WITH UNIQUE KEYS
        Default, // the DEFAULT keyword in VALUES or SET: the column's default
        NextVal, // sequence.NEXTVAL: qualifier is the sequence, owner its schema
        CurrVal
    };
    Kind kind = Kind::Literal;
    SqlValue value;        // Literal
    int bind = 0;          // Bind: 0-based position among the statement's markers
    int column = -1;       // Column: index in the row source, once resolved
    std::string name;      // Column: the column; Call: the function (upper case) or operator; Compare: the operator
    std::string qualifier; // Column: "T" of T.C
    std::string owner;     // NextVal, CurrVal: the sequence's schema when written
    bool reservedName = false; // Column written as an unquoted reserved word
    std::vector<Expr> args;
    std::string label;     // the name Oracle gives this expression in a select list
};

// A table as written in a statement: [schema.]name.
struct TableName {
    std::string schema; // empty: the session's own
    std::string name;
};

struct IdentityDef {
    bool always = false; // GENERATED ALWAYS; otherwise BY DEFAULT
    bool onNull = false; // BY DEFAULT ON NULL
    SequenceOptions options;
};

// A PRIMARY KEY, UNIQUE, FOREIGN KEY or CHECK constraint, written with a column or on its own.
struct ConstraintDef {
    enum class Kind { PrimaryKey, Unique, ForeignKey, Check };
    Kind kind = Kind::Check;
    std::string name; // empty: Oracle names it SYS_Cnnnnnnn
    std::vector<std::string> columns;
    TableName refTable;                  // FOREIGN KEY
    std::vector<std::string> refColumns; // empty: the referenced table's primary key
    DeleteRule onDelete = DeleteRule::NoAction;
    std::string conditionText; // CHECK, as written
    Expr condition;
    bool inlineCheck = false; // a CHECK written with a column, which may name that column only
};

struct ColumnDef {
    std::string name;
    ColumnType type;
    bool notNull = false;
    std::string notNullName; // CONSTRAINT name NOT NULL
    std::optional<Expr> defaultValue;
    std::string defaultText; // as written, which the dictionary shows
    std::optional<IdentityDef> identity;
};

struct CreateTable {
    TableName table;
    std::vector<ColumnDef> columns;
    std::vector<ConstraintDef> constraints; // inline and out of line, in the order written
};

struct CreateIndex {
    std::string name;
    TableName table;
    std::vector<std::string> columns;
    bool unique = false;
};

struct DropTable {
    TableName table;
    bool cascadeConstraints = false;
};

struct DropIndex {
    std::string name;
};

struct AddConstraint {
    TableName table;
    ConstraintDef constraint;
};

// One column of ALTER TABLE ... MODIFY.
struct ColumnChange {
    std::string column;
    std::optional<ColumnType> type; // repeated as it is; a different type is not supported
    std::optional<bool> notNull;    // NOT NULL or NULL
    std::string constraintName;     // CONSTRAINT name NOT NULL
    std::optional<IdentityDef> identity;
};

struct ModifyColumns {
    TableName table;
    std::vector<ColumnChange> changes;
};

struct CreateSequence {
    std::string schema;
    std::string name;
    SequenceOptions options;
};

struct DropSequence {
    std::string schema;
    std::string name;
};

struct Comment {
    TableName table;
    std::string column; // empty: the table's comment
    std::string text;   // empty: no comment
};

struct Insert {
    TableName table;
    std::vector<std::string> columns; // empty: all, in table order
    std::vector<Expr> values;
    std::vector<Expr> returning;
    std::vector<int> into; // bind positions receiving the returned values
};

struct SelectItem {
    Expr expr;
    bool star = false;
    std::string alias; // empty: the expression's label
};

struct OrderItem {
    Expr expr;
    bool descending = false;
};

struct Select {
    std::vector<SelectItem> items;
    TableName from;
    std::string alias;
    std::optional<Expr> where;
    std::vector<OrderItem> order;
};

struct Delete {
    TableName table;
    std::optional<Expr> where;
};

struct Update {
    TableName table;
    std::vector<std::pair<std::string, Expr>> assignments;
    std::optional<Expr> where;
};

struct AlterSession {
    std::vector<std::pair<std::string, std::string>> settings; // name (upper case), value
};

struct Commit {};
struct Rollback {};

using StatementBody =
    std::variant<CreateTable, CreateIndex, DropTable, DropIndex, AddConstraint, ModifyColumns, CreateSequence,
                 DropSequence, Comment, Insert, Select, Delete, Update, AlterSession, Commit, Rollback>;

struct SqlStatement {
    StatementBody body;
    int bindCount = 0;

    bool isQuery() const { return std::holds_alternative<Select>(body); }
    bool isDml() const
    {
        return std::holds_alternative<Insert>(body) || std::holds_alternative<Delete>(body) ||
               std::holds_alternative<Update>(body);
    }
    bool isDdl() const
    {
        return std::holds_alternative<CreateTable>(body) || std::holds_alternative<CreateIndex>(body) ||
               std::holds_alternative<DropTable>(body) || std::holds_alternative<DropIndex>(body) ||
               std::holds_alternative<AddConstraint>(body) || std::holds_alternative<ModifyColumns>(body) ||
               std::holds_alternative<CreateSequence>(body) || std::holds_alternative<DropSequence>(body) ||
               std::holds_alternative<Comment>(body);
    }
};

} // namespace oraclesim
