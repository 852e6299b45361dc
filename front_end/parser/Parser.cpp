#include "front_end/parser/Parser.hpp"

#include <algorithm>
#include <limits>
#include <memory>
#include <string>

#include "foundation/text/Utf.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/parser/SourceParser.hpp"
#include "front_end/parser/SourceText.hpp"

namespace lf::parser {

namespace detail {

// ------------------------------------------------------------------ tokens

template <class Unit>
void SourceParser<Unit>::advanceSlowPath() {
    if (ahead_) {
        tok_ = *ahead_;
        ahead_.reset();
    } else {
        lexRecovering(tok_);
    }
}

template <class Unit>
Token const& SourceParser<Unit>::peek() {
    if (!ahead_) {
        if (recovery_ == nullptr) {
            lexer_.next(ahead_.emplace());
        } else {
            lexRecovering(ahead_.emplace());
        }
    }
    return *ahead_;
}

template <class Unit>
bool SourceParser<Unit>::atIdentifier(std::string_view name) const {
    return at(TokenKind::Identifier) && sameText(text(tok_), name);
}

template <class Unit>
bool SourceParser<Unit>::atStatementEnd() const {
    return endsStatement(tok_.kind);
}

template <class Unit>
void SourceParser<Unit>::skipSeparators() {
    while (at(TokenKind::Newline) || at(TokenKind::Comma) || at(TokenKind::Semicolon)) {
        advance();
    }
}

// ------------------------------------------------------------------ errors

template <class Unit>
std::string SourceParser<Unit>::describe(Token const& token) const {
    auto quoted = [&](char const* what) {
        Text const shown = text(token);
        bool const cut = shown.size() > 24;
        return std::string(what) + " " + toUtf8(shown.substr(0, 24)) + (cut ? "..." : "");
    };
    switch (token.kind) {
        case TokenKind::Identifier:
            return "identifier '" + toUtf8(text(token)) + "'";
        case TokenKind::Number:
        case TokenKind::ImaginaryNumber:
            return "number " + toUtf8(text(token));
        case TokenKind::CharArray:
            return quoted("character array");
        case TokenKind::String:
            return quoted("string");
        default:
            return tokenSpelling(token.kind);
    }
}

template <class Unit>
std::string SourceParser<Unit>::location(std::uint32_t position) const {
    if (!lines_) {
        lines_.emplace(toUtf16(lexer_.source()));
    }
    auto const where = lines_->lineAndColumn(position);
    return std::to_string(where.line) + ":" + std::to_string(where.column);
}

template <class Unit>
SyntaxError SourceParser<Unit>::errorHere(char const* identifier, std::string const& text) const {
    return SyntaxError(identifier, tok_.position(), text);
}

template <class Unit>
void SourceParser<Unit>::fail(char const* identifier, std::string const& text) const {
    throw errorHere(identifier, text);
}

template <class Unit>
void SourceParser<Unit>::failExpected(std::string const& expected) const {
    fail(errors::kUnexpectedToken, "expected " + expected + ", found " + describe(tok_));
}

template <class Unit>
void SourceParser<Unit>::expect(TokenKind kind, char const* expected) {
    if (!at(kind)) {
        failExpected(expected);
    }
    advance();
}

template <class Unit>
void SourceParser<Unit>::closeBracket(Token const& open) {
    TokenKind const closer = open.kind == TokenKind::LeftParen     ? TokenKind::RightParen
                             : open.kind == TokenKind::LeftBracket ? TokenKind::RightBracket
                                                                   : TokenKind::RightBrace;
    if (at(closer)) {
        advance();
        return;
    }
    std::string const expected = std::string(tokenSpelling(closer)) + " to close " +
                                 tokenSpelling(open.kind) + " at " + location(open.position());
    switch (tok_.kind) {
        case TokenKind::Newline:
        case TokenKind::EndOfInput:
        case TokenKind::Semicolon:
        case TokenKind::RightParen:
        case TokenKind::RightBracket:
        case TokenKind::RightBrace:
            fail(errors::kUnbalancedBracket, "expected " + expected + ", found " + describe(tok_));
        default:
            fail(errors::kUnexpectedToken,
                 "expected ',' or " + expected + ", found " + describe(tok_));
    }
}

template <class Unit>
void SourceParser<Unit>::closeBlock(Token const& keyword, NodeList<Node>* lastBody) {
    while (!at(TokenKind::KwEnd)) {
        raise(errorHere(errors::kMissingEnd, "expected 'end' to close '" + toUtf8(text(keyword)) +
                                                 "' at " + location(keyword.position()) +
                                                 ", found " + describe(tok_)));
        if (lastBody == nullptr || at(TokenKind::EndOfInput) || at(TokenKind::KwFunction)) {
            return;
        }
        skipBrokenStatement();
        extendBody(*lastBody);
    }
    advance();
}

template <class Unit>
SyntaxError SourceParser<Unit>::outsideBlockError() const {
    return errorHere(errors::kUnexpectedToken,
                     "found " + describe(tok_) + " outside any block it could belong to");
}

template <class Unit>
void SourceParser<Unit>::refuseClassPropertyArguments() const {
    if (at(TokenKind::Question)) {
        fail(errors::kUnsupported,
             "'.?ClassName' (name-value arguments named after the properties of a class) is "
             "not supported");
    }
}

template <class Unit>
void SourceParser<Unit>::requireLineEnd(char const* after) const {
    if (!atStatementEnd()) {
        failExpected(std::string("',' ';' or a line break after ") + after);
    }
}

template <class Unit>
void SourceParser<Unit>::enterLevel() {
    if (++depth_ > kMaxNestingDepth) {
        fail(errors::kNestingTooDeep, "nesting deeper than " + std::to_string(kMaxNestingDepth) +
                                          " levels of brackets, blocks and operators");
    }
}

// ---------------------------------------------------------------- recovery

template <class Unit>
void SourceParser<Unit>::lexRecovering(Token& token) {
    try {
        lexer_.next(token);
    } catch (SyntaxError const& error) {
        // The text at fault becomes a token that nothing accepts, so that the
        // statement holding it is broken there.
        token.kind = TokenKind::Invalid;
        token.begin = error.position() - 1;
        token.end = lexer_.skipErroneousText(error);
        token.spaceBefore = token.spaceAfter = token.inMatrix = false;
        record(error);
    }
}

template <class Unit>
void SourceParser<Unit>::record(SyntaxError const& error) {
    if (recovery_->full()) {
        return;
    }
    // An error read again after a look ahead that stopped at it.
    for (SyntaxError const& known : recovery_->errors) {
        if (known.position() == error.position() &&
            std::string_view(known.what()) == error.what()) {
            return;
        }
    }
    recovery_->errors.push_back(error);
    if (recovery_->full()) {
        lexer_.restartAt(static_cast<std::uint32_t>(lexer_.source().size()));
    }
}

template <class Unit>
void SourceParser<Unit>::report(SyntaxError const& error) {
    if (!at(TokenKind::Invalid) && !(ahead_ && ahead_->kind == TokenKind::Invalid)) {
        record(error);
    }
}

template <class Unit>
void SourceParser<Unit>::raise(SyntaxError const& error) {
    if (recovery_ == nullptr) {
        throw error;
    }
    report(error);
}

template <class Unit>
void SourceParser<Unit>::recoverFrom(SyntaxError const& error, std::size_t mark,
                                     std::uint32_t indexDepth) {
    scratch_.resize(mark);
    indexDepth_ = indexDepth;
    placeholdersAllowed_ = false;
    firstPlaceholder_.reset();
    report(error);
    if (matrixLineBreak_ && !recovery_->full()) {
        // A bracket left open ends at the end of its line, also a matrix's.
        ahead_.reset();
        tok_ = *matrixLineBreak_;
        lexer_.restartAt(tok_.end);
        matrixLineBreak_.reset();
        return;
    }
    skipBrokenStatement();
}

template <class Unit>
void SourceParser<Unit>::skipBrokenStatement() {
    if (recovery_->full()) {
        ahead_.reset();
        lexer_.next(tok_);  // the end of the file
        return;
    }
    // The lexer counts the brackets open after the last token it read. When
    // a token is peeked, the current one is no separator, so that count
    // matters only from the next one on.
    while (!at(TokenKind::Newline) && !at(TokenKind::EndOfInput) &&
           (!(at(TokenKind::Comma) || at(TokenKind::Semicolon)) || lexer_.openBrackets() > 0)) {
        if (ahead_) {
            tok_ = *ahead_;
            ahead_.reset();
            continue;
        }
        try {
            lexer_.next(tok_);
        } catch (SyntaxError const& error) {
            // Part of the broken statement: not reported.
            lexer_.skipErroneousText(error);
        }
    }
    // Nothing the statement opened stays open.
    lexer_.restartAt(tok_.end);
}

template <class Unit>
void SourceParser<Unit>::parseStatementRecovering() {
    std::size_t const mark = scratch_.size();
    std::uint32_t const indexDepth = indexDepth_;
    bool const enclosingHeaderBroken = std::exchange(headerBroken_, false);
    matrixLineBreak_.reset();
    try {
        Node* statement = parseStatement();
        if (headerBroken_) {
            spliceBodies(*statement);
        } else {
            scratch_.push_back(statement);
        }
    } catch (SyntaxError const& error) {
        recoverFrom(error, mark, indexDepth);
    }
    headerBroken_ = enclosingHeaderBroken;
}

template <class Unit>
void SourceParser<Unit>::spliceBodies(Node& block) {
    auto splice = [this](NodeList<Node> const& body) {
        scratch_.insert(scratch_.end(), body.begin(), body.end());
    };
    if (auto* statement = nodeAs<IfStatement>(&block)) {
        for (IfClause* clause : statement->clauses) {
            splice(clause->body);
        }
    } else if (auto* statement = nodeAs<SwitchStatement>(&block)) {
        for (SwitchCase* switchCase : statement->cases) {
            splice(switchCase->body);
        }
    } else if (auto* statement = nodeAs<WhileStatement>(&block)) {
        splice(statement->body);
    } else if (auto* statement = nodeAs<ForStatement>(&block)) {
        splice(statement->body);
    } else if (auto* statement = nodeAs<ParforStatement>(&block)) {
        splice(statement->body);
    } else if (auto* statement = nodeAs<SpmdStatement>(&block)) {
        splice(statement->body);
    }
}

template <class Unit>
void SourceParser<Unit>::extendBody(NodeList<Node>& body) {
    std::size_t const mark = scratch_.size();
    scratch_.insert(scratch_.end(), body.begin(), body.end());
    parseStatements();
    body = takeList<Node>(mark);
}

// ----------------------------------------------------- files and functions

namespace {

// A function or class file whose main function or class was left out for a
// broken header: its first function is the main one then, and without one
// it is an empty script, so that the kind still says what comes first.
ProgramKind recoveredKind(Program const& program) {
    Node const* first = program.elements.empty() ? nullptr : program.elements[0];
    if (program.programKind == ProgramKind::Script ||
        (program.programKind == ProgramKind::ClassFile && nodeAs<ClassDefinition>(first))) {
        return program.programKind;
    }
    return nodeAs<FunctionDefinition>(first) ? ProgramKind::FunctionFile : ProgramKind::Script;
}

}  // namespace

template <class Unit>
Program* SourceParser<Unit>::parseProgram() {
    advance();
    skipSeparators();
    ProgramKind const kind = at(TokenKind::KwFunction)   ? ProgramKind::FunctionFile
                             : at(TokenKind::KwClassdef) ? ProgramKind::ClassFile
                                                         : ProgramKind::Script;
    auto* program = make<Program>(NodeKind::Program, 1, kind);
    std::size_t const mark = scratch_.size();
    if (kind == ProgramKind::ClassFile) {
        style_ = FunctionStyle::WithEnd;
        if (ClassDefinition* definition = parseClassDefinition()) {
            scratch_.push_back(definition);
        }
    } else if (kind == ProgramKind::Script) {
        parseStatements();
    }
    parseFileFunctions(kind);
    program->elements = takeList<Node>(mark);
    if (recovery_ != nullptr) {
        program->programKind = recoveredKind(*program);
    }
    return program;
}

// The functions that end a file; only functions may follow the first one.
// When recovering, a keyword that closes no block is skipped with the rest
// of its statement (and a script goes on with its statements), and a
// statement after the functions is read to its end and left out.
template <class Unit>
void SourceParser<Unit>::parseFileFunctions(ProgramKind kind) {
    bool functionsMet = false;
    while (true) {
        skipSeparators();
        if (at(TokenKind::EndOfInput)) {
            return;
        }
        if (at(TokenKind::KwFunction)) {
            functionsMet = true;
            if (FunctionDefinition* function = parseFunction()) {
                scratch_.push_back(function);
            }
        } else if (endsStatementList(tok_.kind)) {
            raise(outsideBlockError());
            skipBrokenStatement();
            if (kind == ProgramKind::Script && !functionsMet) {
                parseStatements();
            }
        } else {
            raise(errorHere(errors::kStatementAfterFunctions,
                            "expected 'function' or the end of the file after a function closed "
                            "by 'end', found " +
                                describe(tok_) +
                                "; statements cannot follow the functions of a file"));
            std::size_t const mark = scratch_.size();
            parseStatementRecovering();
            scratch_.resize(mark);
        }
    }
}

template <class Unit>
FunctionDefinition* SourceParser<Unit>::parseFunction() {
    Token const keyword = tok_;
    NestedLevel level(*this);
    advance();
    FunctionHeader header;
    bool const intact = parseHeader([&] {
        header = parseFunctionHeader();
        requireLineEnd("the function header");
    });
    auto* function = make<FunctionDefinition>(NodeKind::Function, keyword.position());
    function->name = header.name;
    function->inputs = header.inputs;
    function->outputs = header.outputs;
    parseFunctionBody(*function, keyword);
    return intact ? function : nullptr;
}

template <class Unit>
typename SourceParser<Unit>::FunctionHeader SourceParser<Unit>::parseFunctionHeader() {
    FunctionHeader header;
    std::size_t const mark = scratch_.size();
    if (at(TokenKind::LeftBracket)) {
        Token const open = tok_;
        advance();
        while (!at(TokenKind::RightBracket)) {
            if (!at(TokenKind::Identifier)) {
                closeBracket(open);
            }
            scratch_.push_back(identifier(tok_));
            advance();
            if (at(TokenKind::Comma)) {
                advance();
            }
        }
        advance();
        expect(TokenKind::Assign, "'=' after the output list");
    } else if (at(TokenKind::Identifier) && peek().kind == TokenKind::Assign) {
        scratch_.push_back(identifier(tok_));
        advance();
        advance();
    }
    header.outputs = takeList<Identifier>(mark);
    header.name = parseFunctionName();
    if (at(TokenKind::LeftParen)) {
        header.inputs = parseParameterList();
    }
    return header;
}

// `name` or a dotted name such as `get.Prop`, kept as one identifier. A
// class overloads indexing with a method named `end`.
template <class Unit>
Identifier* SourceParser<Unit>::parseFunctionName() {
    Token const first = tok_;
    if (!at(TokenKind::Identifier) && !at(TokenKind::KwEnd)) {
        failExpected("a function name");
    }
    advance();
    if (!at(TokenKind::Dot) || tok_.spaceBefore) {
        return identifier(first);
    }
    std::basic_string<Unit> name(text(first));
    while (at(TokenKind::Dot) && !tok_.spaceBefore) {
        advance();
        if (!at(TokenKind::Identifier)) {
            failExpected("a name after '.' in the function name");
        }
        name += '.';
        name += text(tok_);
        advance();
    }
    return make<Identifier>(NodeKind::Identifier, first.position(), intern(name));
}

// `(a, ~, b)` of a function or an anonymous function.
template <class Unit>
NodeList<InputArgument> SourceParser<Unit>::parseParameterList() {
    Token const open = tok_;
    advance();
    std::size_t const mark = scratch_.size();
    while (!at(TokenKind::RightParen)) {
        if (scratch_.size() != mark) {
            if (!at(TokenKind::Comma)) {
                closeBracket(open);
            }
            advance();
        }
        auto* argument = make<InputArgument>(NodeKind::InputArgument, tok_.position());
        if (at(TokenKind::Identifier)) {
            argument->identifier = identifier(tok_);
        } else if (at(TokenKind::Tilde) || at(TokenKind::Bang)) {
            argument->ignored = make<Ignored>(NodeKind::Ignored, tok_.position());
        } else if (at(TokenKind::Newline) || at(TokenKind::EndOfInput)) {
            closeBracket(open);
        } else {
            failExpected("a parameter name or '~'");
        }
        advance();
        scratch_.push_back(argument);
    }
    advance();
    return takeList<InputArgument>(mark);
}

template <class Unit>
void SourceParser<Unit>::parseFunctionBody(FunctionDefinition& function, Token const& keyword) {
    function.implicitVariable = factory_.createIdentifier(kNoPosition, u"ans");
    function.secondStatements = parseArgumentsBlocks();
    std::size_t const mark = scratch_.size();
    while (true) {
        parseStatements();
        if (at(TokenKind::KwFunction) && style_ == FunctionStyle::WithEnd) {
            if (FunctionDefinition* nested = parseFunction()) {
                scratch_.push_back(nested);
            }
        } else if (recovery_ != nullptr && dividesBlock(tok_.kind)) {
            report(outsideBlockError());
            skipBrokenStatement();
        } else {
            break;
        }
    }
    function.body = takeList<Node>(mark);
    closeFunction(keyword);
}

template <class Unit>
void SourceParser<Unit>::closeFunction(Token const& keyword) {
    switch (tok_.kind) {
        case TokenKind::KwEnd:
            if (style_ == FunctionStyle::AssumedWithoutEnd) {
                throw RestartWithEndStyle{};
            }
            style_ = FunctionStyle::WithEnd;
            advance();
            return;
        case TokenKind::KwFunction:
            style_ = FunctionStyle::AssumedWithoutEnd;
            return;
        case TokenKind::EndOfInput:
            if (style_ != FunctionStyle::WithEnd) {
                return;
            }
            if (restarted_) {
                raise(errorHere(errors::kMixedFunctionStyles,
                                "the function at " + location(keyword.position()) +
                                    " is not closed by 'end' while other functions of this file "
                                    "are; close every function with 'end' or none"));
                return;
            }
            closeBlock(keyword);
            return;
        default:
            throw outsideBlockError();
    }
}

// The members that the other files of the parser call, for both kinds of
// source text.
#define KORVEX_PARSER_MEMBERS(Unit)                                                                \
    template void SourceParser<Unit>::advanceSlowPath();                                           \
    template Token const& SourceParser<Unit>::peek();                                              \
    template bool SourceParser<Unit>::atIdentifier(std::string_view name) const;                   \
    template void SourceParser<Unit>::skipSeparators();                                            \
    template std::string SourceParser<Unit>::describe(Token const& token) const;                   \
    template std::string SourceParser<Unit>::location(std::uint32_t position) const;               \
    template SyntaxError SourceParser<Unit>::errorHere(char const* identifier,                     \
                                                       std::string const& text) const;             \
    template void SourceParser<Unit>::fail(char const* identifier, std::string const& text) const; \
    template void SourceParser<Unit>::failExpected(std::string const& expected) const;             \
    template void SourceParser<Unit>::expect(TokenKind kind, char const* expected);                \
    template void SourceParser<Unit>::closeBracket(Token const& open);                             \
    template void SourceParser<Unit>::closeBlock(Token const& keyword, NodeList<Node>* lastBody);  \
    template void SourceParser<Unit>::refuseClassPropertyArguments() const;                        \
    template void SourceParser<Unit>::requireLineEnd(char const* after) const;                     \
    template void SourceParser<Unit>::enterLevel();                                                \
    template void SourceParser<Unit>::raise(SyntaxError const& error);                             \
    template void SourceParser<Unit>::recoverFrom(SyntaxError const& error, std::size_t mark,      \
                                                  std::uint32_t indexDepth);                       \
    template void SourceParser<Unit>::skipBrokenStatement();                                       \
    template void SourceParser<Unit>::parseStatementRecovering();                                  \
    template void SourceParser<Unit>::extendBody(NodeList<Node>& body);                            \
    template SourceParser<Unit>::FunctionHeader SourceParser<Unit>::parseFunctionHeader();         \
    template NodeList<InputArgument> SourceParser<Unit>::parseParameterList();                     \
    template void SourceParser<Unit>::parseFunctionBody(FunctionDefinition& function,              \
                                                        Token const& keyword);

KORVEX_PARSER_MEMBERS(char16_t)
KORVEX_PARSER_MEMBERS(char)
#undef KORVEX_PARSER_MEMBERS

}  // namespace detail

namespace {

// Refuses a text too long for 32-bit positions.
template <class Unit>
void checkSize(std::basic_string_view<Unit> source) {
    if (source.size() >= std::numeric_limits<std::uint32_t>::max() - 1) {
        throw SyntaxError(errors::kSourceTooLarge, 1,
                          "source text longer than 4294967293 UTF-16 code units");
    }
}

std::u16string_view withoutByteOrderMark(std::u16string_view source) {
    if (!source.empty() && source.front() == u'\uFEFF') {
        source.remove_prefix(1);
    }
    return source;
}

// The UTF-16 text of the file being parsed on this thread. Kept from one
// parse to the next up to kKeptUnits, so that parsing file after file does
// not fault in fresh pages for every text; the tree does not refer to it.
// Not a std::u16string, which would be filled with zeros first.
class ConversionBuffer {
  public:
    static constexpr std::size_t kKeptUnits = 16 * 1024 * 1024;

    // Room for `units` code units, valid until the next call on this thread.
    static char16_t* ofThisThread(std::size_t units) {
        thread_local ConversionBuffer buffer;
        if (units > buffer.capacity_ || buffer.capacity_ > kKeptUnits) {
            buffer.units_ = std::make_unique_for_overwrite<char16_t[]>(units);
            buffer.capacity_ = units;
        }
        return buffer.units_.get();
    }

  private:
    std::unique_ptr<char16_t[]> units_;
    std::size_t capacity_ = 0;
};

// Calls `parseUnits` with the UTF-8 text `source`, its byte-order mark
// removed, as code units: the bytes themselves when they are all ASCII (most
// source is, and each byte then is the UTF-16 unit of the same value), else
// the text converted to UTF-16.
template <class ParseText>
auto withCodeUnits(std::string_view source, ParseText parseUnits) {
    if (source.starts_with("\xEF\xBB\xBF")) {
        source.remove_prefix(3);
    }
    if (fl::text::isAscii(source)) {
        return parseUnits(source);
    }
    char16_t* const converted = ConversionBuffer::ofThisThread(source.size());
    std::size_t const length = fl::text::toUtf16(source, converted);
    return parseUnits(std::u16string_view(converted, length));
}

// Whether the last line of `source` that holds anything is `end`: the mark
// of a file whose functions are closed by `end`.
template <class Unit>
bool endsWithEndLine(std::basic_string_view<Unit> source) {
    auto const isBlank = [](Unit c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; };
    auto const isLineBreak = [](Unit c) { return c == '\r' || c == '\n'; };
    std::size_t end = source.size();
    while (end > 0 && (isBlank(source[end - 1]) || isLineBreak(source[end - 1]))) {
        --end;
    }
    std::size_t begin = end;
    while (begin > 0 && !isLineBreak(source[begin - 1])) {
        --begin;
    }
    while (begin < end && isBlank(source[begin])) {
        ++begin;
    }
    std::basic_string_view<Unit> const line = source.substr(begin, end - begin);
    return sameText(line, "end") || sameText(line, "end;");
}

// Parses `source`, whose byte-order mark is already removed.
template <class Unit>
lf::astapi::Program* parseText(std::basic_string_view<Unit> source,
                               fe::astapi::AstNodeFactory& factory) {
    using Parser = detail::SourceParser<Unit>;
    checkSize(source);
    // A file that closes its functions with `end` and nests one in the first
    // would be read twice below. Read as such from the start, it gives the
    // same tree whenever that reading succeeds: every function then closes
    // with `end`, and the statements do not depend on how functions close.
    // Any error sends the file through the usual reading, whose error is the
    // one reported.
    if (endsWithEndLine(source)) {
        try {
            return Parser(source, factory, detail::FunctionStyle::WithEnd, true).parseProgram();
        } catch (SyntaxError const&) {
        }
    }
    try {
        return Parser(source, factory, detail::FunctionStyle::Unknown, false).parseProgram();
    } catch (detail::RestartWithEndStyle const&) {
        // A function was taken for its predecessor's sibling, but the file
        // closes functions with `end`: it was nested. Parse again knowing so.
        return Parser(source, factory, detail::FunctionStyle::WithEnd, true).parseProgram();
    }
}

// Parses `source`, whose byte-order mark is already removed, recovering.
template <class Unit>
RecoveredParse parseTextRecovering(std::basic_string_view<Unit> source,
                                   fe::astapi::AstNodeFactory& factory, std::size_t maxErrors) {
    using Parser = detail::SourceParser<Unit>;
    detail::Recovery recovery;
    recovery.maxErrors = std::max<std::size_t>(maxErrors, 1);
    lf::astapi::Program* program = nullptr;
    try {
        checkSize(source);
        try {
            program = Parser(source, factory, detail::FunctionStyle::Unknown, false, &recovery)
                          .parseProgram();
        } catch (detail::RestartWithEndStyle const&) {
            // As in parse(): the errors of the first pass were met in a
            // structure the file does not have.
            recovery.errors.clear();
            program = Parser(source, factory, detail::FunctionStyle::WithEnd, true, &recovery)
                          .parseProgram();
        }
    } catch (SyntaxError const& error) {
        // What recovery does not reach (a text too long, functions nested
        // beyond the limit) leaves an empty script.
        recovery.errors.push_back(error);
        program = factory.create<lf::astapi::Program>(lf::astapi::NodeKind::Program, 1,
                                                      lf::astapi::ProgramKind::Script);
    }
    std::ranges::stable_sort(recovery.errors, {}, &SyntaxError::position);
    return {program, std::move(recovery.errors)};
}

}  // namespace

lf::astapi::Program* parse(std::u16string_view source, fe::astapi::AstNodeFactory& factory) {
    return parseText(withoutByteOrderMark(source), factory);
}

lf::astapi::Program* parseUtf8(std::string_view source, fe::astapi::AstNodeFactory& factory) {
    return withCodeUnits(source, [&](auto text) { return parseText(text, factory); });
}

RecoveredParse parseRecovering(std::u16string_view source, fe::astapi::AstNodeFactory& factory,
                               std::size_t maxErrors) {
    return parseTextRecovering(withoutByteOrderMark(source), factory, maxErrors);
}

RecoveredParse parseUtf8Recovering(std::string_view source, fe::astapi::AstNodeFactory& factory,
                                   std::size_t maxErrors) {
    return withCodeUnits(source,
                         [&](auto text) { return parseTextRecovering(text, factory, maxErrors); });
}

}  // namespace lf::parser
