#include "front_end/parser/Lexer.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "foundation/text/Utf.hpp"
#include "front_end/langutil/NameCharacters.hpp"
#include "front_end/parser/SourceText.hpp"
#include "front_end/parser/SyntaxError.hpp"

namespace lf::parser {

namespace {

// What the token loop asks of a character, looked up in one table.
enum CharacterTraits : std::uint8_t {
    kNameTrait = 1,   // may continue a name
    kSpaceTrait = 2,  // white space within a line
    kSkipTrait = 4,   // may start what skipSpace skips: white space, a comment, `...`
    kDigitTrait = 8,
    kLetterTrait = 16,
};

// By code unit up to 0xFF, so that a byte needs no bounds check; the units
// from 0x80 on have no trait.
constexpr std::array<std::uint8_t, 256> kTraits = [] {
    std::array<std::uint8_t, 256> traits{};
    for (char16_t c = 0; c < 128; ++c) {
        if (lf::util::isNameCharacter(c)) {
            traits[c] |= kNameTrait;
        }
        if (lf::util::isAsciiDigit(c)) {
            traits[c] |= kDigitTrait;
        }
        if (lf::util::isAsciiLetter(c)) {
            traits[c] |= kLetterTrait;
        }
    }
    for (char16_t c : std::u16string_view(u" \t\f\v")) {
        traits[c] |= kSpaceTrait | kSkipTrait;
    }
    traits[u'%'] = traits[u'.'] = kSkipTrait;
    return traits;
}();

template <class Unit>
bool hasTrait(Unit c, CharacterTraits trait) {
    if constexpr (sizeof(Unit) == 1) {
        return (kTraits[static_cast<unsigned char>(c)] & trait) != 0;
    } else {
        return c < kTraits.size() && (kTraits[c] & trait) != 0;
    }
}
template <class Unit>
bool isNameCharacter(Unit c) {
    return hasTrait(c, kNameTrait);
}
template <class Unit>
bool isSpace(Unit c) {
    return hasTrait(c, kSpaceTrait);
}
bool isLineBreak(char16_t c) {
    return c == u'\n' || c == u'\r';
}

// Whether `text` starts with the units of the ASCII text `prefix`.
template <class Unit>
bool startsWith(std::basic_string_view<Unit> text, std::string_view prefix) {
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin());
}

// The offset of the first line break at or after `p`, or the size of
// `source`. Comments are skipped with it, a 64-bit word of code units at a
// time.
template <class Unit>
std::size_t findLineBreak(std::basic_string_view<Unit> source, std::size_t p) {
    constexpr std::size_t kUnitsPerWord = sizeof(std::uint64_t) / sizeof(Unit);
    // A one in the lowest bit of every unit, and in the highest.
    constexpr std::uint64_t kOnes =
        ~std::uint64_t{0} / ((std::uint64_t{1} << 8 * sizeof(Unit)) - 1);
    constexpr std::uint64_t kHighs = kOnes << (8 * sizeof(Unit) - 1);
    // Whether any of the units of `units` is zero.
    auto hasZeroUnit = [](std::uint64_t units) { return ((units - kOnes) & ~units & kHighs) != 0; };
    for (; p + kUnitsPerWord <= source.size(); p += kUnitsPerWord) {
        std::uint64_t units;
        std::memcpy(&units, source.data() + p, sizeof units);
        if (hasZeroUnit(units ^ (kOnes * u'\n')) || hasZeroUnit(units ^ (kOnes * u'\r'))) {
            break;
        }
    }
    while (p < source.size() && !isLineBreak(source[p])) {
        ++p;
    }
    return p;
}

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c < 0xDC00;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c < 0xE000;
}

template <class Unit>
bool isHexDigit(Unit c) {
    return hasTrait(c, kDigitTrait) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

constexpr std::pair<std::string_view, TokenKind> kKeywords[] = {
    {"break", TokenKind::KwBreak},
    {"case", TokenKind::KwCase},
    {"catch", TokenKind::KwCatch},
    {"classdef", TokenKind::KwClassdef},
    {"continue", TokenKind::KwContinue},
    {"else", TokenKind::KwElse},
    {"elseif", TokenKind::KwElseif},
    {"end", TokenKind::KwEnd},
    {"for", TokenKind::KwFor},
    {"function", TokenKind::KwFunction},
    {"global", TokenKind::KwGlobal},
    {"if", TokenKind::KwIf},
    {"otherwise", TokenKind::KwOtherwise},
    {"parfor", TokenKind::KwParfor},
    {"persistent", TokenKind::KwPersistent},
    {"return", TokenKind::KwReturn},
    {"spmd", TokenKind::KwSpmd},
    {"switch", TokenKind::KwSwitch},
    {"try", TokenKind::KwTry},
    {"while", TokenKind::KwWhile},
};

// Keywords by a hash of their first and last letters and their length, which
// gives each of them a slot of its own: a word is a keyword only when its
// slot holds it, so telling a name from a keyword costs one comparison.
constexpr std::size_t kKeywordSlots = 64;

template <class Unit>
constexpr std::size_t keywordSlot(std::basic_string_view<Unit> word) {
    return (word.front() + word.back() + 8 * word.size()) % kKeywordSlots;
}

struct KeywordSlot {
    std::string_view spelling;
    TokenKind kind = TokenKind::Identifier;
};

constexpr std::array<KeywordSlot, kKeywordSlots> kKeywordTable = [] {
    std::array<KeywordSlot, kKeywordSlots> table{};
    for (auto const& [spelling, kind] : kKeywords) {
        if (!table[keywordSlot(spelling)].spelling.empty()) {
            throw "two keywords share a slot";
        }
        table[keywordSlot(spelling)] = {spelling, kind};
    }
    return table;
}();

// The tokens of one character whatever follows it and whatever is open,
// by code unit; Invalid for the others.
constexpr auto kSingleCharacterTokens = [] {
    std::array<TokenKind, 128> tokens{};
    tokens.fill(TokenKind::Invalid);
    tokens[','] = TokenKind::Comma;
    tokens[';'] = TokenKind::Semicolon;
    tokens['+'] = TokenKind::Plus;
    tokens['-'] = TokenKind::Minus;
    tokens['*'] = TokenKind::Star;
    tokens['/'] = TokenKind::Slash;
    tokens['\\'] = TokenKind::Backslash;
    tokens['^'] = TokenKind::Caret;
    tokens[':'] = TokenKind::Colon;
    tokens['@'] = TokenKind::At;
    tokens['?'] = TokenKind::Question;
    return tokens;
}();

template <class Unit>
TokenKind singleCharacterToken(Unit c) {
    auto const unit = static_cast<std::make_unsigned_t<Unit>>(c);
    return unit < kSingleCharacterTokens.size() ? kSingleCharacterTokens[unit] : TokenKind::Invalid;
}

// The binary operators that decide command syntax, longest first.
constexpr std::string_view kBinaryOperators[] = {
    "&&", "||", "==", "~=", "!=", "<=", ">=", ".*", "./", ".\\", ".^",
    "+",  "-",  "*",  "/",  "\\", "^",  "<",  ">",  "&",  "|",   ":",
};

// The trimmed text of the line starting at `start` equals `marker`.
template <class Unit>
bool lineIs(std::basic_string_view<Unit> source, std::size_t start, std::string_view marker) {
    std::size_t p = start;
    while (p < source.size() && isSpace(source[p])) {
        ++p;
    }
    if (!startsWith(source.substr(p), marker)) {
        return false;
    }
    p += marker.size();
    while (p < source.size() && isSpace(source[p])) {
        ++p;
    }
    return p >= source.size() || isLineBreak(source[p]);
}

// The offset past the quote that closes the text opened by the quote at
// `p`, where a doubled quote stands for one; npos when the text is not
// closed on its line.
template <class Unit>
std::size_t quotedEnd(std::basic_string_view<Unit> source, std::size_t p) {
    Unit const quote = source[p];
    for (++p; p < source.size() && !isLineBreak(source[p]); ++p) {
        if (source[p] == quote) {
            if (p + 1 >= source.size() || source[p + 1] != quote) {
                return p + 1;
            }
            ++p;
        }
    }
    return std::string_view::npos;
}

bool isOpener(char16_t c) {
    return c == u'(' || c == u'[' || c == u'{';
}
bool isCloser(char16_t c) {
    return c == u')' || c == u']' || c == u'}';
}
// A quote after this character is a transpose.
bool endsOperand(char16_t c) {
    return isNameCharacter(c) || isCloser(c) || c == u'\'' || c == u'"' || c == u'.';
}

template <class Unit>
std::size_t nextLineStart(std::basic_string_view<Unit> source, std::size_t p) {
    p = findLineBreak(source, p);
    if (p < source.size() && source[p] == u'\r' && p + 1 < source.size() &&
        source[p + 1] == u'\n') {
        return p + 2;
    }
    return p < source.size() ? p + 1 : p;
}

}  // namespace

char const* tokenSpelling(TokenKind kind) {
    switch (kind) {
#define KORVEX_TOKEN_SPELLING(name, spelling) \
    case TokenKind::name:                     \
        return spelling;
        KORVEX_TOKENS(KORVEX_TOKEN_SPELLING)
#undef KORVEX_TOKEN_SPELLING
    }
    return "token";
}

template <class Unit>
bool BasicLexer<Unit>::previousEndsValue() const {
    switch (previous_) {
        case TokenKind::Identifier:
        case TokenKind::Number:
        case TokenKind::ImaginaryNumber:
        case TokenKind::CharArray:
        case TokenKind::String:
        case TokenKind::RightParen:
        case TokenKind::RightBracket:
        case TokenKind::RightBrace:
        case TokenKind::Transpose:
        case TokenKind::DotTranspose:
            return true;
        case TokenKind::KwEnd:
            return !brackets_.empty();  // `end` inside an index
        default:
            return false;
    }
}

template <class Unit>
void BasicLexer<Unit>::skipToLineBreak() {
    cursor_ = static_cast<std::uint32_t>(findLineBreak(source_, cursor_));
}

template <class Unit>
void BasicLexer<Unit>::skipLineBreak() {
    cursor_ = static_cast<std::uint32_t>(nextLineStart(source_, cursor_));
}

template <class Unit>
bool BasicLexer<Unit>::atBlockCommentStart() const {
    std::size_t lineStart = cursor_;
    while (lineStart > 0 && isSpace(source_[lineStart - 1])) {
        --lineStart;
    }
    return (lineStart == 0 || isLineBreak(source_[lineStart - 1])) &&
           lineIs(source_, lineStart, "%{");
}

template <class Unit>
void BasicLexer<Unit>::skipBlockComment() {
    std::uint32_t const start = cursor_;
    std::size_t line = cursor_;
    int depth = 0;
    while (line < source_.size()) {
        if (lineIs(source_, line, "%{")) {
            ++depth;
        } else if (lineIs(source_, line, "%}") && --depth == 0) {
            cursor_ = static_cast<std::uint32_t>(line);
            skipToLineBreak();
            return;
        }
        line = nextLineStart(source_, line);
    }
    throw SyntaxError(errors::kUnterminatedBlockComment, start + 1,
                      "block comment '%{' is not closed: expected a line holding only '%}' "
                      "before the end of the file");
}

template <class Unit>
bool BasicLexer<Unit>::skipSpace() {
    std::uint32_t const start = cursor_;
    while (!atEnd()) {
        Unit const c = source_[cursor_];
        if (isSpace(c)) {
            ++cursor_;
        } else if (c == u'%') {
            if (peekChar(1) == u'{' && atBlockCommentStart()) {
                skipBlockComment();
            } else {
                skipToLineBreak();
            }
        } else if (c == u'.' && peekChar(1) == u'.' && peekChar(2) == u'.') {
            skipToLineBreak();
            skipLineBreak();
        } else {
            break;
        }
    }
    return cursor_ != start;
}

template <class Unit>
void BasicLexer<Unit>::invalidCharacter() const {
    char16_t const c = source_[cursor_];
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    std::string shown = c >= 0x21 && c < 0x7F ? "'" + std::string(1, static_cast<char>(c)) + "'"
                        : c >= 0xA0 && (c < 0xD800 || c > 0xDFFF)
                            ? "'" + toUtf8(source_.substr(cursor_, 1)) + "' (" + code + ")"
                            : std::string(code);
    throw SyntaxError(errors::kInvalidCharacter, cursor_ + 1,
                      "invalid character " + shown + " outside a string or comment");
}

template <class Unit>
TokenKind BasicLexer<Unit>::lexNumber() {
    std::uint32_t const start = cursor_;
    auto invalid = [&] {
        while (!atEnd() && (isNameCharacter(source_[cursor_]) || source_[cursor_] == u'.')) {
            ++cursor_;
        }
        throw SyntaxError(
            errors::kInvalidNumber, start + 1,
            "invalid number '" + toUtf8(source_.substr(start, cursor_ - start)) + "'");
    };
    char16_t const radix = peekChar(1) | 0x20;
    if (peekChar() == u'0' && (radix == u'x' || radix == u'b')) {
        cursor_ += 2;
        auto isRadixDigit = [radix](char16_t c) {
            return radix == u'x' ? isHexDigit(c) : c == u'0' || c == u'1';
        };
        if (!isRadixDigit(peekChar())) {
            invalid();
        }
        while (isRadixDigit(peekChar())) {
            ++cursor_;
        }
    } else {
        while (hasTrait(peekChar(), kDigitTrait)) {
            ++cursor_;
        }
        // `1./x` and `1.'` keep the dot for the operator after the number.
        char16_t const afterDot = peekChar(1);
        if (peekChar() == u'.' && afterDot != u'*' && afterDot != u'/' && afterDot != u'\\' &&
            afterDot != u'^' && afterDot != u'\'' && afterDot != u'.') {
            ++cursor_;
            while (hasTrait(peekChar(), kDigitTrait)) {
                ++cursor_;
            }
        }
        if ((peekChar() | 0x20) == u'e') {
            std::uint32_t exponent = 1;
            if (peekChar(1) == u'+' || peekChar(1) == u'-') {
                exponent = 2;
            }
            if (!hasTrait(peekChar(exponent), kDigitTrait)) {
                cursor_ += exponent;
                invalid();
            }
            cursor_ += exponent;
            while (hasTrait(peekChar(), kDigitTrait)) {
                ++cursor_;
            }
        }
    }
    TokenKind kind = TokenKind::Number;
    char16_t const suffix = peekChar() | 0x20;
    if ((suffix == u'i' || suffix == u'j') && !isNameCharacter(peekChar(1))) {
        ++cursor_;
        kind = TokenKind::ImaginaryNumber;
    }
    if (isNameCharacter(peekChar()) || (peekChar() == u'.' && hasTrait(peekChar(1), kDigitTrait))) {
        invalid();
    }
    return kind;
}

template <class Unit>
TokenKind BasicLexer<Unit>::lexQuoted(Unit quote, TokenKind kind) {
    std::uint32_t const start = cursor_;
    std::size_t const end = quotedEnd(source_, cursor_);
    if (end == Text::npos) {
        skipToLineBreak();
        std::string const what = kind == TokenKind::String ? "string" : "character array";
        std::string const mark = quote == u'"' ? "\"" : "'";
        throw SyntaxError(errors::kUnterminatedString, start + 1,
                          "unterminated " + what + ": expected " + mark + " before the end " +
                              (atEnd() ? "of the file" : "of the line"));
    }
    cursor_ = static_cast<std::uint32_t>(end);
    return kind;
}

template <class Unit>
TokenKind BasicLexer<Unit>::lexWord() {
    std::uint32_t const start = cursor_;
    std::size_t end = cursor_ + 1;  // the first character is a letter
    while (end < source_.size() && isNameCharacter(source_[end])) {
        ++end;
    }
    cursor_ = static_cast<std::uint32_t>(end);
    if (previous_ == TokenKind::Dot) {
        return TokenKind::Identifier;  // field names may be spelled like keywords
    }
    Text const word = source_.substr(start, cursor_ - start);
    KeywordSlot const& slot = kKeywordTable[keywordSlot(word)];
    return sameText(word, slot.spelling) ? slot.kind : TokenKind::Identifier;
}

template <class Unit>
TokenKind BasicLexer<Unit>::lexOperator(bool separated) {
    Unit const c = source_[cursor_];
    Unit const n = peekChar(1);
    auto take = [this](std::uint32_t length, TokenKind kind) {
        cursor_ += length;
        return kind;
    };
    switch (c) {
        case u'[':
            brackets_.push_back(Bracket::Matrix);
            return take(1, TokenKind::LeftBracket);
        case u'{': {
            bool const indexes = previousEndsValue() && !separated;
            brackets_.push_back(indexes ? Bracket::Paren : Bracket::Matrix);
            return take(1, TokenKind::LeftBrace);
        }
        case u')':
        case u']':
        case u'}':
            if (!brackets_.empty()) {
                brackets_.pop_back();
            }
            return take(1, c == u')'   ? TokenKind::RightParen
                           : c == u']' ? TokenKind::RightBracket
                                       : TokenKind::RightBrace);
        case u'.':
            switch (n) {
                case u'*':
                    return take(2, TokenKind::DotStar);
                case u'/':
                    return take(2, TokenKind::DotSlash);
                case u'\\':
                    return take(2, TokenKind::DotBackslash);
                case u'^':
                    return take(2, TokenKind::DotCaret);
                case u'\'':
                    return take(2, TokenKind::DotTranspose);
                default:
                    return take(1, TokenKind::Dot);
            }
        case u'=':
            return n == u'=' ? take(2, TokenKind::EqualEqual) : take(1, TokenKind::Assign);
        case u'~':
            return n == u'=' ? take(2, TokenKind::NotEqual) : take(1, TokenKind::Tilde);
        case u'!':
            return n == u'=' ? take(2, TokenKind::NotEqual) : take(1, TokenKind::Bang);
        case u'<':
            return n == u'=' ? take(2, TokenKind::LessEqual) : take(1, TokenKind::Less);
        case u'>':
            return n == u'=' ? take(2, TokenKind::GreaterEqual) : take(1, TokenKind::Greater);
        case u'&':
            return n == u'&' ? take(2, TokenKind::AmpAmp) : take(1, TokenKind::Amp);
        case u'|':
            return n == u'|' ? take(2, TokenKind::PipePipe) : take(1, TokenKind::Pipe);
        default:
            invalidCharacter();
    }
}

template <class Unit>
void BasicLexer<Unit>::next(Token& token) {
    bool spaceBefore = false;
    if (!atEnd() && hasTrait(source_[cursor_], kSkipTrait)) {
        // Most tokens follow one blank, which needs no loop.
        if (isSpace(source_[cursor_]) && !hasTrait(peekChar(1), kSkipTrait)) {
            ++cursor_;
            spaceBefore = true;
        } else {
            spaceBefore = skipSpace();
        }
    }
    std::uint32_t const begin = cursor_;
    bool const matrix = inMatrix();
    // White space inside a matrix separates elements.
    bool const separated = spaceBefore && matrix;
    TokenKind kind;
    if (atEnd()) {
        kind = TokenKind::EndOfInput;
    } else {
        Unit const c = source_[cursor_];
        if (isLineBreak(c)) {
            skipLineBreak();
            kind = TokenKind::Newline;
        } else if (hasTrait(c, kDigitTrait) || (c == u'.' && hasTrait(peekChar(1), kDigitTrait))) {
            kind = lexNumber();
        } else if (hasTrait(c, kLetterTrait)) {
            kind = lexWord();
        } else if (TokenKind const single = singleCharacterToken(c); single != TokenKind::Invalid) {
            ++cursor_;
            kind = single;
        } else if (c == u'(') {
            // The commonest bracket, read here rather than in lexOperator().
            brackets_.push_back(Bracket::Paren);
            ++cursor_;
            kind = TokenKind::LeftParen;
        } else if (c == u'"') {
            kind = lexQuoted(u'"', TokenKind::String);
        } else if (c == u'\'') {
            if (previousEndsValue() && !separated) {
                ++cursor_;
                kind = TokenKind::Transpose;
            } else {
                kind = lexQuoted(u'\'', TokenKind::CharArray);
            }
        } else {
            kind = lexOperator(separated);
        }
    }
    // Written field by field, so that reading one field back does not wait
    // for several narrower stores.
    token.kind = kind;
    token.begin = begin;
    token.end = cursor_;
    token.spaceBefore = spaceBefore;
    token.spaceAfter = separated && !atEnd() && isSpace(source_[cursor_]);
    token.inMatrix = matrix;
    previous_ = kind;
}

template <class Unit>
bool BasicLexer<Unit>::startsCommandSyntax(std::uint32_t offset) const {
    std::size_t p = offset;
    if (p >= source_.size() || !isSpace(source_[p])) {
        return false;
    }
    while (p < source_.size() && isSpace(source_[p])) {
        ++p;
    }
    if (p >= source_.size()) {
        return false;
    }
    Text const rest = source_.substr(p);
    Unit const c = rest[0];
    if (isLineBreak(c) || c == u',' || c == u';' || c == u'%' || c == u'(' ||
        startsWith(rest, "...")) {
        return false;
    }
    if (c == u'=' && !startsWith(rest, "==")) {
        return false;
    }
    if (c == u'{') {
        // `cache {k} = v` assigns to a brace index.
        std::size_t after = scanGroup(p, nullptr);
        while (after < source_.size() && isSpace(source_[after])) {
            ++after;
        }
        Text const next = source_.substr(after);
        return !(startsWith(next, "=") && !startsWith(next, "=="));
    }
    for (std::string_view op : kBinaryOperators) {
        if (startsWith(rest, op)) {
            std::size_t after = op.size();
            // An operator followed by white space continues an expression.
            return after < rest.size() && !isSpace(rest[after]) && !isLineBreak(rest[after]);
        }
    }
    return true;
}

template <class Unit>
std::size_t BasicLexer<Unit>::scanGroup(std::size_t p, std::basic_string<Unit>* text) const {
    std::uint32_t depth = 0;
    auto keep = [&](Text part) {
        if (text != nullptr) {
            text->append(part);
        }
    };
    while (p < source_.size() && !isLineBreak(source_[p])) {
        Unit const c = source_[p];
        if (startsWith(source_.substr(p), "...")) {
            p = nextLineStart(source_, p);
            if (text != nullptr) {
                text->push_back(u' ');
            }
            continue;
        }
        std::size_t next = p + 1;
        if (c == u'"' || (c == u'\'' && !endsOperand(source_[p - 1]))) {
            next = quotedEnd(source_, p);
            if (next == Text::npos) {
                return p;
            }
        } else if (isOpener(c)) {
            ++depth;
        } else if (isCloser(c)) {
            --depth;
        }
        keep(source_.substr(p, next - p));
        p = next;
        if (depth == 0) {
            break;
        }
    }
    return p;
}

template <class Unit>
void BasicLexer<Unit>::restartAt(std::uint32_t offset) {
    cursor_ = offset;
    previous_ = TokenKind::Comma;
    brackets_.clear();
}

template <class Unit>
void BasicLexer<Unit>::rescanOperandAt(std::uint32_t offset) {
    cursor_ = offset;
    previous_ = TokenKind::Comma;
}

template <class Unit>
std::optional<CommandWord<Unit>> BasicLexer<Unit>::nextCommandWord() {
    while (true) {
        while (!atEnd() && isSpace(source_[cursor_])) {
            ++cursor_;
        }
        if (atEnd()) {
            return std::nullopt;
        }
        if (startsWith(source_.substr(cursor_), "...")) {
            skipToLineBreak();
            skipLineBreak();
            continue;
        }
        break;
    }
    Unit const first = source_[cursor_];
    if (isLineBreak(first) || first == u',' || first == u';') {
        return std::nullopt;
    }
    if (first == u'%') {
        skipToLineBreak();
        return std::nullopt;
    }
    CommandWord<Unit> word{cursor_, {}};
    while (!atEnd()) {
        Unit const c = source_[cursor_];
        if (isSpace(c) || isLineBreak(c) || c == u',' || c == u';') {
            break;
        }
        if (isOpener(c)) {
            cursor_ = static_cast<std::uint32_t>(scanGroup(cursor_, &word.text));
            continue;
        }
        if (c != u'\'' && c != u'"') {
            word.text.push_back(c);
            ++cursor_;
            continue;
        }
        // A quoted part: its quotes go, a doubled quote inside stands for one.
        std::uint32_t const quoteStart = cursor_;
        lexQuoted(c, c == u'"' ? TokenKind::String : TokenKind::CharArray);
        for (std::uint32_t p = quoteStart + 1; p + 1 < cursor_; ++p) {
            word.text.push_back(source_[p]);
            if (source_[p] == c) {
                ++p;
            }
        }
    }
    previous_ = TokenKind::Comma;
    return word;
}

template <class Unit>
typename BasicLexer<Unit>::Text BasicLexer<Unit>::takeRestOfLine(std::uint32_t offset) {
    cursor_ = offset;
    skipToLineBreak();
    previous_ = TokenKind::Comma;
    brackets_.clear();
    return source_.substr(offset, cursor_ - offset);
}

template <class Unit>
std::uint32_t BasicLexer<Unit>::skipErroneousText(SyntaxError const& error) {
    std::string_view const identifier = error.identifier();
    std::uint32_t const offset = error.position() - 1;
    if (identifier == errors::kUnterminatedBlockComment) {
        cursor_ = static_cast<std::uint32_t>(source_.size());
    } else if (identifier == errors::kUnterminatedString) {
        cursor_ = static_cast<std::uint32_t>(findLineBreak(source_, offset));
    } else if (identifier == errors::kInvalidCharacter) {
        // Both halves of a surrogate pair, which make one character.
        bool const pair = offset + 1 < source_.size() && isHighSurrogate(source_[offset]) &&
                          isLowSurrogate(source_[offset + 1]);
        cursor_ = offset + (pair ? 2 : 1);
    }
    return cursor_;
}

template class BasicLexer<char16_t>;
template class BasicLexer<char>;

}  // namespace lf::parser
