// Class definitions with their member blocks, and the argument blocks of
// functions.

#include <string>

#include "front_end/parser/SourceParser.hpp"

namespace lf::parser::detail {

// The members of a block up to its `end`; `parseMember` reads one member
// and refuses anything that cannot start one.
template <class Member>
void SourceParser::parseMembers(Token const& keyword, Member parseMember) {
    while (true) {
        skipSeparators();
        if (at(TokenKind::KwEnd)) {
            advance();
            return;
        }
        if (at(TokenKind::EndOfInput)) {
            closeBlock(keyword);
        }
        scratch_.push_back(parseMember());
    }
}

ClassDefinition* SourceParser::parseClassDefinition() {
    Token const keyword = tok_;
    DepthScope scope(*this);
    enterLevel();
    advance();
    auto* definition = make<ClassDefinition>(NodeKind::ClassDefinition, keyword.position());
    if (at(TokenKind::LeftParen)) {
        definition->attributes = parseAttributes();
    }
    if (!at(TokenKind::Identifier)) {
        failExpected("the class name");
    }
    definition->name = identifier(tok_);
    advance();
    if (at(TokenKind::Less)) {
        advance();
        std::size_t const mark = scratch_.size();
        scratch_.push_back(parseDottedName());
        while (at(TokenKind::Amp)) {
            advance();
            scratch_.push_back(parseDottedName());
        }
        definition->superclasses = takeList<Expression>(mark);
    }
    requireLineEnd("the class header");
    std::size_t const mark = scratch_.size();
    parseMembers(keyword, [this]() -> Node* {
        if (atIdentifier(u"properties")) {
            return parsePropertiesBlock();
        }
        if (atIdentifier(u"methods")) {
            return parseMethodsBlock();
        }
        if (atIdentifier(u"events")) {
            return parseEventsBlock();
        }
        if (atIdentifier(u"enumeration")) {
            return parseEnumerationBlock();
        }
        failExpected("'properties', 'methods', 'events', 'enumeration' or 'end' in the class body");
    });
    definition->memberBlocks = takeList<Node>(mark);
    return definition;
}

// `(Name, Name = value, ...)` after `classdef` or a block keyword.
NodeList<Attribute> SourceParser::parseAttributes() {
    Token const open = tok_;
    advance();
    std::size_t const mark = scratch_.size();
    while (true) {
        if (!at(TokenKind::Identifier)) {
            failExpected("an attribute name");
        }
        auto* attribute = make<Attribute>(NodeKind::Attribute, tok_.position());
        attribute->name = fieldName(tok_);
        advance();
        if (at(TokenKind::Assign)) {
            advance();
            attribute->value = parseExpression();
        }
        scratch_.push_back(attribute);
        if (!at(TokenKind::Comma)) {
            break;
        }
        advance();
    }
    closeBracket(open);
    return takeList<Attribute>(mark);
}

// The optional attributes after a block keyword, which must end its line.
NodeList<Attribute> SourceParser::parseBlockAttributes() {
    NodeList<Attribute> attributes;
    if (at(TokenKind::LeftParen)) {
        attributes = parseAttributes();
    }
    requireLineEnd("the block header");
    return attributes;
}

Node* SourceParser::parsePropertiesBlock() {
    Token const keyword = tok_;
    DepthScope scope(*this);
    enterLevel();
    advance();
    auto* block = make<PropertiesBlock>(NodeKind::PropertiesBlock, keyword.position());
    block->attributes = parseBlockAttributes();
    std::size_t const mark = scratch_.size();
    parseMembers(keyword, [this]() -> Node* {
        if (!at(TokenKind::Identifier)) {
            failExpected("a property name or 'end'");
        }
        auto* member = make<PropertyMember>(NodeKind::PropertyMember, tok_.position());
        member->name = identifier(tok_);
        advance();
        member->validation = parseValidation();
        if (at(TokenKind::Assign)) {
            advance();
            member->defaultValue = parseExpression();
        }
        requireLineEnd("the property");
        return member;
    });
    block->members = takeList<PropertyMember>(mark);
    return block;
}

Node* SourceParser::parseMethodsBlock() {
    Token const keyword = tok_;
    DepthScope scope(*this);
    enterLevel();
    advance();
    auto* block = make<MethodsBlock>(NodeKind::MethodsBlock, keyword.position());
    block->attributes = parseBlockAttributes();
    bool abstract = false;
    for (Attribute const* attribute : block->attributes) {
        if (attribute->name->text == u"Abstract") {
            auto const* value = nodeAs<Identifier>(attribute->value);
            abstract =
                attribute->value == nullptr || (value != nullptr && value->name() == u"true");
        }
    }
    std::size_t const mark = scratch_.size();
    parseMembers(keyword, [this, abstract]() -> Node* {
        if (!at(TokenKind::KwFunction) && !at(TokenKind::Identifier) &&
            !at(TokenKind::LeftBracket)) {
            failExpected("a method or 'end' in the methods block");
        }
        return parseMethod(abstract);
    });
    block->methods = takeList<FunctionDefinition>(mark);
    return block;
}

// A method with a body, or a signature: a header line without `function`,
// every method of an abstract block, and elsewhere a `function` header
// followed by another method or by the block's end.
FunctionDefinition* SourceParser::parseMethod(bool abstract) {
    Token const keyword = tok_;
    DepthScope scope(*this);
    enterLevel();
    bool const bare = !at(TokenKind::KwFunction);
    if (!bare) {
        advance();
    }
    FunctionHeader const header = parseFunctionHeader();
    requireLineEnd("the method header");
    bool signature = abstract || bare;
    if (!signature) {
        skipSeparators();
        signature = at(TokenKind::KwFunction) || (at(TokenKind::KwEnd) && endClosesMethodsBlock());
    }
    auto* method = make<FunctionDefinition>(
        signature ? NodeKind::MethodSignature : NodeKind::MethodDefinition, keyword.position());
    method->name = header.name;
    method->inputs = header.inputs;
    method->outputs = header.outputs;
    if (signature) {
        method->implicitVariable = factory_.createIdentifier(kNoPosition, u"ans");
    } else {
        parseFunctionBody(*method, keyword);
    }
    return method;
}

// A method header is followed by `end`: does it close an empty method or
// the methods block? Counted from the tokens after it: the block's `end` is
// followed by another block or by the class's `end` and then the end of the
// file or local functions.
bool SourceParser::endClosesMethodsBlock() {
    Lexer const savedLexer = lexer_;
    Token const savedToken = tok_;
    std::optional<Token> const savedAhead = ahead_;
    advance();
    skipSeparators();
    bool closesBlock = !at(TokenKind::KwFunction);
    if (at(TokenKind::KwEnd)) {
        advance();
        skipSeparators();
        closesBlock = at(TokenKind::EndOfInput) || at(TokenKind::KwFunction);
    }
    lexer_ = savedLexer;
    tok_ = savedToken;
    ahead_ = savedAhead;
    return closesBlock;
}

Node* SourceParser::parseEventsBlock() {
    Token const keyword = tok_;
    DepthScope scope(*this);
    enterLevel();
    advance();
    auto* block = make<EventsBlock>(NodeKind::EventsBlock, keyword.position());
    block->attributes = parseBlockAttributes();
    std::size_t const mark = scratch_.size();
    parseMembers(keyword, [this]() -> Node* {
        if (!at(TokenKind::Identifier)) {
            failExpected("an event name or 'end'");
        }
        auto* member = make<EventMember>(NodeKind::EventMember, tok_.position());
        member->name = identifier(tok_);
        advance();
        requireLineEnd("the event name");
        return member;
    });
    block->members = takeList<EventMember>(mark);
    return block;
}

Node* SourceParser::parseEnumerationBlock() {
    Token const keyword = tok_;
    DepthScope scope(*this);
    enterLevel();
    advance();
    auto* block = make<EnumerationBlock>(NodeKind::EnumerationBlock, keyword.position());
    block->attributes = parseBlockAttributes();
    std::size_t const mark = scratch_.size();
    parseMembers(keyword, [this]() -> Node* {
        if (!at(TokenKind::Identifier)) {
            failExpected("an enumeration member or 'end'");
        }
        auto* member = make<EnumerationMember>(NodeKind::EnumerationMember, tok_.position());
        member->name = identifier(tok_);
        advance();
        if (at(TokenKind::LeftParen)) {
            Token const open = tok_;
            advance();
            std::size_t const argumentsMark = scratch_.size();
            while (!at(TokenKind::RightParen)) {
                scratch_.push_back(parseExpression());
                if (!at(TokenKind::Comma)) {
                    break;
                }
                advance();
            }
            closeBracket(open);
            member->arguments = takeList<Expression>(argumentsMark);
        }
        requireLineEnd("the enumeration member");
        return member;
    });
    block->members = takeList<EnumerationMember>(mark);
    return block;
}

// The `arguments` blocks that open a function body. `arguments` starts a
// block there when it ends its line or is followed by `(`.
NodeList<Node> SourceParser::parseArgumentsBlocks() {
    std::size_t const mark = scratch_.size();
    while (true) {
        skipSeparators();
        if (!atIdentifier(u"arguments")) {
            break;
        }
        TokenKind const next = peek().kind;
        if (next != TokenKind::Newline && next != TokenKind::Semicolon &&
            next != TokenKind::Comma && next != TokenKind::EndOfInput &&
            next != TokenKind::LeftParen) {
            break;
        }
        scratch_.push_back(parseArgumentsBlock());
    }
    return takeList<Node>(mark);
}

Node* SourceParser::parseArgumentsBlock() {
    Token const keyword = tok_;
    DepthScope scope(*this);
    enterLevel();
    advance();
    auto* block = make<ArgumentsBlock>(NodeKind::ArgumentsBlock, keyword.position());
    block->attributes = parseBlockAttributes();
    std::size_t const mark = scratch_.size();
    parseMembers(keyword, [this]() -> Node* {
        if (!at(TokenKind::Identifier)) {
            failExpected("an argument name or 'end'");
        }
        auto* declaration =
            make<ArgumentDeclaration>(NodeKind::ArgumentDeclaration, tok_.position());
        declaration->name = identifier(tok_);
        advance();
        std::size_t const pathMark = scratch_.size();
        while (at(TokenKind::Dot) && !tok_.spaceBefore) {
            advance();
            if (!at(TokenKind::Identifier)) {
                failExpected("a field name after '.'");
            }
            scratch_.push_back(fieldName(tok_));
            advance();
        }
        declaration->fieldPath = takeList<FieldName>(pathMark);
        declaration->validation = parseValidation();
        if (at(TokenKind::Assign)) {
            advance();
            declaration->defaultValue = parseExpression();
        }
        requireLineEnd("the argument declaration");
        return declaration;
    });
    block->declarations = takeList<ArgumentDeclaration>(mark);
    return block;
}

// `(dims) ClassName {validators}`, each part optional; null when none.
Validation* SourceParser::parseValidation() {
    if (!at(TokenKind::LeftParen) && !at(TokenKind::Identifier) && !at(TokenKind::LeftBrace)) {
        return nullptr;
    }
    auto* validation = make<Validation>(NodeKind::Validation, tok_.position());
    if (at(TokenKind::LeftParen)) {
        Token const open = tok_;
        advance();
        std::size_t const mark = scratch_.size();
        while (true) {
            scratch_.push_back(parseArgument(TokenKind::RightParen));
            if (!at(TokenKind::Comma)) {
                break;
            }
            advance();
        }
        closeBracket(open);
        validation->dimensions = takeList<Expression>(mark);
    }
    if (at(TokenKind::Identifier)) {
        validation->className = parseDottedName();
    }
    if (at(TokenKind::LeftBrace)) {
        Token const open = tok_;
        advance();
        std::size_t const mark = scratch_.size();
        while (!at(TokenKind::RightBrace)) {
            scratch_.push_back(parseExpression());
            if (!at(TokenKind::Comma)) {
                break;
            }
            advance();
        }
        closeBracket(open);
        validation->validators = takeList<Expression>(mark);
    }
    return validation;
}

}  // namespace lf::parser::detail
