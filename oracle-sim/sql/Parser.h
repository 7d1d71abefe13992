#pragma once

#include "Lexer.h"
#include "SqlStatement.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace oraclesim {

// Reads the SQL the stand-in understands into a statement, raising the error Oracle raises for
// what it cannot read (ORA-00900 for an unknown command, ORA-00933 for trailing text, ...).
class Parser {
public:
    static SqlStatement parse(std::string_view sql, std::size_t maxIdentifier);
    // OCI_ATTR_STMT_TYPE, known from the first word without a full parse, as OCI knows it after prepare.
    static std::uint16_t statementType(std::string_view sql);
    static bool isCondition(const Expr &e);
    // A DEFAULT expression and a CHECK condition as the dictionary keeps their text.
    static Expr parseExpression(std::string_view text);
    static Expr parseCondition(std::string_view text);

private:
    enum class NameUse { Table, Column, Index, Constraint };

    Parser(std::string_view sql, std::vector<Token> tokens) : m_sql(sql), m_tokens(std::move(tokens)) {}

    SqlStatement statement();
    StatementBody create();
    CreateTable createTable();
    StatementBody drop();
    StatementBody alter();
    StatementBody comment();
    ColumnChange columnChange();
    Insert insert();
    Select select();
    Delete deleteFrom();
    Update update();

    ColumnDef columnDef(std::vector<ConstraintDef> &constraints);
    bool startsConstraint() const;
    ConstraintDef constraintDef();
    void references(ConstraintDef &c);
    void checkCondition(ConstraintDef &c);
    IdentityDef identityClause();
    SequenceOptions sequenceOptions(bool identity);
    std::int64_t signedInteger();
    ColumnType columnType();
    std::vector<std::string> columnList(bool allowOrder);
    TableName tableName();
    std::string name(NameUse use);

    Expr valueOrDefault();
    // A condition that stands by itself (WHERE, CHECK): a bare value is ORA-00920.
    Expr wholeCondition();
    Expr condition();
    Expr andCondition();
    Expr notCondition();
    Expr predicate();
    // Values: || + - (one level, as Oracle has them), then * /, then a sign.
    Expr concat();
    Expr term();
    Expr factor();
    Expr primary();
    Expr call(const Token &fn, std::size_t begin);
    std::string label(std::size_t begin, std::size_t end) const;
    // The statement's text from byte `begin` to the end of the last token read.
    std::string text(std::size_t begin) const;

    const Token &peek(std::size_t ahead = 0) const;
    Token next();
    bool acceptWord(std::string_view word);
    bool acceptSymbol(std::string_view symbol);
    void expectWord(std::string_view word, int error);
    void expectSymbol(std::string_view symbol, int error);

    std::string_view m_sql;
    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    int m_binds = 0;
    int m_depth = 0; // parentheses and function calls open at the moment
    bool m_valueInParentheses = false;
};

} // namespace oraclesim
