#include "front_end/parser/Lexer.hpp"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "foundation/text/Utf.hpp"
#include "front_end/langutil/NameCharacters.hpp"
#include "front_end/parser/SyntaxError.hpp"

namespace lf::parser {

namespace {

using lf::util::isAsciiDigit;
using lf::util::isAsciiLetter;

// What the token loop asks of a character, looked up in one table.
enum CharacterTraits : std::uint8_t {
    kNameTrait = 1,   // may continue a name
    kSpaceTrait = 2,  // white space within a line
    kSkipTrait = 4,   // may start what skipSpace skips: white space, a comment, `...`
};

constexpr std::array<std::uint8_t, 128> kAsciiTraits = [] {
    std::array<std::uint8_t, 128> traits{};
    for (char16_t c = 0; c < 128; ++c) {
        if (lf::util::isNameCharacter(c)) {
            traits[c] |= kNameTrait;
        }
    }
    for (char16_t c : std::u16string_view(u" \t\f\v")) {
        traits[c] |= kSpaceTrait | kSkipTrait;
    }
    traits[u'%'] = traits[u'.'] = kSkipTrait;
    return traits;
}();

bool hasTrait(char16_t c, CharacterTraits trait) {
    return c < kAsciiTraits.size() && (kAsciiTraits[c] & trait) != 0;
}
bool isNameCharacter(char16_t c) {
    return hasTrait(c, kNameTrait);
}
bool isSpace(char16_t c) {
    return hasTrait(c, kSpaceTrait);
}
bool isLineBreak(char16_t c) {
    return c == u'\n' || c == u'\r';
}

// The offset of the first line break at or after `p`, or the size of
// `source`. Comments are skipped with it, four code units at a time.
std::size_t findLineBreak(std::u16string_view source, std::size_t p) {
    constexpr std::uint64_t kOnes = 0x0001000100010001u;
    constexpr std::uint64_t kHighs = 0x8000800080008000u;
    // Whether any of the four units of `units` is zero.
    auto hasZeroUnit = [](std::uint64_t units) { return ((units - kOnes) & ~units & kHighs) != 0; };
    for (; p + 4 <= source.size(); p += 4) {
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

bool isHexDigit(char16_t c) {
    return isAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

constexpr std::pair<std::u16string_view, TokenKind> kKeywords[] = {
    {u"break", TokenKind::KwBreak},
    {u"case", TokenKind::KwCase},
    {u"catch", TokenKind::KwCatch},
    {u"classdef", TokenKind::KwClassdef},
    {u"continue", TokenKind::KwContinue},
    {u"else", TokenKind::KwElse},
    {u"elseif", TokenKind::KwElseif},
    {u"end", TokenKind::KwEnd},
    {u"for", TokenKind::KwFor},
    {u"function", TokenKind::KwFunction},
    {u"global", TokenKind::KwGlobal},
    {u"if", TokenKind::KwIf},
    {u"otherwise", TokenKind::KwOtherwise},
    {u"parfor", TokenKind::KwParfor},
    {u"persistent", TokenKind::KwPersistent},
    {u"return", TokenKind::KwReturn},
    {u"spmd", TokenKind::KwSpmd},
    {u"switch", TokenKind::KwSwitch},
    {u"try", TokenKind::KwTry},
    {u"while", TokenKind::KwWhile},
};

// Keywords by a hash of their first and last letters and their length, which
// gives each of them a slot of its own: a word is a keyword only when its
// slot holds it, so telling a name from a keyword costs one comparison.
constexpr std::size_t kKeywordSlots = 64;

constexpr std::size_t keywordSlot(std::u16string_view word) {
    return (word.front() + word.back() + 8 * word.size()) % kKeywordSlots;
}

struct KeywordSlot {
    std::u16string_view spelling;
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

// The binary operators that decide command syntax, longest first.
constexpr std::u16string_view kBinaryOperators[] = {
    u"&&", u"||", u"==", u"~=", u"!=", u"<=", u">=", u".*", u"./", u".\\", u".^",
    u"+",  u"-",  u"*",  u"/",  u"\\", u"^",  u"<",  u">",  u"&",  u"|",   u":",
};

// The trimmed text of the line starting at `start` equals `marker`.
bool lineIs(std::u16string_view source, std::size_t start, std::u16string_view marker) {
    std::size_t p = start;
    while (p < source.size() && isSpace(source[p])) {
        ++p;
    }
    if (source.substr(p, marker.size()) != marker) {
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
std::size_t quotedEnd(std::u16string_view source, std::size_t p) {
    char16_t const quote = source[p];
    for (++p; p < source.size() && !isLineBreak(source[p]); ++p) {
        if (source[p] == quote) {
            if (p + 1 >= source.size() || source[p + 1] != quote) {
                return p + 1;
            }
            ++p;
        }
    }
    return std::u16string_view::npos;
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

std::size_t nextLineStart(std::u16string_view source, std::size_t p) {
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

bool Lexer::previousEndsValue() const {
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

void Lexer::skipToLineBreak() {
    cursor_ = static_cast<std::uint32_t>(findLineBreak(source_, cursor_));
}

void Lexer::skipLineBreak() {
    cursor_ = static_cast<std::uint32_t>(nextLineStart(source_, cursor_));
}

bool Lexer::atBlockCommentStart() const {
    std::size_t lineStart = cursor_;
    while (lineStart > 0 && isSpace(source_[lineStart - 1])) {
        --lineStart;
    }
    return (lineStart == 0 || isLineBreak(source_[lineStart - 1])) &&
           lineIs(source_, lineStart, u"%{");
}

void Lexer::skipBlockComment() {
    std::uint32_t const start = cursor_;
    std::size_t line = cursor_;
    int depth = 0;
    while (line < source_.size()) {
        if (lineIs(source_, line, u"%{")) {
            ++depth;
        } else if (lineIs(source_, line, u"%}") && --depth == 0) {
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

bool Lexer::skipSpace() {
    std::uint32_t const start = cursor_;
    while (!atEnd()) {
        char16_t c = source_[cursor_];
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

void Lexer::invalidCharacter() const {
    char16_t c = source_[cursor_];
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    std::string shown =
        c >= 0x21 && c < 0x7F ? "'" + std::string(1, static_cast<char>(c)) + "'"
        : c >= 0xA0 && (c < 0xD800 || c > 0xDFFF)
            ? "'" + fl::text::toUtf8(source_.substr(cursor_, 1)) + "' (" + code + ")"
            : std::string(code);
    throw SyntaxError(errors::kInvalidCharacter, cursor_ + 1,
                      "invalid character " + shown + " outside a string or comment");
}

TokenKind Lexer::lexNumber() {
    std::uint32_t const start = cursor_;
    auto invalid = [&] {
        while (!atEnd() && (isNameCharacter(source_[cursor_]) || source_[cursor_] == u'.')) {
            ++cursor_;
        }
        throw SyntaxError(
            errors::kInvalidNumber, start + 1,
            "invalid number '" + fl::text::toUtf8(source_.substr(start, cursor_ - start)) + "'");
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
        while (isAsciiDigit(peekChar())) {
            ++cursor_;
        }
        // `1./x` and `1.'` keep the dot for the operator after the number.
        char16_t const afterDot = peekChar(1);
        if (peekChar() == u'.' && afterDot != u'*' && afterDot != u'/' && afterDot != u'\\' &&
            afterDot != u'^' && afterDot != u'\'' && afterDot != u'.') {
            ++cursor_;
            while (isAsciiDigit(peekChar())) {
                ++cursor_;
            }
        }
        if ((peekChar() | 0x20) == u'e') {
            std::uint32_t exponent = 1;
            if (peekChar(1) == u'+' || peekChar(1) == u'-') {
                exponent = 2;
            }
            if (!isAsciiDigit(peekChar(exponent))) {
                cursor_ += exponent;
                invalid();
            }
            cursor_ += exponent;
            while (isAsciiDigit(peekChar())) {
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
    if (isNameCharacter(peekChar()) || (peekChar() == u'.' && isAsciiDigit(peekChar(1)))) {
        invalid();
    }
    return kind;
}

TokenKind Lexer::lexQuoted(char16_t quote, TokenKind kind) {
    std::uint32_t const start = cursor_;
    std::size_t const end = quotedEnd(source_, cursor_);
    if (end == std::u16string_view::npos) {
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

TokenKind Lexer::lexWord() {
    std::uint32_t const start = cursor_;
    std::size_t end = cursor_ + 1;  // the first character is a letter
    while (end < source_.size() && isNameCharacter(source_[end])) {
        ++end;
    }
    cursor_ = static_cast<std::uint32_t>(end);
    if (previous_ == TokenKind::Dot) {
        return TokenKind::Identifier;  // field names may be spelled like keywords
    }
    std::u16string_view const word = source_.substr(start, cursor_ - start);
    KeywordSlot const& slot = kKeywordTable[keywordSlot(word)];
    return fl::text::sameUnits(slot.spelling, word) ? slot.kind : TokenKind::Identifier;
}

TokenKind Lexer::lexOperator(bool separated) {
    char16_t const c = source_[cursor_];
    char16_t const n = peekChar(1);
    auto take = [this](std::uint32_t length, TokenKind kind) {
        cursor_ += length;
        return kind;
    };
    switch (c) {
        case u',':
            return take(1, TokenKind::Comma);
        case u';':
            return take(1, TokenKind::Semicolon);
        case u'(':
            brackets_.push_back(Bracket::Paren);
            return take(1, TokenKind::LeftParen);
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
        case u'+':
            return take(1, TokenKind::Plus);
        case u'-':
            return take(1, TokenKind::Minus);
        case u'*':
            return take(1, TokenKind::Star);
        case u'/':
            return take(1, TokenKind::Slash);
        case u'\\':
            return take(1, TokenKind::Backslash);
        case u'^':
            return take(1, TokenKind::Caret);
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
        case u':':
            return take(1, TokenKind::Colon);
        case u'@':
            return take(1, TokenKind::At);
        case u'?':
            return take(1, TokenKind::Question);
        default:
            invalidCharacter();
    }
}

void Lexer::next(Token& token) {
    bool const spaceBefore = !atEnd() && hasTrait(source_[cursor_], kSkipTrait) && skipSpace();
    std::uint32_t const begin = cursor_;
    bool const matrix = inMatrix();
    // White space inside a matrix separates elements.
    bool const separated = spaceBefore && matrix;
    TokenKind kind;
    if (atEnd()) {
        kind = TokenKind::EndOfInput;
    } else {
        char16_t const c = source_[cursor_];
        if (isLineBreak(c)) {
            skipLineBreak();
            kind = TokenKind::Newline;
        } else if (isAsciiDigit(c) || (c == u'.' && isAsciiDigit(peekChar(1)))) {
            kind = lexNumber();
        } else if (isAsciiLetter(c)) {
            kind = lexWord();
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

bool Lexer::startsCommandSyntax(std::uint32_t offset) const {
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
    std::u16string_view const rest = source_.substr(p);
    char16_t const c = rest[0];
    if (isLineBreak(c) || c == u',' || c == u';' || c == u'%' || c == u'(' ||
        rest.starts_with(u"...")) {
        return false;
    }
    if (c == u'=' && !rest.starts_with(u"==")) {
        return false;
    }
    if (c == u'{') {
        // `cache {k} = v` assigns to a brace index.
        std::size_t after = scanGroup(p, nullptr);
        while (after < source_.size() && isSpace(source_[after])) {
            ++after;
        }
        std::u16string_view const next = source_.substr(after);
        return !(next.starts_with(u"=") && !next.starts_with(u"=="));
    }
    for (std::u16string_view op : kBinaryOperators) {
        if (rest.starts_with(op)) {
            std::size_t after = op.size();
            // An operator followed by white space continues an expression.
            return after < rest.size() && !isSpace(rest[after]) && !isLineBreak(rest[after]);
        }
    }
    return true;
}

std::size_t Lexer::scanGroup(std::size_t p, std::u16string* text) const {
    std::uint32_t depth = 0;
    auto keep = [&](std::u16string_view part) {
        if (text != nullptr) {
            text->append(part);
        }
    };
    while (p < source_.size() && !isLineBreak(source_[p])) {
        char16_t const c = source_[p];
        if (source_.substr(p).starts_with(u"...")) {
            p = nextLineStart(source_, p);
            keep(u" ");
            continue;
        }
        std::size_t next = p + 1;
        if (c == u'"' || (c == u'\'' && !endsOperand(source_[p - 1]))) {
            next = quotedEnd(source_, p);
            if (next == std::u16string_view::npos) {
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

void Lexer::restartAt(std::uint32_t offset) {
    cursor_ = offset;
    previous_ = TokenKind::Comma;
    brackets_.clear();
}

void Lexer::rescanOperandAt(std::uint32_t offset) {
    cursor_ = offset;
    previous_ = TokenKind::Comma;
}

std::optional<CommandWord> Lexer::nextCommandWord() {
    while (true) {
        while (!atEnd() && isSpace(source_[cursor_])) {
            ++cursor_;
        }
        if (atEnd()) {
            return std::nullopt;
        }
        if (source_.substr(cursor_).starts_with(u"...")) {
            skipToLineBreak();
            skipLineBreak();
            continue;
        }
        break;
    }
    char16_t const first = source_[cursor_];
    if (isLineBreak(first) || first == u',' || first == u';') {
        return std::nullopt;
    }
    if (first == u'%') {
        skipToLineBreak();
        return std::nullopt;
    }
    CommandWord word{cursor_, {}};
    while (!atEnd()) {
        char16_t const c = source_[cursor_];
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

std::u16string_view Lexer::takeRestOfLine(std::uint32_t offset) {
    cursor_ = offset;
    skipToLineBreak();
    previous_ = TokenKind::Comma;
    brackets_.clear();
    return source_.substr(offset, cursor_ - offset);
}

std::uint32_t Lexer::skipErroneousText(SyntaxError const& error) {
    std::string_view const identifier = error.identifier();
    std::uint32_t const offset = error.position() - 1;
    if (identifier == errors::kUnterminatedBlockComment) {
        cursor_ = static_cast<std::uint32_t>(source_.size());
    } else if (identifier == errors::kUnterminatedString) {
        cursor_ = static_cast<std::uint32_t>(findLineBreak(source_, offset));
    } else if (identifier == errors::kInvalidCharacter) {
        // Both halves of a surrogate pair, which make one character.
        bool const pair = offset + 1 < source_.size() && source_[offset] >= 0xD800 &&
                          source_[offset] < 0xDC00 && source_[offset + 1] >= 0xDC00 &&
                          source_[offset + 1] < 0xE000;
        cursor_ = offset + (pair ? 2 : 1);
    }
    return cursor_;
}

}  // namespace lf::parser
