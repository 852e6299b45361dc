// Statements: control blocks, assignments, command syntax and the other
// statement forms of a body.

#include <string>

#include "front_end/parser/SourceParser.hpp"

namespace lf::parser::detail {

bool endsStatementList(TokenKind kind) {
    switch (kind) {
        case TokenKind::EndOfInput:
        case TokenKind::KwEnd:
        case TokenKind::KwElse:
        case TokenKind::KwElseif:
        case TokenKind::KwCase:
        case TokenKind::KwOtherwise:
        case TokenKind::KwCatch:
        case TokenKind::KwFunction:
            return true;
        default:
            return false;
    }
}

bool endsStatement(TokenKind kind) {
    return kind == TokenKind::Newline || kind == TokenKind::Comma || kind == TokenKind::Semicolon ||
           kind == TokenKind::EndOfInput;
}

bool dividesBlock(TokenKind kind) {
    return kind == TokenKind::KwElse || kind == TokenKind::KwElseif || kind == TokenKind::KwCase ||
           kind == TokenKind::KwOtherwise || kind == TokenKind::KwCatch;
}

// Statements up to the keyword or end of file that ends the body; the
// caller decides whether that keyword belongs to it.
template <class Unit>
void SourceParser<Unit>::parseStatements() {
    while (true) {
        skipSeparators();
        if (endsStatementList(tok_.kind)) {
            return;
        }
        if (recovery_ != nullptr) {
            parseStatementRecovering();
        } else {
            scratch_.push_back(parseStatement());
        }
    }
}

template <class Unit>
NodeList<Node> SourceParser<Unit>::parseBlockBody() {
    std::size_t const mark = scratch_.size();
    parseStatements();
    return takeList<Node>(mark);
}

template <class Unit>
Node* SourceParser<Unit>::parseStatement() {
    switch (tok_.kind) {
        case TokenKind::KwIf:
            return parseIf();
        case TokenKind::KwWhile:
            return parseWhile();
        case TokenKind::KwFor:
        case TokenKind::KwParfor:
            return parseFor();
        case TokenKind::KwSpmd:
            return parseSpmd();
        case TokenKind::KwSwitch:
            return parseSwitch();
        case TokenKind::KwTry:
            return parseTry();
        case TokenKind::KwGlobal:
            return parseDeclaration(NodeKind::Global);
        case TokenKind::KwPersistent:
            return parseDeclaration(NodeKind::Persistent);
        case TokenKind::KwBreak:
            return parseJump(NodeKind::Break);
        case TokenKind::KwContinue:
            return parseJump(NodeKind::Continue);
        case TokenKind::KwReturn:
            return parseJump(NodeKind::Return);
        case TokenKind::KwClassdef:
            fail(errors::kUnexpectedToken,
                 "found 'classdef' after other statements; a class definition must be the "
                 "first statement of its file");
        case TokenKind::Bang:
            return parseShellEscape();
        case TokenKind::Identifier:
            if (atIdentifier("import")) {
                if (Node* import = parseImport()) {
                    return import;
                }
            }
            if (lexer_.startsCommandSyntax(tok_.end)) {
                return parseCommandSyntax();
            }
            return parseSimpleStatement();
        default:
            return parseSimpleStatement();
    }
}

template <class Unit>
void SourceParser<Unit>::finishStatement(Node* statement, bool displays) {
    if (at(TokenKind::Semicolon)) {
        advance();
        return;
    }
    if (at(TokenKind::RightParen) || at(TokenKind::RightBracket) || at(TokenKind::RightBrace)) {
        fail(errors::kUnbalancedBracket, "found " + describe(tok_) + " with nothing open to close");
    }
    requireLineEnd("the statement");
    if (displays) {
        statement->setFlags(statement->flags() | Node::kDisplaysValue);
    }
    if (!at(TokenKind::EndOfInput)) {
        advance();
    }
}

// An expression statement or an assignment.
template <class Unit>
Node* SourceParser<Unit>::parseSimpleStatement() {
    placeholdersAllowed_ = at(TokenKind::LeftBracket);
    firstPlaceholder_.reset();
    Expression* expression = parseExpression();
    placeholdersAllowed_ = false;
    if (!at(TokenKind::Assign)) {
        if (firstPlaceholder_) {
            throw SyntaxError(errors::kMisplacedIgnoredOutput, *firstPlaceholder_,
                              "'~' stands for an ignored output only in the target list of "
                              "'[...] = ...'");
        }
        finishStatement(expression, true);
        return expression;
    }
    Node* assignment = makeAssignment(expression);
    advance();
    Expression* value = parseExpression();
    if (auto* single = nodeAs<Assignment>(assignment)) {
        single->value = value;
    } else if (auto* indexed = nodeAs<IndexedAssignment>(assignment)) {
        indexed->value = value;
    } else {
        static_cast<MultipleAssignment*>(assignment)->value = value;
    }
    finishStatement(assignment, true);
    return assignment;
}

namespace {

// `x`, `x(i)`, `x{i}`, `x.f`, `x.(e)` and chains of these starting at a name.
bool isIndexedTarget(Expression const* target) {
    while (true) {
        if (auto const* index = nodeAs<Index>(target)) {
            target = index->head;
        } else if (auto const* field = nodeAs<FieldAccess>(target)) {
            target = field->base;
        } else if (auto const* dynamic = nodeAs<DynamicFieldAccess>(target)) {
            target = dynamic->base;
        } else {
            return target->kind() == NodeKind::Identifier;
        }
    }
}

}  // namespace

template <class Unit>
Node* SourceParser<Unit>::makeAssignment(Expression* target) {
    std::uint32_t const position = target->position();
    if (auto* name = nodeAs<Identifier>(target)) {
        auto* assignment = make<Assignment>(NodeKind::Assignment, position);
        assignment->target = name;
        return assignment;
    }
    if (target->kind() != NodeKind::Matrix && isIndexedTarget(target)) {
        auto* assignment = make<IndexedAssignment>(NodeKind::IndexedAssignment, position);
        assignment->target = target;
        return assignment;
    }
    auto* matrix = nodeAs<ArrayLiteral>(target);
    if (matrix != nullptr && matrix->kind() == NodeKind::Matrix && matrix->rows.size() == 1) {
        bool valid = true;
        for (Expression* element : matrix->rows[0]->elements) {
            valid = valid && (element->kind() == NodeKind::Ignored || isIndexedTarget(element));
        }
        if (valid) {
            auto* assignment = make<MultipleAssignment>(NodeKind::MultipleAssignment, position);
            assignment->targets = matrix->rows[0]->elements;
            return assignment;
        }
    }
    throw SyntaxError(errors::kInvalidAssignmentTarget, position,
                      "cannot assign to this expression: the target of '=' must be a name, an "
                      "indexed or field reference starting with a name, or one row '[...]' of "
                      "them");
}

template <class Unit>
NodeList<TextLiteral> SourceParser<Unit>::parseCommandWords(std::uint32_t offset) {
    ahead_.reset();
    lexer_.restartAt(offset);
    std::size_t const mark = scratch_.size();
    while (auto word = lexer_.nextCommandWord()) {
        scratch_.push_back(
            make<TextLiteral>(NodeKind::CharArrayLiteral, word->begin + 1, intern(word->text)));
    }
    advance();
    return takeList<TextLiteral>(mark);
}

template <class Unit>
Node* SourceParser<Unit>::parseCommandSyntax() {
    Token const name = tok_;
    auto* command = make<CommandSyntax>(NodeKind::CommandSyntax, name.position());
    command->command = identifier(name);
    command->words = parseCommandWords(name.end);
    finishStatement(command, true);
    return command;
}

// `import` alone or followed by words; null when `import` is used as a name
// (`import = 1`, `import(...)`).
template <class Unit>
Node* SourceParser<Unit>::parseImport() {
    Token const keyword = tok_;
    bool const hasWords = lexer_.startsCommandSyntax(keyword.end);
    if (!hasWords && !endsStatement(peek().kind)) {
        return nullptr;
    }
    auto* import = make<ImportStatement>(NodeKind::Import, keyword.position());
    if (hasWords) {
        import->arguments = parseCommandWords(keyword.end);
    } else {
        advance();
    }
    finishStatement(import, false);
    return import;
}

// `!command text`: the rest of the line, handed to the shell.
template <class Unit>
Node* SourceParser<Unit>::parseShellEscape() {
    Token const bang = tok_;
    ahead_.reset();
    Text const command = lexer_.takeRestOfLine(bang.end);
    auto* escape = make<ShellEscape>(NodeKind::ShellEscape, bang.position(), intern(command));
    advance();
    finishStatement(escape, false);
    return escape;
}

template <class Unit>
Node* SourceParser<Unit>::parseIf() {
    Token const keyword = tok_;
    NestedLevel level(*this);
    auto* statement = make<IfStatement>(NodeKind::If, keyword.position());
    std::size_t const mark = scratch_.size();
    bool sawElse = false;
    do {
        Token const clauseKeyword = tok_;
        sawElse = clauseKeyword.kind == TokenKind::KwElse;
        advance();
        auto* clause = make<IfClause>(NodeKind::IfClause, clauseKeyword.position());
        if (!sawElse) {
            parseHeader([&] { clause->condition = parseExpression(); });
        }
        clause->body = parseBlockBody();
        scratch_.push_back(clause);
    } while (!sawElse && (at(TokenKind::KwElseif) || at(TokenKind::KwElse)));
    statement->clauses = takeList<IfClause>(mark);
    closeBlock(keyword, &statement->clauses[statement->clauses.size() - 1]->body);
    return statement;
}

template <class Unit>
Node* SourceParser<Unit>::parseWhile() {
    Token const keyword = tok_;
    NestedLevel level(*this);
    advance();
    auto* statement = make<WhileStatement>(NodeKind::While, keyword.position());
    parseHeader([&] { statement->condition = parseExpression(); });
    statement->body = parseBlockBody();
    closeBlock(keyword, &statement->body);
    return statement;
}

// `for i = range`, `for (i = range)`, `parfor i = range` and
// `parfor (i = range, workers)`.
template <class Unit>
Node* SourceParser<Unit>::parseFor() {
    Token const keyword = tok_;
    bool const parallel = keyword.kind == TokenKind::KwParfor;
    NestedLevel level(*this);
    advance();
    Identifier* variable = nullptr;
    Expression* range = nullptr;
    Expression* workers = nullptr;
    parseHeader([&] {
        std::optional<Token> open;
        if (at(TokenKind::LeftParen)) {
            open = tok_;
            advance();
        }
        if (!at(TokenKind::Identifier)) {
            failExpected("the loop variable");
        }
        variable = identifier(tok_);
        advance();
        expect(TokenKind::Assign, "'=' after the loop variable");
        range = parseExpression();
        if (parallel && open && at(TokenKind::Comma)) {
            advance();
            workers = parseExpression();
        }
        if (open) {
            closeBracket(*open);
        }
    });
    NodeList<Node> body = parseBlockBody();
    closeBlock(keyword, &body);
    if (parallel) {
        auto* statement = make<ParforStatement>(NodeKind::Parfor, keyword.position());
        statement->variable = variable;
        statement->range = range;
        statement->body = body;
        statement->workers = workers;
        return statement;
    }
    auto* statement = make<ForStatement>(NodeKind::For, keyword.position());
    statement->variable = variable;
    statement->range = range;
    statement->body = body;
    return statement;
}

template <class Unit>
Node* SourceParser<Unit>::parseSpmd() {
    Token const keyword = tok_;
    NestedLevel level(*this);
    advance();
    auto* statement = make<SpmdStatement>(NodeKind::Spmd, keyword.position());
    if (at(TokenKind::LeftParen)) {
        parseHeader([&] {
            Token const open = tok_;
            advance();
            statement->workers = parseExpression();
            closeBracket(open);
        });
    }
    statement->body = parseBlockBody();
    closeBlock(keyword, &statement->body);
    return statement;
}

template <class Unit>
Node* SourceParser<Unit>::parseSwitch() {
    Token const keyword = tok_;
    NestedLevel level(*this);
    advance();
    auto* statement = make<SwitchStatement>(NodeKind::Switch, keyword.position());
    parseHeader([&] { statement->subject = parseExpression(); });
    std::size_t const mark = scratch_.size();
    bool sawOtherwise = false;
    while (true) {
        skipSeparators();
        while (!sawOtherwise && (at(TokenKind::KwCase) || at(TokenKind::KwOtherwise))) {
            Token const caseKeyword = tok_;
            sawOtherwise = caseKeyword.kind == TokenKind::KwOtherwise;
            advance();
            auto* switchCase = make<SwitchCase>(NodeKind::SwitchCase, caseKeyword.position());
            if (!sawOtherwise) {
                parseHeader([&] { switchCase->value = parseExpression(); });
            }
            switchCase->body = parseBlockBody();
            scratch_.push_back(switchCase);
        }
        if (at(TokenKind::KwEnd) || at(TokenKind::EndOfInput) || at(TokenKind::KwFunction)) {
            break;
        }
        raise(errorHere(errors::kUnexpectedToken,
                        "expected " + std::string(sawOtherwise ? "" : "'case', 'otherwise' or ") +
                            "'end' in the 'switch' at " + location(keyword.position()) +
                            ", found " + describe(tok_)));
        // A keyword of another block is skipped with the rest of its
        // statement; the statements after it join the last case, or are
        // left out before the first.
        if (dividesBlock(tok_.kind)) {
            skipBrokenStatement();
        }
        if (scratch_.size() == mark) {
            parseStatements();
            scratch_.resize(mark);
        } else {
            extendBody(static_cast<SwitchCase*>(scratch_.back())->body);
        }
    }
    statement->cases = takeList<SwitchCase>(mark);
    closeBlock(keyword);
    return statement;
}

// `try ... catch err ... end`. A name alone on the `catch` line is the error
// variable; anything else there is the first statement of the catch body
// (`catch x = 0;`).
template <class Unit>
Node* SourceParser<Unit>::parseTry() {
    Token const keyword = tok_;
    NestedLevel level(*this);
    advance();
    auto* statement = make<TryStatement>(NodeKind::Try, keyword.position());
    statement->body = parseBlockBody();
    if (at(TokenKind::KwCatch)) {
        auto* clause = make<CatchClause>(NodeKind::CatchClause, tok_.position());
        advance();
        if (at(TokenKind::Identifier) && endsStatement(peek().kind)) {
            clause->identifier = identifier(tok_);
            advance();
        }
        clause->body = parseBlockBody();
        statement->catchClause = clause;
    }
    closeBlock(keyword, statement->catchClause != nullptr ? &statement->catchClause->body
                                                          : &statement->body);
    return statement;
}

// `global a b` and `persistent a b`.
template <class Unit>
Node* SourceParser<Unit>::parseDeclaration(NodeKind kind) {
    Token const keyword = tok_;
    advance();
    auto* declaration = make<Declaration>(kind, keyword.position());
    std::size_t const mark = scratch_.size();
    while (at(TokenKind::Identifier)) {
        scratch_.push_back(identifier(tok_));
        advance();
    }
    if (scratch_.size() == mark) {
        failExpected("a variable name after " + std::string(tokenSpelling(keyword.kind)));
    }
    declaration->names = takeList<Identifier>(mark);
    finishStatement(declaration, false);
    return declaration;
}

template <class Unit>
Node* SourceParser<Unit>::parseJump(NodeKind kind) {
    auto* jump = make<JumpStatement>(kind, tok_.position());
    advance();
    finishStatement(jump, false);
    return jump;
}

// The members that the other files of the parser call, for both kinds of
// source text.
#define KORVEX_STATEMENT_PARSER_MEMBERS(Unit)            \
    template void SourceParser<Unit>::parseStatements(); \
    template Node* SourceParser<Unit>::parseStatement();

KORVEX_STATEMENT_PARSER_MEMBERS(char16_t)
KORVEX_STATEMENT_PARSER_MEMBERS(char)
#undef KORVEX_STATEMENT_PARSER_MEMBERS

}  // namespace lf::parser::detail
