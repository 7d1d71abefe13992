#pragma once

#include "ColumnType.h"
#include "SqlValue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace oraclesim {

// One node of an expression or condition. Conditions are expressions that yield true, false or
// unknown (SQL's three-valued logic).
struct Expr {
    enum class Kind { Literal, Bind, Column, Call, CountStar, And, Or, Not, Compare, IsNull, IsNotNull, In, NotIn };
    Kind kind = Kind::Literal;
    SqlValue value;        // Literal
    int bind = 0;          // Bind: 0-based position among the statement's markers
    int column = -1;       // Column: index in the row source, once resolved
    std::string name;      // Column: the column; Call: the function (upper case); Compare: the operator
    std::string qualifier; // Column: "T" of T.C
    bool reservedName = false; // Column written as an unquoted reserved word
    std::vector<Expr> args;
    std::string label;     // the name Oracle gives this expression in a select list
};

// A table as written in a statement: [schema.]name.
struct TableName {
    std::string schema; // empty: the session's own
    std::string name;
};

struct ColumnDef {
    std::string name;
    ColumnType type;
    bool notNull = false;
    bool primaryKey = false; // an inline PRIMARY KEY
};

struct CreateTable {
    TableName table;
    std::vector<ColumnDef> columns;
    std::vector<std::string> primaryKey; // from an inline PRIMARY KEY
};

struct CreateIndex {
    std::string name;
    TableName table;
    std::vector<std::string> columns;
    bool unique = false;
};

struct DropTable {
    TableName table;
};

struct DropIndex {
    std::string name;
};

struct AddPrimaryKey {
    TableName table;
    std::string constraint; // empty: Oracle names it SYS_Cnnnnnn
    std::vector<std::string> columns;
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

using StatementBody = std::variant<CreateTable, CreateIndex, DropTable, DropIndex, AddPrimaryKey, Insert, Select,
                                   Delete, Update, AlterSession, Commit, Rollback>;

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
               std::holds_alternative<AddPrimaryKey>(body);
    }
};

} // namespace oraclesim
