#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace oraclesim {

struct Token {
    enum class Kind { Word, Quoted, String, Number, Bind, Symbol, End };
    Kind kind = Kind::End;
    std::string text;   // Word: folded to upper case; Quoted/String: the content; Bind: the name after ':'
    bool reserved = false; // an unquoted Oracle reserved word
    std::size_t begin = 0, end = 0; // byte span in the statement

    bool is(std::string_view symbol) const { return kind == Kind::Symbol && text == symbol; }
    bool isWord(std::string_view word) const { return kind == Kind::Word && text == word; }
    bool isName() const { return kind == Kind::Word || kind == Kind::Quoted; }
};

// Splits a statement into tokens by Oracle's rules: unquoted names fold to upper case (ASCII only),
// quoted names keep their bytes, '' escapes a quote inside a string, comments are skipped. Names
// longer than the identifier limit, empty quoted names and characters SQL does not use are
// rejected with Oracle's errors.
class Lexer {
public:
    static std::vector<Token> tokenize(std::string_view sql, std::size_t maxIdentifier);
    static bool isReservedWord(std::string_view upperWord);
};

} // namespace oraclesim
