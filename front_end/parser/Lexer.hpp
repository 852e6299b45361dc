#pragma once
// Splits Korvex source text (byte-order mark already removed) into tokens.
// The text is UTF-16, or ASCII bytes (each byte one UTF-16 code unit of the
// same value, so that offsets are the same in both): Unit is the type of
// its code units, char16_t or char.
//
// The lexer tracks the open brackets itself, because two decisions depend on
// them: a quote is a transpose when it directly follows a value and a string
// otherwise (inside `[]` and cell `{}` a quote after white space starts a
// string), and a `{` after a value indexes it unless white space inside a
// matrix separates the two. Comments, block comments and `...`
// continuations never reach the parser. Statement forms that are read by
// characters rather than tokens (command-syntax words, shell escapes) have
// operations of their own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "front_end/parser/SyntaxError.hpp"
#include "front_end/parser/Token.hpp"

namespace lf::parser {

// One word of a command-syntax or import statement, quotes removed.
template <class Unit>
struct CommandWord {
    std::uint32_t begin;  // 0-based offset of its first character
    std::basic_string<Unit> text;
};

template <class Unit>
class BasicLexer {
  public:
    using Text = std::basic_string_view<Unit>;

    explicit BasicLexer(Text source) : source_(source) {}

    // Reads the next token into `token`.
    void next(Token& token);

    Text source() const { return source_; }
    Text text(Token const& token) const {
        return source_.substr(token.begin, token.end - token.begin);
    }
    // The character right after `token`, or U+0000 at the end of the source.
    Unit characterAfter(Token const& token) const {
        return token.end < source_.size() ? source_[token.end] : Unit{};
    }

    // Whether the identifier that ends at `offset`, standing at the start of a
    // statement, begins a command-syntax statement (see docs/parser.md).
    bool startsCommandSyntax(std::uint32_t offset) const;

    // Continues reading at `offset`, where the words of a command-syntax
    // statement begin; nothing is open there.
    void restartAt(std::uint32_t offset);

    // Reads again from `offset`, where the parser expects an operand, so that
    // a quote there opens a text; the open brackets stay as they are.
    void rescanOperandAt(std::uint32_t offset);

    // The next word of a command-syntax statement, or nothing at the end of
    // the statement, whose terminator `next` then returns.
    std::optional<CommandWord<Unit>> nextCommandWord();

    // The text from `offset` to the end of its line; reading continues at the
    // line break.
    Text takeRestOfLine(std::uint32_t offset);

    // After next() raised `error`, moves past the text at fault so that
    // reading can go on: a bad character, the rest of the line after an open
    // quote, the rest of the file after an open block comment (a bad number
    // is already read). Returns the offset where reading goes on.
    std::uint32_t skipErroneousText(SyntaxError const& error);

    // The brackets open after the last token read.
    std::size_t openBrackets() const { return brackets_.size(); }

  private:
    enum class Bracket : std::uint8_t { Paren, Matrix };

    bool atEnd() const { return cursor_ >= source_.size(); }
    Unit peekChar(std::uint32_t ahead = 0) const {
        return cursor_ + ahead < source_.size() ? source_[cursor_ + ahead] : Unit{};
    }
    bool inMatrix() const { return !brackets_.empty() && brackets_.back() == Bracket::Matrix; }
    bool previousEndsValue() const;

    // Skips white space, comments and continuations; true when anything was
    // skipped.
    bool skipSpace();
    bool atBlockCommentStart() const;
    void skipBlockComment();
    void skipToLineBreak();
    void skipLineBreak();

    // Reads the bracket group of a command word that opens at `p`, up to its
    // matching closer: white space, `,` and `;` belong to it, and a quote is a
    // transpose after a name, number, closing bracket, dot or quote and opens
    // a text otherwise. A `...` continuation counts as one space. Stops early
    // at a line break or an unclosed text. Appends the characters read to
    // `text` when given; returns the offset where reading stopped.
    std::size_t scanGroup(std::size_t p, std::basic_string<Unit>* text) const;

    TokenKind lexNumber();
    TokenKind lexQuoted(Unit quote, TokenKind kind);
    // Inlined into next(): most tokens are words.
    [[gnu::always_inline]] inline TokenKind lexWord();
    // Brackets and the operators that depend on what follows them (next()
    // reads the tokens of one character itself). `separated`: white space
    // inside a matrix comes before the operator.
    TokenKind lexOperator(bool separated);
    [[noreturn]] void invalidCharacter() const;

    Text source_;
    std::uint32_t cursor_ = 0;
    TokenKind previous_ = TokenKind::Newline;
    std::vector<Bracket> brackets_;
};

extern template class BasicLexer<char16_t>;
extern template class BasicLexer<char>;

// The lexer of UTF-16 text.
using Lexer = BasicLexer<char16_t>;

}  // namespace lf::parser
