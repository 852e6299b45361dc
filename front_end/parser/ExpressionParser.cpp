// Expressions: operators by precedence climbing, postfix chains, primaries,
// matrices and cell arrays with their white-space rules.

#include <array>
#include <optional>
#include <string>

#include "front_end/parser/SourceParser.hpp"

namespace lf::parser::detail {

namespace {

constexpr int kRangePrecedence = 6;

// Not an optional: a precedence of 0 marks a token that is no binary
// operator, which keeps the result in registers.
struct BinaryOperatorInfo {
    int precedence = 0;
    NodeKind kind = NodeKind::BinaryOperation;
    BinaryOperator op = BinaryOperator::Add;
};

// The binary operator a token of `kind` stands for, lowest precedence
// first: || && | & comparisons : +- and the multiplicative operators.
constexpr BinaryOperatorInfo binaryOperatorOfKind(TokenKind kind) {
    auto info = [](int precedence, NodeKind nodeKind, BinaryOperator op) {
        return BinaryOperatorInfo{precedence, nodeKind, op};
    };
    using K = NodeKind;
    using B = BinaryOperator;
    switch (kind) {
        case TokenKind::PipePipe:
            return info(1, K::ShortCircuitOperation, B::ShortCircuitOr);
        case TokenKind::AmpAmp:
            return info(2, K::ShortCircuitOperation, B::ShortCircuitAnd);
        case TokenKind::Pipe:
            return info(3, K::BinaryOperation, B::ElementOr);
        case TokenKind::Amp:
            return info(4, K::BinaryOperation, B::ElementAnd);
        case TokenKind::EqualEqual:
            return info(5, K::Comparison, B::Equal);
        case TokenKind::NotEqual:
            return info(5, K::Comparison, B::NotEqual);
        case TokenKind::Less:
            return info(5, K::Comparison, B::Less);
        case TokenKind::LessEqual:
            return info(5, K::Comparison, B::LessEqual);
        case TokenKind::Greater:
            return info(5, K::Comparison, B::Greater);
        case TokenKind::GreaterEqual:
            return info(5, K::Comparison, B::GreaterEqual);
        case TokenKind::Colon:
            return info(kRangePrecedence, K::Range, B::Add);
        case TokenKind::Plus:
            return info(7, K::BinaryOperation, B::Add);
        case TokenKind::Minus:
            return info(7, K::BinaryOperation, B::Subtract);
        case TokenKind::Star:
            return info(8, K::BinaryOperation, B::Multiply);
        case TokenKind::Slash:
            return info(8, K::BinaryOperation, B::Divide);
        case TokenKind::Backslash:
            return info(8, K::BinaryOperation, B::LeftDivide);
        case TokenKind::DotStar:
            return info(8, K::BinaryOperation, B::ElementMultiply);
        case TokenKind::DotSlash:
            return info(8, K::BinaryOperation, B::ElementDivide);
        case TokenKind::DotBackslash:
            return info(8, K::BinaryOperation, B::ElementLeftDivide);
        default:
            return {};
    }
}

// binaryOperatorOfKind by token kind: the parser asks after every operand,
// and a load costs less than the branches of the switch.
constexpr auto kBinaryOperators = [] {
    std::array<BinaryOperatorInfo, kTokenKindCount> table{};
    for (std::size_t kind = 0; kind < table.size(); ++kind) {
        table[kind] = binaryOperatorOfKind(static_cast<TokenKind>(kind));
    }
    return table;
}();

// The binary operator `token` stands for. Inside a matrix, `+` or `-` after
// white space and directly before an operand starts a new element instead
// (`[1 -2]`).
BinaryOperatorInfo binaryOperator(Token const& token) {
    if ((token.kind == TokenKind::Plus || token.kind == TokenKind::Minus) && token.inMatrix &&
        token.spaceBefore && !token.spaceAfter) {
        return {};
    }
    return kBinaryOperators[static_cast<std::size_t>(token.kind)];
}

std::optional<UnaryOperator> prefixOperator(TokenKind kind) {
    switch (kind) {
        case TokenKind::Minus:
            return UnaryOperator::Negate;
        case TokenKind::Plus:
            return UnaryOperator::Plus;
        case TokenKind::Tilde:
        case TokenKind::Bang:
            return UnaryOperator::Not;
        default:
            return std::nullopt;
    }
}

}  // namespace

template <class Unit>
Expression* SourceParser<Unit>::parseExpression() {
    return parseBinary(1);
}

// A chain of left-associative operators (`a + b + c`) is read in a loop and
// does not count as nesting: the parser does not recurse along it, and walks
// of the tree continue on a fresh stack when theirs runs low.
template <class Unit>
Expression* SourceParser<Unit>::parseBinary(int minimumPrecedence) {
    Expression* left = parsePrefixed(false);
    while (true) {
        BinaryOperatorInfo const info = binaryOperator(tok_);
        if (info.precedence < minimumPrecedence) {
            return left;
        }
        advance();
        if (info.precedence == kRangePrecedence) {
            auto* range = make<Range>(NodeKind::Range, left->position());
            range->start = left;
            range->stop = parseBinary(kRangePrecedence + 1);
            if (at(TokenKind::Colon)) {
                advance();
                range->step = range->stop;
                range->stop = parseBinary(kRangePrecedence + 1);
            }
            left = range;
            continue;
        }
        auto* operation = make<BinaryOperation>(info.kind, left->position(), info.op);
        operation->left = left;
        operation->right = parseBinary(info.precedence + 1);
        left = operation;
    }
}

// Prefix operators, then a power expression; in an exponent (`2^-1`) the
// operand is a postfix expression, so that `^` stays left associative. The
// powers are read here rather than one call further down: every operand
// passes through, and each level of calls costs time on each of them.
template <class Unit>
Expression* SourceParser<Unit>::parsePrefixed(bool exponent) {
    DepthScope scope(*this);
    UnaryOperation* outermost = nullptr;
    UnaryOperation* innermost = nullptr;
    while (std::optional<UnaryOperator> op = prefixOperator(tok_.kind)) {
        enterLevel();
        auto* operation = make<UnaryOperation>(NodeKind::UnaryOperation, tok_.position(), *op);
        if (innermost != nullptr) {
            innermost->operand = operation;
        } else {
            outermost = operation;
        }
        innermost = operation;
        advance();
    }
    Expression* operand = parsePostfix();
    while (!exponent && (at(TokenKind::Caret) || at(TokenKind::DotCaret))) {
        BinaryOperator const op =
            at(TokenKind::Caret) ? BinaryOperator::Power : BinaryOperator::ElementPower;
        advance();
        auto* power = make<BinaryOperation>(NodeKind::BinaryOperation, operand->position(), op);
        power->left = operand;
        power->right = parsePrefixed(true);
        operand = power;
    }
    if (innermost == nullptr) {
        return operand;
    }
    innermost->operand = operand;
    return outermost;
}

// Indexing, field references and transposes after a primary. Inside a
// matrix, `(` or `{` after white space starts a new element (`[f (1)]`).
template <class Unit>
Expression* SourceParser<Unit>::parsePostfix() {
    Expression* expression = parsePrimary();
    DepthScope scope(*this);
    while (true) {
        switch (tok_.kind) {
            case TokenKind::LeftParen:
            case TokenKind::LeftBrace:
                if (tok_.spaceBefore && tok_.inMatrix) {
                    return expression;
                }
                enterLevel();
                expression = parseIndex(expression);
                break;
            case TokenKind::Dot: {
                enterLevel();
                advance();
                refuseClassPropertyArguments();
                if (at(TokenKind::Identifier) && peek().kind == TokenKind::At &&
                    !peek().spaceBefore) {
                    // `obj.method@Superclass`: the method reference names the field.
                    auto* access = make<DynamicFieldAccess>(NodeKind::DynamicFieldAccess,
                                                            expression->position());
                    access->base = expression;
                    access->field = parseSuperclassMethodReference();
                    expression = access;
                    break;
                }
                if (at(TokenKind::LeftParen)) {
                    Token const open = tok_;
                    advance();
                    auto* access = make<DynamicFieldAccess>(NodeKind::DynamicFieldAccess,
                                                            expression->position());
                    access->base = expression;
                    access->field = parseExpression();
                    closeBracket(open);
                    expression = access;
                    break;
                }
                if (!at(TokenKind::Identifier)) {
                    failExpected("a field name or '(' after '.'");
                }
                auto* access = make<FieldAccess>(NodeKind::FieldAccess, expression->position());
                access->base = expression;
                access->field = fieldName(tok_);
                advance();
                expression = access;
                break;
            }
            case TokenKind::Transpose:
            case TokenKind::DotTranspose: {
                enterLevel();
                auto* transpose = make<PostfixOperation>(
                    NodeKind::PostfixOperation, expression->position(),
                    at(TokenKind::Transpose) ? PostfixOperator::ComplexTranspose
                                             : PostfixOperator::Transpose);
                transpose->operand = expression;
                advance();
                expression = transpose;
                break;
            }
            default:
                return expression;
        }
    }
}

template <class Unit>
Expression* SourceParser<Unit>::parseIndex(Expression* head) {
    NodeKind const kind = at(TokenKind::LeftParen) ? NodeKind::ParenIndex : NodeKind::BraceIndex;
    ++indexDepth_;
    NodeList<Expression> arguments = parseBracketedList(true);
    --indexDepth_;
    auto* index = make<Index>(kind, head->position());
    index->head = head;
    index->arguments = arguments;
    return index;
}

// `(a, b)` or `{a, b}`, from the opening bracket on; with `arguments`, an
// item may also be `:` or `Name=value`.
template <class Unit>
NodeList<Expression> SourceParser<Unit>::parseBracketedList(bool arguments) {
    Token const open = tok_;
    TokenKind const closer =
        open.kind == TokenKind::LeftParen ? TokenKind::RightParen : TokenKind::RightBrace;
    advance();
    std::size_t const mark = scratch_.size();
    if (!at(closer)) {
        while (true) {
            if (at(TokenKind::Newline) || at(TokenKind::EndOfInput)) {
                closeBracket(open);
            }
            scratch_.push_back(arguments ? parseArgument(closer) : parseExpression());
            if (!at(TokenKind::Comma)) {
                break;
            }
            advance();
        }
    }
    closeBracket(open);
    return takeList<Expression>(mark);
}

// One index or call argument: a whole-dimension `:`, `Name=value`, or an
// expression.
template <class Unit>
Expression* SourceParser<Unit>::parseArgument(TokenKind closer) {
    if (at(TokenKind::Colon)) {
        TokenKind const next = peek().kind;
        if (next == TokenKind::Comma || next == closer) {
            auto* colon = make<Colon>(NodeKind::Colon, tok_.position());
            advance();
            return colon;
        }
    }
    if (at(TokenKind::Identifier) && peek().kind == TokenKind::Assign) {
        auto* argument = make<NameValueArgument>(NodeKind::NameValueArgument, tok_.position());
        argument->name = fieldName(tok_);
        advance();
        advance();
        argument->value = parseExpression();
        return argument;
    }
    return parseExpression();
}

template <class Unit>
Expression* SourceParser<Unit>::parsePrimary() {
    switch (tok_.kind) {
        case TokenKind::Identifier: {
            // `@` right after the name is all that makes it a method
            // reference, so the character tells without reading a token ahead.
            if (lexer_.characterAfter(tok_) == u'@') {
                return parseSuperclassMethodReference();
            }
            Identifier* name = identifier(tok_);
            advance();
            return name;
        }
        case TokenKind::Number:
        case TokenKind::ImaginaryNumber: {
            auto* number = make<NumberLiteral>(
                at(TokenKind::Number) ? NodeKind::NumberLiteral : NodeKind::ImaginaryLiteral,
                tok_.position(), intern(text(tok_)));
            advance();
            return number;
        }
        case TokenKind::CharArray:
        case TokenKind::String:
            return parseTextLiteral();
        case TokenKind::LeftParen: {
            Token const open = tok_;
            NestedLevel level(*this);
            advance();
            if (at(TokenKind::Newline) || at(TokenKind::EndOfInput)) {
                closeBracket(open);
            }
            auto* parenthesized = make<Parenthesized>(NodeKind::Parenthesized, open.position());
            parenthesized->inner = parseExpression();
            closeBracket(open);
            return parenthesized;
        }
        case TokenKind::LeftBracket:
        case TokenKind::LeftBrace:
            return parseArrayLiteral();
        case TokenKind::At:
            return parseHandle();
        case TokenKind::Question: {
            Token const question = tok_;
            advance();
            if (!at(TokenKind::Identifier)) {
                failExpected("a class name after '?'");
            }
            std::basic_string<Unit> name(text(tok_));
            advance();
            while (at(TokenKind::Dot) && peek().kind == TokenKind::Identifier) {
                advance();
                name += '.';
                name += text(tok_);
                advance();
            }
            return make<MetaclassQuery>(NodeKind::MetaclassQuery, question.position(),
                                        intern(name));
        }
        case TokenKind::KwEnd:
            if (indexDepth_ > 0) {
                auto* end = make<EndInIndex>(NodeKind::EndInIndex, tok_.position());
                advance();
                return end;
            }
            fail(errors::kUnexpectedToken,
                 "expected an expression, found 'end' (outside an index, 'end' closes a block)");
        default:
            failExpected("an expression");
    }
}

// `method@Superclass`, from the method name on.
template <class Unit>
Expression* SourceParser<Unit>::parseSuperclassMethodReference() {
    auto* reference =
        make<SuperclassMethodReference>(NodeKind::SuperclassMethodReference, tok_.position());
    reference->method = fieldName(tok_);
    advance();
    advance();
    reference->superclass = parseDottedName();
    return reference;
}

// A character array or string without its quotes, doubled quotes undone.
template <class Unit>
Expression* SourceParser<Unit>::parseTextLiteral() {
    Text const quoted = text(tok_);
    Unit const quote = quoted.front();
    Text unquoted = quoted.substr(1, quoted.size() - 2);
    if (unquoted.find(quote) != Text::npos) {
        undoubledText_.clear();
        for (std::size_t i = 0; i < unquoted.size(); ++i) {
            undoubledText_.push_back(unquoted[i]);
            if (unquoted[i] == quote) {
                ++i;
            }
        }
        unquoted = undoubledText_;
    }
    auto* literal = make<TextLiteral>(
        at(TokenKind::CharArray) ? NodeKind::CharArrayLiteral : NodeKind::StringLiteral,
        tok_.position(), intern(unquoted));
    advance();
    return literal;
}

// `[...]` or `{...}`. Rows end at `;` or a line break; elements are
// separated by `,` or by white space (see the rules in parsePostfix and
// binaryOperator).
template <class Unit>
Expression* SourceParser<Unit>::parseArrayLiteral() {
    Token const open = tok_;
    bool const cell = open.kind == TokenKind::LeftBrace;
    TokenKind const closer = cell ? TokenKind::RightBrace : TokenKind::RightBracket;
    bool const placeholders = std::exchange(placeholdersAllowed_, false) && !cell;
    NestedLevel level(*this);
    advance();
    std::size_t const rowsMark = scratch_.size();
    std::size_t elementsMark = rowsMark;
    auto finishRow = [&] {
        if (scratch_.size() == elementsMark) {
            return;
        }
        std::uint32_t const position = scratch_[elementsMark]->position();
        NodeList<Expression> elements = takeList<Expression>(elementsMark);
        auto* row = make<MatrixRow>(NodeKind::MatrixRow, position);
        row->elements = elements;
        scratch_.push_back(row);
        elementsMark = scratch_.size();
    };
    bool afterElement = false;
    bool rowStart = true;
    // This literal holds the statement's first line break in a matrix.
    bool holdsLineBreak = false;
    while (!at(closer)) {
        if (at(TokenKind::Semicolon) || at(TokenKind::Newline)) {
            if (recovery_ != nullptr && at(TokenKind::Newline) && !matrixLineBreak_) {
                matrixLineBreak_ = tok_;
                holdsLineBreak = true;
            }
            finishRow();
            afterElement = false;
            rowStart = true;
            advance();
            continue;
        }
        if (at(TokenKind::Comma) && (afterElement || rowStart)) {
            // A comma separates elements; one at the start of a row is ignored.
            afterElement = false;
            rowStart = false;
            advance();
            continue;
        }
        if (at(TokenKind::EndOfInput) || at(TokenKind::RightParen) || at(TokenKind::RightBracket) ||
            at(TokenKind::RightBrace) || (afterElement && !tok_.spaceBefore)) {
            closeBracket(open);
        }
        if (placeholders && (at(TokenKind::Tilde) || at(TokenKind::Bang)) &&
            (peek().kind == TokenKind::Comma || peek().kind == TokenKind::RightBracket)) {
            firstPlaceholder_ = firstPlaceholder_.value_or(tok_.position());
            scratch_.push_back(make<Ignored>(NodeKind::Ignored, tok_.position()));
            advance();
        } else {
            scratch_.push_back(parseExpression());
        }
        afterElement = true;
        rowStart = false;
    }
    finishRow();
    advance();
    if (holdsLineBreak) {
        matrixLineBreak_.reset();  // closed: the lines were its rows
    }
    auto* literal =
        make<ArrayLiteral>(cell ? NodeKind::CellArray : NodeKind::Matrix, open.position());
    literal->rows = takeList<MatrixRow>(rowsMark);
    return literal;
}

// `@name`, `@p.q.f` (a function handle) or `@(x, y) body`.
template <class Unit>
Expression* SourceParser<Unit>::parseHandle() {
    Token const atSign = tok_;
    NestedLevel level(*this);
    advance();
    if (at(TokenKind::LeftParen)) {
        auto* function = make<AnonymousFunction>(NodeKind::AnonymousFunction, atSign.position());
        function->inputs = parseParameterList();
        if (at(TokenKind::Transpose) && !ahead_) {
            // The lexer took the quote after `)` for a transpose; an operand
            // starts here, so it opens a text: `@() 'name'`.
            lexer_.rescanOperandAt(tok_.begin);
            advance();
        }
        function->body = parseExpression();
        return function;
    }
    if (!at(TokenKind::Identifier)) {
        failExpected("a function name or '(' after '@'");
    }
    auto* handle = make<UnaryOperation>(NodeKind::UnaryOperation, atSign.position(),
                                        UnaryOperator::FunctionHandle);
    handle->operand = parseDottedName();
    return handle;
}

// `name` or `p.q.name` as a chain of field references.
template <class Unit>
Expression* SourceParser<Unit>::parseDottedName() {
    if (!at(TokenKind::Identifier)) {
        failExpected("a name");
    }
    Expression* name = identifier(tok_);
    advance();
    DepthScope scope(*this);
    while (at(TokenKind::Dot) && peek().kind == TokenKind::Identifier) {
        enterLevel();
        advance();
        auto* access = make<FieldAccess>(NodeKind::FieldAccess, name->position());
        access->base = name;
        access->field = fieldName(tok_);
        advance();
        name = access;
    }
    return name;
}

// The members that the other files of the parser call, for both kinds of
// source text.
#define KORVEX_EXPRESSION_PARSER_MEMBERS(Unit)                                            \
    template Expression* SourceParser<Unit>::parseExpression();                           \
    template NodeList<Expression> SourceParser<Unit>::parseBracketedList(bool arguments); \
    template Expression* SourceParser<Unit>::parseDottedName();

KORVEX_EXPRESSION_PARSER_MEMBERS(char16_t)
KORVEX_EXPRESSION_PARSER_MEMBERS(char)
#undef KORVEX_EXPRESSION_PARSER_MEMBERS

}  // namespace lf::parser::detail
