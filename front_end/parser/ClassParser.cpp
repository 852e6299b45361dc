// Class definitions with their member blocks, and the argument blocks of
// functions.

#include <string>

#include "front_end/parser/SourceParser.hpp"

namespace lf::parser::detail {

// The members of a block up to its `end`; `parseMember` reads one member
// and refuses anything that cannot start one. When recovering, a member
// with an error is skipped to the end of its statement, and a member whose
// header is broken (null) is left out.
template <class Unit>
template <class Member>
void SourceParser<Unit>::parseMembers(Token const& keyword, Member parseMember) {
    while (true) {
        skipSeparators();
        if (at(TokenKind::KwEnd)) {
            advance();
            return;
        }
        if (at(TokenKind::EndOfInput)) {
            closeBlock(keyword);
            return;
        }
        if (recovery_ == nullptr) {
            scratch_.push_back(parseMember());
            continue;
        }
        std::size_t const mark = scratch_.size();
        std::uint32_t const indexDepth = indexDepth_;
        matrixLineBreak_.reset();
        try {
            if (Node* member = parseMember()) {
                scratch_.push_back(member);
            }
        } catch (SyntaxError const& error) {
            recoverFrom(error, mark, indexDepth);
        }
    }
}

template <class Unit>
ClassDefinition* SourceParser<Unit>::parseClassDefinition() {
    Token const keyword = tok_;
    NestedLevel level(*this);
    advance();
    auto* definition = make<ClassDefinition>(NodeKind::ClassDefinition, keyword.position());
    bool const intact = parseHeader([&] {
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
    });
    std::size_t const mark = scratch_.size();
    parseMembers(keyword, [this]() -> Node* {
        if (atIdentifier("properties")) {
            return parsePropertiesBlock();
        }
        if (atIdentifier("methods")) {
            return parseMethodsBlock();
        }
        if (atIdentifier("events")) {
            return parseEventsBlock();
        }
        if (atIdentifier("enumeration")) {
            return parseEnumerationBlock();
        }
        failExpected("'properties', 'methods', 'events', 'enumeration' or 'end' in the class body");
    });
    definition->memberBlocks = takeList<Node>(mark);
    return intact ? definition : nullptr;
}

// `(Name, Name = value, ...)` after `classdef` or a block keyword.
template <class Unit>
NodeList<Attribute> SourceParser<Unit>::parseAttributes() {
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
template <class Unit>
NodeList<Attribute> SourceParser<Unit>::parseBlockAttributes() {
    NodeList<Attribute> attributes;
    if (at(TokenKind::LeftParen)) {
        attributes = parseAttributes();
    }
    requireLineEnd("the block header");
    return attributes;
}

// `keyword (attributes)`, members up to `end`; `parseMember` reads one
// member of the block.
template <class Unit>
template <class Block, class Member, class ParseMember>
Block* SourceParser<Unit>::parseMemberBlock(NodeKind kind, NodeList<Member> Block::*members,
                                            ParseMember parseMember) {
    Token const keyword = tok_;
    NestedLevel level(*this);
    advance();
    auto* block = make<Block>(kind, keyword.position());
    bool const intact = parseHeader([&] { block->attributes = parseBlockAttributes(); });
    std::size_t const mark = scratch_.size();
    parseMembers(keyword, [&]() -> Node* { return parseMember(*block); });
    block->*members = takeList<Member>(mark);
    return intact ? block : nullptr;
}

template <class Unit>
Node* SourceParser<Unit>::parsePropertiesBlock() {
    return parseMemberBlock(
        NodeKind::PropertiesBlock, &PropertiesBlock::members, [this](PropertiesBlock&) {
            auto* member = make<PropertyMember>(NodeKind::PropertyMember, tok_.position());
            member->name = memberName("a property name or 'end'");
            member->validation = parseValidation();
            if (at(TokenKind::Assign)) {
                advance();
                member->defaultValue = parseExpression();
            }
            requireLineEnd("the property");
            return member;
        });
}

template <class Unit>
Node* SourceParser<Unit>::parseMethodsBlock() {
    return parseMemberBlock(NodeKind::MethodsBlock, &MethodsBlock::members,
                            [this](MethodsBlock& block) {
                                bool abstract = false;
                                for (Attribute const* attribute : block.attributes) {
                                    if (attribute->name->text == u"Abstract") {
                                        auto const* value = nodeAs<Identifier>(attribute->value);
                                        abstract = attribute->value == nullptr ||
                                                   (value != nullptr && value->name() == u"true");
                                    }
                                }
                                if (!at(TokenKind::KwFunction) && !at(TokenKind::Identifier) &&
                                    !at(TokenKind::LeftBracket)) {
                                    failExpected("a method or 'end' in the methods block");
                                }
                                return parseMethod(abstract);
                            });
}

template <class Unit>
Node* SourceParser<Unit>::parseEventsBlock() {
    return parseMemberBlock(NodeKind::EventsBlock, &EventsBlock::members, [this](EventsBlock&) {
        auto* member = make<EventMember>(NodeKind::EventMember, tok_.position());
        member->name = memberName("an event name or 'end'");
        requireLineEnd("the event name");
        return member;
    });
}

template <class Unit>
Node* SourceParser<Unit>::parseEnumerationBlock() {
    return parseMemberBlock(
        NodeKind::EnumerationBlock, &EnumerationBlock::members, [this](EnumerationBlock&) {
            auto* member = make<EnumerationMember>(NodeKind::EnumerationMember, tok_.position());
            member->name = memberName("an enumeration member or 'end'");
            if (at(TokenKind::LeftParen)) {
                member->arguments = parseBracketedList(false);
            }
            requireLineEnd("the enumeration member");
            return member;
        });
}

template <class Unit>
Node* SourceParser<Unit>::parseArgumentsBlock() {
    return parseMemberBlock(
        NodeKind::ArgumentsBlock, &ArgumentsBlock::declarations, [this](ArgumentsBlock&) {
            auto* declaration =
                make<ArgumentDeclaration>(NodeKind::ArgumentDeclaration, tok_.position());
            declaration->name = memberName("an argument name or 'end'");
            std::size_t const mark = scratch_.size();
            while (at(TokenKind::Dot) && !tok_.spaceBefore) {
                advance();
                refuseClassPropertyArguments();
                if (!at(TokenKind::Identifier)) {
                    failExpected("a field name after '.'");
                }
                scratch_.push_back(fieldName(tok_));
                advance();
            }
            declaration->fieldPath = takeList<FieldName>(mark);
            declaration->validation = parseValidation();
            if (at(TokenKind::Assign)) {
                advance();
                declaration->defaultValue = parseExpression();
            }
            requireLineEnd("the argument declaration");
            return declaration;
        });
}

// The name that starts a member; `expected` names what may stand here.
template <class Unit>
Identifier* SourceParser<Unit>::memberName(char const* expected) {
    if (!at(TokenKind::Identifier)) {
        failExpected(expected);
    }
    Identifier* name = identifier(tok_);
    advance();
    return name;
}

// A method with a body, or a signature: a header line without `function`,
// every method of an abstract block, and elsewhere a `function` header
// followed by another method or by the block's end.
template <class Unit>
FunctionDefinition* SourceParser<Unit>::parseMethod(bool abstract) {
    Token const keyword = tok_;
    NestedLevel level(*this);
    bool const bare = !at(TokenKind::KwFunction);
    if (!bare) {
        advance();
    }
    FunctionHeader header;
    bool const intact = parseHeader([&] {
        header = parseFunctionHeader();
        requireLineEnd("the method header");
    });
    bool signature = abstract || bare;
    if (!signature) {
        skipSeparators();
        signature = (at(TokenKind::KwFunction) && !methodOpensWithNestedFunction(keyword)) ||
                    (at(TokenKind::KwEnd) && endClosesMethodsBlock());
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
    return intact ? method : nullptr;
}

// A method header is followed by `function`: is that a function nested in
// the method, or the next method after a signature? Nested when the method
// reads as one with a body, after which comes another method or the end of
// the methods block.
template <class Unit>
bool SourceParser<Unit>::methodOpensWithNestedFunction(Token const& keyword) {
    Lookahead const lookahead(*this);
    try {
        auto* probe = make<FunctionDefinition>(NodeKind::MethodDefinition, keyword.position());
        parseFunctionBody(*probe, keyword);
    } catch (SyntaxError const&) {
        return false;
    }
    skipSeparators();
    return at(TokenKind::KwFunction) || at(TokenKind::Identifier) || at(TokenKind::LeftBracket) ||
           (at(TokenKind::KwEnd) && endClosesMethodsBlock());
}

// A method header is followed by `end`: does it close an empty method or
// the methods block? Counted from the tokens after it: the block's `end` is
// followed by another block or by the class's `end` and then the end of the
// file or local functions.
template <class Unit>
bool SourceParser<Unit>::endClosesMethodsBlock() {
    Lookahead const lookahead(*this);
    advance();
    skipSeparators();
    if (at(TokenKind::KwEnd)) {
        advance();
        skipSeparators();
        return at(TokenKind::EndOfInput) || at(TokenKind::KwFunction);
    }
    return atIdentifier("properties") || atIdentifier("methods") || atIdentifier("events") ||
           atIdentifier("enumeration");
}

// The `arguments` blocks that open a function body. `arguments` starts a
// block there when it ends its line or is followed by `(`.
template <class Unit>
NodeList<Node> SourceParser<Unit>::parseArgumentsBlocks() {
    std::size_t const mark = scratch_.size();
    while (true) {
        skipSeparators();
        if (!atIdentifier("arguments")) {
            break;
        }
        TokenKind const next = peek().kind;
        if (!endsStatement(next) && next != TokenKind::LeftParen) {
            break;
        }
        if (Node* block = parseArgumentsBlock()) {
            scratch_.push_back(block);
        }
    }
    return takeList<Node>(mark);
}

// `(dims) ClassName {validators}`, each part optional; null when none.
template <class Unit>
Validation* SourceParser<Unit>::parseValidation() {
    if (!at(TokenKind::LeftParen) && !at(TokenKind::Identifier) && !at(TokenKind::LeftBrace)) {
        return nullptr;
    }
    auto* validation = make<Validation>(NodeKind::Validation, tok_.position());
    if (at(TokenKind::LeftParen)) {
        validation->dimensions = parseBracketedList(true);
    }
    if (at(TokenKind::Identifier)) {
        validation->className = parseDottedName();
    }
    if (at(TokenKind::LeftBrace)) {
        validation->validators = parseBracketedList(false);
    }
    return validation;
}

// The members that the other files of the parser call, for both kinds of
// source text.
#define KORVEX_CLASS_PARSER_MEMBERS(Unit)                                 \
    template ClassDefinition* SourceParser<Unit>::parseClassDefinition(); \
    template NodeList<Node> SourceParser<Unit>::parseArgumentsBlocks();

KORVEX_CLASS_PARSER_MEMBERS(char16_t)
KORVEX_CLASS_PARSER_MEMBERS(char)
#undef KORVEX_CLASS_PARSER_MEMBERS

}  // namespace lf::parser::detail
