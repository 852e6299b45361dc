#pragma once
// The tokens the lexer hands to the parser.

#include <cstddef>
#include <cstdint>

namespace lf::parser {

// KORVEX_TOKEN(Name, spelling used in messages). `Invalid` is never made by
// the lexer: the recovering parser puts it in place of text the lexer
// refused, so that no rule accepts it.
#define KORVEX_TOKENS(X)            \
    X(EndOfInput, "end of file")    \
    X(Newline, "end of line")       \
    X(Comma, "','")                 \
    X(Semicolon, "';'")             \
    X(Identifier, "identifier")     \
    X(Number, "number")             \
    X(ImaginaryNumber, "number")    \
    X(CharArray, "character array") \
    X(String, "string")             \
    X(LeftParen, "'('")             \
    X(RightParen, "')'")            \
    X(LeftBracket, "'['")           \
    X(RightBracket, "']'")          \
    X(LeftBrace, "'{'")             \
    X(RightBrace, "'}'")            \
    X(Dot, "'.'")                   \
    X(Plus, "'+'")                  \
    X(Minus, "'-'")                 \
    X(Star, "'*'")                  \
    X(Slash, "'/'")                 \
    X(Backslash, "'\\'")            \
    X(Caret, "'^'")                 \
    X(DotStar, "'.*'")              \
    X(DotSlash, "'./'")             \
    X(DotBackslash, "'.\\'")        \
    X(DotCaret, "'.^'")             \
    X(Transpose, "'''")             \
    X(DotTranspose, "'.''")         \
    X(EqualEqual, "'=='")           \
    X(NotEqual, "'~='")             \
    X(Less, "'<'")                  \
    X(LessEqual, "'<='")            \
    X(Greater, "'>'")               \
    X(GreaterEqual, "'>='")         \
    X(Amp, "'&'")                   \
    X(Pipe, "'|'")                  \
    X(AmpAmp, "'&&'")               \
    X(PipePipe, "'||'")             \
    X(Tilde, "'~'")                 \
    X(Bang, "'!'")                  \
    X(Assign, "'='")                \
    X(Colon, "':'")                 \
    X(At, "'@'")                    \
    X(Question, "'?'")              \
    X(Invalid, "invalid text")      \
    X(KwBreak, "'break'")           \
    X(KwCase, "'case'")             \
    X(KwCatch, "'catch'")           \
    X(KwClassdef, "'classdef'")     \
    X(KwContinue, "'continue'")     \
    X(KwElse, "'else'")             \
    X(KwElseif, "'elseif'")         \
    X(KwEnd, "'end'")               \
    X(KwFor, "'for'")               \
    X(KwFunction, "'function'")     \
    X(KwGlobal, "'global'")         \
    X(KwIf, "'if'")                 \
    X(KwOtherwise, "'otherwise'")   \
    X(KwParfor, "'parfor'")         \
    X(KwPersistent, "'persistent'") \
    X(KwReturn, "'return'")         \
    X(KwSpmd, "'spmd'")             \
    X(KwSwitch, "'switch'")         \
    X(KwTry, "'try'")               \
    X(KwWhile, "'while'")

enum class TokenKind : std::uint8_t {
#define KORVEX_TOKEN_ENUM(name, spelling) name,
    KORVEX_TOKENS(KORVEX_TOKEN_ENUM)
#undef KORVEX_TOKEN_ENUM
};

// How many kinds of token there are.
inline constexpr std::size_t kTokenKindCount = 0
#define KORVEX_TOKEN_COUNT(name, spelling) +1
    KORVEX_TOKENS(KORVEX_TOKEN_COUNT)
#undef KORVEX_TOKEN_COUNT
    ;

// "'('", "identifier", "end of line": how messages name a kind of token.
char const* tokenSpelling(TokenKind kind);

inline bool isKeyword(TokenKind kind) {
    return kind >= TokenKind::KwBreak;
}

struct Token {
    TokenKind kind = TokenKind::EndOfInput;
    // 0-based UTF-16 offsets of the first character and one past the last.
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    // White space (or a continuation) separates the token from the previous one.
    bool spaceBefore = false;
    // White space follows the token directly. Only known for a token that
    // white space separates from the previous one inside a matrix, the one
    // case where the parser asks (`[1 - 2]` against `[1 -2]`); false otherwise.
    bool spaceAfter = false;
    // The innermost open bracket is a matrix `[` or a cell array `{`, where
    // white space separates elements.
    bool inMatrix = false;

    // The node position of the token: 1-based.
    std::uint32_t position() const { return begin + 1; }
};

}  // namespace lf::parser
