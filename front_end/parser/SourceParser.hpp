#pragma once
// The recursive-descent parser behind lf::parser::parse, shared by the
// translation units that parse files and functions (Parser.cpp), statements
// (StatementParser.cpp), expressions (ExpressionParser.cpp) and class
// definitions and argument blocks (ClassParser.cpp). Not part of the
// library's interface.
//
// Given a Recovery, the parser reports errors there instead of throwing them
// out: a statement, class member or block header with an error is skipped
// to its end and left out of the tree, and the parse goes on at the same
// block level (docs/parser.md, "Recovery"). Without one, the first error is
// thrown, and the error paths are the only code the two modes do not share.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/parser/Lexer.hpp"
#include "front_end/parser/SyntaxError.hpp"

namespace lf::parser::detail {

using namespace lf::astapi;

// How the functions of the file are closed. `AssumedWithoutEnd`: a function
// was met inside a function whose style was not yet known and taken as its
// sibling; an `end` closing a function then proves the guess wrong and the
// parse restarts with `WithEnd`.
// The tokens that end a list of statements: the end of the file and the
// keywords that close or divide a block or start a function.
bool endsStatementList(TokenKind kind);
// A line break, `,`, `;` or the end of the file.
bool endsStatement(TokenKind kind);
// The keywords that divide a block: `else`, `elseif`, `case`, `otherwise`,
// `catch`.
bool dividesBlock(TokenKind kind);

enum class FunctionStyle { Unknown, AssumedWithoutEnd, WithEnd };

struct RestartWithEndStyle {};

// The errors a recovering parse has met, in the order met, at most
// `maxErrors` (at least 1) of them; once there are that many, the rest of
// the text is skipped.
struct Recovery {
    std::vector<SyntaxError> errors;
    std::size_t maxErrors = 1;

    bool full() const { return errors.size() >= maxErrors; }
};

// Unit: the code unit of the source, char16_t for UTF-16 or char for ASCII
// bytes (see Lexer.hpp); names and texts are interned as UTF-16 either way.
template <class Unit>
class SourceParser {
  public:
    using Text = std::basic_string_view<Unit>;

    // `recovery`: where errors go in the recovering mode; null to throw the
    // first one.
    SourceParser(Text source, AstNodeFactory& factory, FunctionStyle style, bool restarted,
                 Recovery* recovery = nullptr)
        : lexer_(source),
          factory_(factory),
          style_(style),
          restarted_(restarted),
          recovery_(recovery) {}

    Program* parseProgram();

  private:
    // Restores the nesting depth when a recursive call or an operator chain ends.
    class DepthScope {
      public:
        explicit DepthScope(SourceParser& parser) : parser_(parser), saved_(parser.depth_) {}
        ~DepthScope() { parser_.depth_ = saved_; }
        DepthScope(DepthScope const&) = delete;
        DepthScope& operator=(DepthScope const&) = delete;

      private:
        SourceParser& parser_;
        std::uint32_t saved_;
    };

    // Reads ahead and puts the parser back where it was when destroyed. Nodes
    // made meanwhile stay in the allocator, unused. What is read ahead is a
    // guess, so its errors are thrown, never reported.
    class Lookahead {
      public:
        explicit Lookahead(SourceParser& parser)
            : parser_(parser),
              recovery_(std::exchange(parser.recovery_, nullptr)),
              lexer_(parser.lexer_),
              token_(parser.tok_),
              ahead_(parser.ahead_),
              depth_(parser.depth_),
              indexDepth_(parser.indexDepth_),
              scratch_(parser.scratch_.size()) {}
        ~Lookahead() {
            parser_.recovery_ = recovery_;
            parser_.lexer_ = lexer_;
            parser_.tok_ = token_;
            parser_.ahead_ = ahead_;
            parser_.depth_ = depth_;
            parser_.indexDepth_ = indexDepth_;
            parser_.scratch_.resize(scratch_);
        }
        Lookahead(Lookahead const&) = delete;
        Lookahead& operator=(Lookahead const&) = delete;

      private:
        SourceParser& parser_;
        Recovery* const recovery_;
        BasicLexer<Unit> const lexer_;
        Token const token_;
        std::optional<Token> const ahead_;
        std::uint32_t const depth_;
        std::uint32_t const indexDepth_;
        std::size_t const scratch_;
    };

    // A DepthScope that enters one level at once: a bracket, block or function.
    class NestedLevel : public DepthScope {
      public:
        explicit NestedLevel(SourceParser& parser) : DepthScope(parser) { parser.enterLevel(); }
    };

    struct FunctionHeader {
        NodeList<Identifier> outputs;
        Identifier* name = nullptr;
        NodeList<InputArgument> inputs;
    };

    // Tokens. advance() is inline: it runs for every token, and the common
    // case, no token read ahead and no recovery, is one call of the lexer.
    void advance() {
        if (!ahead_ && recovery_ == nullptr) [[likely]] {
            lexer_.next(tok_);
        } else {
            advanceSlowPath();
        }
    }
    // advance() with a token read ahead or while recovering.
    void advanceSlowPath();
    Token const& peek();
    bool at(TokenKind kind) const { return tok_.kind == kind; }
    // At an identifier spelled `name` (ASCII).
    bool atIdentifier(std::string_view name) const;
    bool atStatementEnd() const;
    void skipSeparators();
    Text text(Token const& token) const { return lexer_.text(token); }

    // Errors.
    std::string describe(Token const& token) const;
    std::string location(std::uint32_t position) const;
    SyntaxError errorHere(char const* identifier, std::string const& text) const;
    [[noreturn]] void fail(char const* identifier, std::string const& text) const;
    [[noreturn]] void failExpected(std::string const& expected) const;
    void expect(TokenKind kind, char const* expected);
    void closeBracket(Token const& open);
    // Reads the `end` of the block opened by `keyword`. When recovering, a
    // missing `end` is reported; at a keyword that divides another kind of
    // block, the statements after it join `lastBody` (when given) up to the
    // `end`, and elsewhere the block ends there.
    void closeBlock(Token const& keyword, NodeList<Node>* lastBody = nullptr);
    void requireLineEnd(char const* after) const;
    // `end`, `else`, `case` and the like where no block is open.
    SyntaxError outsideBlockError() const;
    // Refuses `x.?ClassName` with the `?` current.
    void refuseClassPropertyArguments() const;
    void enterLevel();

    // Nodes and lists.
    template <class T, class... Args>
    T* make(NodeKind kind, std::uint32_t position, Args&&... args) {
        return factory_.create<T>(kind, position, std::forward<Args>(args)...);
    }
    // The tree's copy of `text`, in UTF-16.
    std::u16string_view intern(Text text) {
        if constexpr (std::is_same_v<Unit, char>) {
            return factory_.internAscii(text);
        } else {
            return factory_.intern(text);
        }
    }
    // Inline: one of these is made for every name read.
    Identifier* identifier(Token const& token) {
        return make<Identifier>(NodeKind::Identifier, token.position(), intern(text(token)));
    }
    FieldName* fieldName(Token const& token) {
        return make<FieldName>(NodeKind::FieldName, token.position(), intern(text(token)));
    }
    template <class T>
    NodeList<T> takeList(std::size_t mark);

    // Recovery (Parser.cpp), used only when recovering. report() leaves out
    // an error that follows from a lexical error already reported.
    // Reads a token; a lexical error is reported and its text becomes an
    // Invalid token.
    void lexRecovering(Token& token);
    void record(SyntaxError const& error);
    void report(SyntaxError const& error);
    // Throws `error`, or reports it when recovering.
    void raise(SyntaxError const& error);
    // Undoes what the broken statement begun at `mark` and `indexDepth` left
    // behind, reports `error` and skips to the end of the statement.
    void recoverFrom(SyntaxError const& error, std::size_t mark, std::uint32_t indexDepth);
    // Skips to the line break, `,` or `;` outside brackets that ends the
    // statement holding the current token; that separator is current then.
    void skipBrokenStatement();
    // Reads `header` (a block's condition, a function's signature); when it
    // has an error and the parser recovers, skips it, marks the header broken
    // and returns false, so that the block's body is still read.
    template <class Header>
    bool parseHeader(Header header);
    void parseStatementRecovering();
    // Puts the statements of the bodies of a block with a broken header where
    // the block would have gone.
    void spliceBodies(Node& block);
    // The statements that follow, up to the end of the list, join `body`.
    void extendBody(NodeList<Node>& body);

    // Files and functions (Parser.cpp).
    void parseFileFunctions(ProgramKind kind);
    // Null when the function's header is broken (recovering).
    FunctionDefinition* parseFunction();
    FunctionHeader parseFunctionHeader();
    Identifier* parseFunctionName();
    NodeList<InputArgument> parseParameterList();
    void parseFunctionBody(FunctionDefinition& function, Token const& keyword);
    void closeFunction(Token const& keyword);

    // Statements (StatementParser.cpp).
    void parseStatements();
    Node* parseStatement();
    Node* parseSimpleStatement();
    Node* makeAssignment(Expression* target);
    Node* parseCommandSyntax();
    Node* parseImport();
    NodeList<TextLiteral> parseCommandWords(std::uint32_t offset);
    Node* parseShellEscape();
    Node* parseIf();
    Node* parseWhile();
    Node* parseFor();
    Node* parseSpmd();
    Node* parseSwitch();
    Node* parseTry();
    Node* parseDeclaration(NodeKind kind);
    Node* parseJump(NodeKind kind);
    NodeList<Node> parseBlockBody();
    void finishStatement(Node* statement, bool displays);

    // Expressions (ExpressionParser.cpp).
    Expression* parseExpression();
    Expression* parseBinary(int minimumPrecedence);
    Expression* parsePrefixed(bool exponent);
    Expression* parsePostfix();
    Expression* parsePrimary();
    Expression* parseIndex(Expression* head);
    NodeList<Expression> parseBracketedList(bool arguments);
    Expression* parseArgument(TokenKind closer);
    Expression* parseArrayLiteral();
    Expression* parseHandle();
    Expression* parseDottedName();
    Expression* parseSuperclassMethodReference();
    Expression* parseTextLiteral();

    // Class files and argument blocks (ClassParser.cpp). A class, member
    // block or method whose header is broken is read to its end and
    // returned as null when recovering.
    ClassDefinition* parseClassDefinition();
    NodeList<Attribute> parseAttributes();
    Node* parsePropertiesBlock();
    Node* parseMethodsBlock();
    FunctionDefinition* parseMethod(bool abstract);
    bool methodOpensWithNestedFunction(Token const& keyword);
    bool endClosesMethodsBlock();
    Node* parseEventsBlock();
    Node* parseEnumerationBlock();
    NodeList<Node> parseArgumentsBlocks();
    Node* parseArgumentsBlock();
    Validation* parseValidation();
    NodeList<Attribute> parseBlockAttributes();
    template <class Member>
    void parseMembers(Token const& keyword, Member parseMember);
    template <class Block, class Member, class ParseMember>
    Block* parseMemberBlock(NodeKind kind, NodeList<Member> Block::*members,
                            ParseMember parseMember);
    Identifier* memberName(char const* expected);

    BasicLexer<Unit> lexer_;
    Token tok_;
    std::optional<Token> ahead_;
    AstNodeFactory& factory_;
    FunctionStyle style_;
    bool restarted_;
    Recovery* recovery_;
    // The header of a block of the statement being read is broken: the block
    // gives way to its bodies.
    bool headerBroken_ = false;
    // The first line break inside a matrix or cell array of the statement
    // being read (recovering only). When an error is found after it, the
    // matrix is taken as left open on its first line: the statement ends at
    // that line break, and the lines after it are read as statements.
    std::optional<Token> matrixLineBreak_;
    std::uint32_t depth_ = 0;
    // Open index brackets: `end` there is an index, elsewhere it closes a block.
    std::uint32_t indexDepth_ = 0;
    // The statement starts with `[`: the matrix may hold `~` placeholders of
    // a multiple assignment. The first placeholder's position, when made.
    bool placeholdersAllowed_ = false;
    std::optional<std::uint32_t> firstPlaceholder_;
    // Children of lists being built, innermost list last.
    std::vector<Node*> scratch_;
    // The text of the last literal with doubled quotes, kept to save
    // allocating for each one.
    std::basic_string<Unit> undoubledText_;
    // The lines of the source, made for the first message that names a line
    // and column: a recovering parse may write many.
    mutable std::optional<lf::util::LineInfo> lines_;
};

template <class Unit>
template <class Header>
bool SourceParser<Unit>::parseHeader(Header header) {
    if (recovery_ == nullptr) {
        header();
        return true;
    }
    std::size_t const mark = scratch_.size();
    std::uint32_t const indexDepth = indexDepth_;
    matrixLineBreak_.reset();
    try {
        header();
        return true;
    } catch (SyntaxError const& error) {
        recoverFrom(error, mark, indexDepth);
        headerBroken_ = true;
        return false;
    }
}

template <class Unit>
template <class T>
NodeList<T> SourceParser<Unit>::takeList(std::size_t mark) {
    auto const count = static_cast<std::uint32_t>(scratch_.size() - mark);
    if (count == 0) {
        return {};
    }
    T** items = factory_.allocator()->allocateArray<T>(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        items[i] = static_cast<T*>(scratch_[mark + i]);
    }
    scratch_.resize(mark);
    return {items, count};
}

}  // namespace lf::parser::detail
