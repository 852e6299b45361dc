#include "front_end/astapi/Nodes.hpp"

#include <ostream>

#include "foundation/text/Utf.hpp"
#include "front_end/astapi/AstNodeAllocator.hpp"

namespace lf::astapi {

char const* nodeKindName(NodeKind kind) {
    switch (kind) {
#define KORVEX_NODE_KIND(number, name, cls) \
    case NodeKind::name:                    \
        return #name;
#include "front_end/astapi/NodeKinds.def"
#undef KORVEX_NODE_KIND
    }
    return nullptr;
}

std::ostream& operator<<(std::ostream& out, NodeKind kind) {
    if (char const* name = nodeKindName(kind)) {
        return out << name;
    }
    return out << "NodeKind(" << static_cast<unsigned>(kind) << ")";
}

SpecialName getSpecialNameOfCandidate(std::u16string_view name) {
    using namespace std::string_view_literals;
    if (fl::text::sameUnits(name, u"varargin"sv)) {
        return SpecialName::Varargin;
    }
    if (fl::text::sameUnits(name, u"varargout"sv)) {
        return SpecialName::Varargout;
    }
    return SpecialName::None;
}

char const* operatorText(UnaryOperator op) {
    switch (op) {
        case UnaryOperator::Negate:
            return "-";
        case UnaryOperator::Plus:
            return "+";
        case UnaryOperator::Not:
            return "~";
        case UnaryOperator::FunctionHandle:
            return "@";
    }
    return "?";
}

char const* operatorText(BinaryOperator op) {
    switch (op) {
        case BinaryOperator::Add:
            return "+";
        case BinaryOperator::Subtract:
            return "-";
        case BinaryOperator::Multiply:
            return "*";
        case BinaryOperator::Divide:
            return "/";
        case BinaryOperator::LeftDivide:
            return "\\";
        case BinaryOperator::ElementMultiply:
            return ".*";
        case BinaryOperator::ElementDivide:
            return "./";
        case BinaryOperator::ElementLeftDivide:
            return ".\\";
        case BinaryOperator::Power:
            return "^";
        case BinaryOperator::ElementPower:
            return ".^";
        case BinaryOperator::ElementAnd:
            return "&";
        case BinaryOperator::ElementOr:
            return "|";
        case BinaryOperator::ShortCircuitAnd:
            return "&&";
        case BinaryOperator::ShortCircuitOr:
            return "||";
        case BinaryOperator::Equal:
            return "==";
        case BinaryOperator::NotEqual:
            return "~=";
        case BinaryOperator::Less:
            return "<";
        case BinaryOperator::LessEqual:
            return "<=";
        case BinaryOperator::Greater:
            return ">";
        case BinaryOperator::GreaterEqual:
            return ">=";
    }
    return "?";
}

char const* operatorText(PostfixOperator op) {
    switch (op) {
        case PostfixOperator::ComplexTranspose:
            return "'";
        case PostfixOperator::Transpose:
            return ".'";
    }
    return "?";
}

void StaticImportsMixin::setStaticImports(std::shared_ptr<lf::import::IImportList const> imports,
                                          AstNodeAllocator& allocator) {
    using Holder = std::shared_ptr<lf::import::IImportList const>;
    auto* holder =
        new (allocator.allocate(sizeof(Holder), alignof(Holder))) Holder(std::move(imports));
    allocator.addCleanup([holder] { holder->~Holder(); });
    holder_ = holder;
}

std::shared_ptr<lf::import::IImportList const> StaticImportsMixin::staticImports() const {
    return holder_ != nullptr ? *holder_ : nullptr;
}

}  // namespace lf::astapi
