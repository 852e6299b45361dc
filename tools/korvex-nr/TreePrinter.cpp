#include "tools/korvex-nr/TreePrinter.hpp"

#include <cstdio>
#include <ostream>
#include <span>
#include <string>

#include "foundation/text/Utf.hpp"
#include "front_end/astapi/AstDispatcher.hpp"

namespace korvex::tool {

namespace {

using namespace lf::astapi;

// Labels of the fields in field order; an empty label prints the field bare.
std::span<char const* const> fieldLabels(NodeKind kind) {
    static constexpr char const* kFunction[] = {"", "", "inputs", "outputs", "body", "arguments"};
    static constexpr char const* kInputsThenBody[] = {"inputs", ""};
    static constexpr char const* kRange[] = {"", "step", ""};
    static constexpr char const* kConditionThenBody[] = {"", "body"};
    static constexpr char const* kBodyThenClause[] = {"body", ""};
    static constexpr char const* kFor[] = {"", "", "body", "workers"};
    static constexpr char const* kSpmd[] = {"body", "workers"};
    static constexpr char const* kTargets[] = {"targets", ""};
    static constexpr char const* kValidation[] = {"dimensions", "class", "validators"};
    static constexpr char const* kArgument[] = {"", "", "", "default"};
    static constexpr char const* kProperty[] = {"", "", "default"};
    static constexpr char const* kClass[] = {"", "", "superclasses", ""};
    switch (kind) {
        case NodeKind::Function:
        case NodeKind::MethodSignature:
        case NodeKind::MethodDefinition:
            return kFunction;
        case NodeKind::AnonymousFunction:
            return kInputsThenBody;
        case NodeKind::Range:
            return kRange;
        case NodeKind::IfClause:
        case NodeKind::While:
        case NodeKind::SwitchCase:
        case NodeKind::CatchClause:
            return kConditionThenBody;
        case NodeKind::Try:
            return kBodyThenClause;
        case NodeKind::For:
        case NodeKind::Parfor:
            return kFor;
        case NodeKind::Spmd:
            return kSpmd;
        case NodeKind::MultipleAssignment:
            return kTargets;
        case NodeKind::Validation:
            return kValidation;
        case NodeKind::ArgumentDeclaration:
            return kArgument;
        case NodeKind::PropertyMember:
            return kProperty;
        case NodeKind::ClassDefinition:
            return kClass;
        default:
            return {};
    }
}

// A literal text in double quotes, with `"`, `\` and control characters
// escaped.
std::string quote(std::u16string_view text) {
    std::string out = "\"";
    for (char c : fl::text::toUtf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

char const* programKindName(ProgramKind kind) {
    switch (kind) {
        case ProgramKind::FunctionFile:
            return "function-file";
        case ProgramKind::Script:
            return "script";
        case ProgramKind::ClassFile:
            return "class-file";
    }
    return "unknown";
}

// The text shown after a node's position.
template <class T>
std::string nodeText(T const& node) {
    if constexpr (std::is_same_v<T, Identifier>) {
        return fl::text::toUtf8(node.name());
    } else if constexpr (std::is_same_v<T, NumberLiteral> || std::is_same_v<T, FieldName> ||
                         std::is_same_v<T, MetaclassQuery>) {
        return fl::text::toUtf8(node.text);
    } else if constexpr (std::is_same_v<T, TextLiteral> || std::is_same_v<T, ShellEscape>) {
        return quote(node.text);
    } else if constexpr (std::is_same_v<T, UnaryOperation> || std::is_same_v<T, BinaryOperation> ||
                         std::is_same_v<T, PostfixOperation>) {
        return operatorText(node.op);
    } else if constexpr (std::is_same_v<T, Program>) {
        return programKindName(node.programKind);
    } else {
        return {};
    }
}

class TreePrinter
    : public fe::astapi::AstDispatcher<TreePrinter, fe::astapi::KorvexTree, fe::astapi::Const> {
  public:
    TreePrinter(std::ostream& out, lf::util::LineInfo const& lines) : out_(out), lines_(lines) {}

    template <class T>
    void visit(T const& node) {
        printLine(node, nodeText(node));
        ++indent_;
        std::span<char const* const> const labels = fieldLabels(node.kind());
        std::size_t field = 0;
        T::forEachField(node, [&](auto const& child) {
            char const* label = field < labels.size() ? labels[field] : "";
            ++field;
            printField(child, label);
        });
        --indent_;
    }

  private:
    template <class S>
    void printField(S* const& child, char const* label) {
        if (child != nullptr) {
            label_ = label;
            dispatch(*child);
        }
    }

    template <class S>
    void printField(NodeList<S> const& list, char const* label) {
        if (list.empty()) {
            return;
        }
        bool const labelled = *label != '\0';
        if (labelled) {
            out_ << std::string(2 * indent_, ' ') << label << ":\n";
            ++indent_;
        }
        for (S const* element : list) {
            label_ = "";
            dispatch(*element);
        }
        if (labelled) {
            --indent_;
        }
    }

    void printLine(Node const& node, std::string const& text) {
        out_ << std::string(2 * indent_, ' ');
        if (*label_ != '\0') {
            out_ << label_ << ": ";
            label_ = "";
        }
        out_ << node.kind() << ' ';
        if (node.position() == kNoPosition) {
            out_ << '-';
        } else {
            auto const where = lines_.lineAndColumn(node.position());
            out_ << where.line << ':' << where.column;
        }
        if (!text.empty()) {
            out_ << ' ' << text;
        }
        if (node.displaysValue()) {
            out_ << " display";
        }
        out_ << '\n';
    }

    std::ostream& out_;
    lf::util::LineInfo const& lines_;
    std::size_t indent_ = 0;
    char const* label_ = "";
};

}  // namespace

void printTree(std::ostream& out, Node const& root, lf::util::LineInfo const& lines) {
    TreePrinter(out, lines).dispatch(root);
}

}  // namespace korvex::tool
