#include "front_end/parser/Parser.hpp"

#include <limits>
#include <memory>
#include <string>

#include "foundation/text/Utf.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/parser/SourceParser.hpp"

namespace lf::parser {

namespace detail {

// ------------------------------------------------------------------ tokens

void SourceParser::advance() {
    if (ahead_) {
        tok_ = *ahead_;
        ahead_.reset();
    } else {
        lexer_.next(tok_);
    }
}

Token const& SourceParser::peek() {
    if (!ahead_) {
        lexer_.next(ahead_.emplace());
    }
    return *ahead_;
}

bool SourceParser::atIdentifier(std::u16string_view name) const {
    return at(TokenKind::Identifier) && text(tok_) == name;
}

bool SourceParser::atStatementEnd() const {
    return endsStatement(tok_.kind);
}

void SourceParser::skipSeparators() {
    while (at(TokenKind::Newline) || at(TokenKind::Comma) || at(TokenKind::Semicolon)) {
        advance();
    }
}

// ------------------------------------------------------------------ errors

std::string SourceParser::describe(Token const& token) const {
    auto quoted = [&](char const* what) {
        std::u16string_view shown = text(token);
        bool const cut = shown.size() > 24;
        return std::string(what) + " " + fl::text::toUtf8(shown.substr(0, 24)) + (cut ? "..." : "");
    };
    switch (token.kind) {
        case TokenKind::Identifier:
            return "identifier '" + fl::text::toUtf8(text(token)) + "'";
        case TokenKind::Number:
        case TokenKind::ImaginaryNumber:
            return "number " + fl::text::toUtf8(text(token));
        case TokenKind::CharArray:
            return quoted("character array");
        case TokenKind::String:
            return quoted("string");
        default:
            return tokenSpelling(token.kind);
    }
}

std::string SourceParser::location(std::uint32_t position) const {
    auto const where = lf::util::LineInfo(lexer_.source()).lineAndColumn(position);
    return std::to_string(where.line) + ":" + std::to_string(where.column);
}

void SourceParser::fail(char const* identifier, std::string const& text) const {
    throw SyntaxError(identifier, tok_.position(), text);
}

void SourceParser::failExpected(std::string const& expected) const {
    fail(errors::kUnexpectedToken, "expected " + expected + ", found " + describe(tok_));
}

void SourceParser::expect(TokenKind kind, char const* expected) {
    if (!at(kind)) {
        failExpected(expected);
    }
    advance();
}

void SourceParser::closeBracket(Token const& open) {
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

void SourceParser::closeBlock(Token const& keyword) {
    if (!at(TokenKind::KwEnd)) {
        fail(errors::kMissingEnd, "expected 'end' to close '" + fl::text::toUtf8(text(keyword)) +
                                      "' at " + location(keyword.position()) + ", found " +
                                      describe(tok_));
    }
    advance();
}

// `end`, `else`, `case` and the like where no block is open.
void SourceParser::failOutsideBlock() const {
    fail(errors::kUnexpectedToken,
         "found " + describe(tok_) + " outside any block it could belong to");
}

void SourceParser::refuseClassPropertyArguments() const {
    if (at(TokenKind::Question)) {
        fail(errors::kUnsupported,
             "'.?ClassName' (name-value arguments named after the properties of a class) is "
             "not supported");
    }
}

void SourceParser::requireLineEnd(char const* after) const {
    if (!atStatementEnd()) {
        failExpected(std::string("',' ';' or a line break after ") + after);
    }
}

void SourceParser::enterLevel() {
    if (++depth_ > kMaxNestingDepth) {
        fail(errors::kNestingTooDeep, "nesting deeper than " + std::to_string(kMaxNestingDepth) +
                                          " levels of brackets, blocks and operators");
    }
}

Identifier* SourceParser::identifier(Token const& token) {
    return factory_.createIdentifier(token.position(), text(token));
}

FieldName* SourceParser::fieldName(Token const& token) {
    return make<FieldName>(NodeKind::FieldName, token.position(), factory_.intern(text(token)));
}

// ----------------------------------------------------- files and functions

Program* SourceParser::parseProgram() {
    advance();
    skipSeparators();
    ProgramKind const kind = at(TokenKind::KwFunction)   ? ProgramKind::FunctionFile
                             : at(TokenKind::KwClassdef) ? ProgramKind::ClassFile
                                                         : ProgramKind::Script;
    auto* program = make<Program>(NodeKind::Program, 1, kind);
    std::size_t const mark = scratch_.size();
    if (kind == ProgramKind::ClassFile) {
        style_ = FunctionStyle::WithEnd;
        scratch_.push_back(parseClassDefinition());
    } else if (kind == ProgramKind::Script) {
        parseStatements();
    }
    parseFileFunctions();
    program->elements = takeList<Node>(mark);
    return program;
}

// The functions that end a file; only functions may follow the first one.
void SourceParser::parseFileFunctions() {
    while (true) {
        skipSeparators();
        switch (tok_.kind) {
            case TokenKind::EndOfInput:
                return;
            case TokenKind::KwFunction:
                scratch_.push_back(parseFunction());
                break;
            default:
                if (endsStatementList(tok_.kind)) {
                    failOutsideBlock();
                }
                fail(errors::kStatementAfterFunctions,
                     "expected 'function' or the end of the file after a function closed by "
                     "'end', found " +
                         describe(tok_) + "; statements cannot follow the functions of a file");
        }
    }
}

FunctionDefinition* SourceParser::parseFunction() {
    Token const keyword = tok_;
    NestedLevel level(*this);
    advance();
    FunctionHeader header = parseFunctionHeader();
    requireLineEnd("the function header");
    auto* function = make<FunctionDefinition>(NodeKind::Function, keyword.position());
    function->name = header.name;
    function->inputs = header.inputs;
    function->outputs = header.outputs;
    parseFunctionBody(*function, keyword);
    return function;
}

SourceParser::FunctionHeader SourceParser::parseFunctionHeader() {
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
Identifier* SourceParser::parseFunctionName() {
    Token const first = tok_;
    if (!at(TokenKind::Identifier) && !at(TokenKind::KwEnd)) {
        failExpected("a function name");
    }
    advance();
    if (!at(TokenKind::Dot) || tok_.spaceBefore) {
        return identifier(first);
    }
    std::u16string name(text(first));
    while (at(TokenKind::Dot) && !tok_.spaceBefore) {
        advance();
        if (!at(TokenKind::Identifier)) {
            failExpected("a name after '.' in the function name");
        }
        name += u'.';
        name += text(tok_);
        advance();
    }
    return factory_.createIdentifier(first.position(), name);
}

// `(a, ~, b)` of a function or an anonymous function.
NodeList<InputArgument> SourceParser::parseParameterList() {
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

void SourceParser::parseFunctionBody(FunctionDefinition& function, Token const& keyword) {
    function.implicitVariable = factory_.createIdentifier(kNoPosition, u"ans");
    function.secondStatements = parseArgumentsBlocks();
    std::size_t const mark = scratch_.size();
    while (true) {
        parseStatements();
        if (!at(TokenKind::KwFunction) || style_ != FunctionStyle::WithEnd) {
            break;
        }
        scratch_.push_back(parseFunction());  // nested
    }
    function.body = takeList<Node>(mark);
    closeFunction(keyword);
}

void SourceParser::closeFunction(Token const& keyword) {
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
                fail(errors::kMixedFunctionStyles,
                     "the function at " + location(keyword.position()) +
                         " is not closed by 'end' while other functions of this file are; "
                         "close every function with 'end' or none");
            }
            closeBlock(keyword);
            return;
        default:
            failOutsideBlock();
    }
}

}  // namespace detail

lf::astapi::Program* parse(std::u16string_view source, fe::astapi::AstNodeFactory& factory) {
    if (!source.empty() && source.front() == u'\uFEFF') {
        source.remove_prefix(1);
    }
    if (source.size() >= std::numeric_limits<std::uint32_t>::max() - 1) {
        throw SyntaxError(errors::kSourceTooLarge, 1,
                          "source text longer than 4294967293 UTF-16 code units");
    }
    try {
        return detail::SourceParser(source, factory, detail::FunctionStyle::Unknown, false)
            .parseProgram();
    } catch (detail::RestartWithEndStyle const&) {
        // A function was taken for its predecessor's sibling, but the file
        // closes functions with `end`: it was nested. Parse again knowing so.
        return detail::SourceParser(source, factory, detail::FunctionStyle::WithEnd, true)
            .parseProgram();
    }
}

namespace {

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

}  // namespace

lf::astapi::Program* parseUtf8(std::string_view source, fe::astapi::AstNodeFactory& factory) {
    char16_t* const converted = ConversionBuffer::ofThisThread(source.size());
    std::size_t const length = fl::text::toUtf16(source, converted);
    return parse(std::u16string_view(converted, length), factory);
}

}  // namespace lf::parser
