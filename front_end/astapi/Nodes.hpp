#pragma once
// The Korvex syntax tree.
//
// Nodes are plain records allocated in an AstNodeAllocator arena and created
// through AstNodeFactory. Every node starts with its source position and its
// kind byte; children are single links (possibly null) and NodeLists, always
// walked in the order in which a class lists them in `forEachField`. Nodes are
// trivially destructible (names and lists live in the arena too), so freeing
// the arena frees the tree. The only annotations a resolver writes are the
// classification fields of Identifier, the symbol-table and import-list slots
// of scopes, and the identifier linked from a text literal.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string_view>
#include <type_traits>

namespace fe::nr {
class ISymbolTable;
}
namespace lf::import {
class IImportList;
}

namespace lf::astapi {

class AstNodeAllocator;

enum class NodeKind : std::uint8_t {
#define KORVEX_NODE_KIND(number, name, cls) name = number,
#include "front_end/astapi/NodeKinds.def"
#undef KORVEX_NODE_KIND
};

inline constexpr std::uint8_t kLastNodeKind = 66;

// The position a node has when the source does not contain it.
inline constexpr std::uint32_t kNoPosition = 0xFFFFFFFFu;

// "Function" for kind 35, "NodeKind(0)" for a byte that names no kind.
char const* nodeKindName(NodeKind kind);
std::ostream& operator<<(std::ostream& out, NodeKind kind);

class Node {
  public:
    // Flag bits of a node.
    static constexpr std::uint8_t kDisplaysValue = 0x01;  // statement not ended by ';'

    std::uint32_t position() const { return position_; }
    NodeKind kind() const { return static_cast<NodeKind>(kindByte_); }
    std::uint8_t kindByte() const { return kindByte_; }
    std::uint8_t flags() const { return flags_; }
    void setFlags(std::uint8_t flags) { flags_ = flags; }
    bool displaysValue() const { return (flags_ & kDisplaysValue) != 0; }

    // Overwrites the kind byte. Only tests use it, to build malformed trees.
    void overwriteKindByteForTesting(std::uint8_t byte) { kindByte_ = byte; }

    // Node classes inherit this constructor; AstNodeFactory is the one
    // place that calls it.
    Node(NodeKind kind, std::uint32_t position)
        : position_(position), kindByte_(static_cast<std::uint8_t>(kind)) {}
    Node(Node const&) = delete;
    Node& operator=(Node const&) = delete;

  private:
    std::uint32_t position_;
    std::uint8_t kindByte_;
    std::uint8_t flags_ = 0;
};

// Every node that can stand where a value is expected.
class Expression : public Node {
  public:
    using Node::Node;
};

// An ordered list of children in the arena. Its length is fixed when it is
// built; AstRewriter replaces single elements or the whole list.
template <class T>
class NodeList {
  public:
    NodeList() = default;
    NodeList(T** items, std::uint32_t size) : items_(items), size_(size) {}

    std::uint32_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* operator[](std::uint32_t index) const { return items_[index]; }
    T*& slot(std::uint32_t index) { return items_[index]; }
    T* const* begin() const { return items_; }
    T* const* end() const { return items_ + size_; }

  private:
    T** items_ = nullptr;
    std::uint32_t size_ = 0;
};

// Customisation points of node classes; Identifier's holds the kinds a name
// can be classified as.
template <class T>
struct NodeCustomization;

class Identifier;
template <>
struct NodeCustomization<Identifier> {
    enum IdKind : std::uint32_t {
        UNKNOWN = 0,
        VARIABLE = 1,
        NESTED_FUNCTION = 2,
        LOCAL_FUNCTION = 3,
        EXTERNAL = 4,
    };
};
using IdKind = NodeCustomization<Identifier>::IdKind;

// Names whose meaning the language fixes; the codes are stable.
enum class SpecialName : std::uint8_t {
    None = 0,
    Varargin = 41,
    Varargout = 42,
};
// The special name `name` may be, for the names that start like one.
SpecialName getSpecialNameOfCandidate(std::u16string_view name);
// Inline, since every identifier made asks: almost every name is turned away
// by its length or its first unit without a call.
inline SpecialName getSpecialName(std::u16string_view name) {
    if (name.size() < 8 || name.front() != u'v') [[likely]] {
        return SpecialName::None;
    }
    return getSpecialNameOfCandidate(name);
}

// The byte of marks on an identifier.
namespace marks {
inline constexpr std::uint8_t kTargetModeBits = 0x03;
inline constexpr std::uint8_t kPartAssigned = 0x01;
inline constexpr std::uint8_t kWholeAssigned = 0x02;
inline constexpr std::uint8_t kForcedExternal = 0x04;
// Set by whatever produced the tree, never by the resolver, which only reads
// it: an assignment target carrying it that no table knows becomes UNKNOWN
// rather than a variable. Our parser does not set it; clearing annotations
// keeps it.
inline constexpr std::uint8_t kProducer = 0x08;
inline constexpr std::uint8_t kEnclosingLocalFunction = 0x10;
inline constexpr std::uint8_t kSharedVariable = 0x20;
inline constexpr std::uint8_t kCreatedByLoad = 0x40;
inline constexpr std::uint8_t kPackageImported = 0x80;
}  // namespace marks

class Identifier final : public Expression {
  public:
    static constexpr NodeKind kKind = NodeKind::Identifier;
    Identifier(NodeKind kind, std::uint32_t position, std::u16string_view name)
        : Expression(kind, position),
          specialName_(getSpecialName(name)),
          nameData_(name.data()),
          nameLength_(static_cast<std::uint32_t>(name.size())) {}

    std::u16string_view name() const { return {nameData_, nameLength_}; }
    SpecialName specialName() const { return specialName_; }

    IdKind idKind() const { return idKind_; }
    Identifier const* introducer() const { return introducer_; }
    void classify(IdKind kind, Identifier const* introducer) {
        idKind_ = kind;
        introducer_ = introducer;
    }

    std::uint8_t marks() const { return marks_; }
    bool hasMark(std::uint8_t mark) const { return (marks_ & mark) != 0; }
    void setMark(std::uint8_t mark) { marks_ |= mark; }
    void clearMark(std::uint8_t mark) { marks_ &= static_cast<std::uint8_t>(~mark); }
    void setMarks(std::uint8_t marks) { marks_ = marks; }

    // Writes the two target-mode bits, keeping the other marks.
    void setTargetMode(std::uint8_t mode) {
        marks_ = static_cast<std::uint8_t>((marks_ & ~marks::kTargetModeBits) |
                                           (mode & marks::kTargetModeBits));
    }

    template <class Self, class F>
    static void forEachField(Self&, F&&) {}

  private:
    // Identifiers are the most frequent node, so their fields are packed
    // into 32 bytes: the two bytes fill the padding after Node's fields, and
    // the name is split into its start and a 32-bit length (positions are
    // 32-bit too, so no source holds a longer name).
    std::uint8_t marks_ = 0;
    SpecialName specialName_;
    char16_t const* nameData_;
    std::uint32_t nameLength_;
    IdKind idKind_ = IdKind::UNKNOWN;
    Identifier const* introducer_ = nullptr;
};
static_assert(sizeof(Identifier) <= 32, "an Identifier fits in 32 bytes");

// Scopes that the resolver annotates with their symbol table.
class SymbolTableSlot {
  public:
    fe::nr::ISymbolTable* symbolTable() const { return symbolTable_; }
    void setSymbolTable(fe::nr::ISymbolTable* table) { symbolTable_ = table; }

  private:
    fe::nr::ISymbolTable* symbolTable_ = nullptr;
};

// Scopes that carry the import list in force for them. The allocator keeps
// the list alive as long as the tree.
class StaticImportsMixin {
  public:
    void setStaticImports(std::shared_ptr<lf::import::IImportList const> imports,
                          AstNodeAllocator& allocator);
    std::shared_ptr<lf::import::IImportList const> staticImports() const;
    void clearStaticImports() { holder_ = nullptr; }

  private:
    std::shared_ptr<lf::import::IImportList const>* holder_ = nullptr;
};

// ----------------------------------------------------------------- leaves

// Leaf nodes that carry nothing but their kind and position: `:` as a whole
// index, `end` inside an index, `~`, and `break`/`continue`/`return`.
#define KORVEX_EMPTY_NODE(Class, Base)                                         \
    class Class final : public Base {                                          \
      public:                                                                  \
        Class(NodeKind kind, std::uint32_t position) : Base(kind, position) {} \
        template <class Self, class F>                                         \
        static void forEachField(Self&, F&&) {}                                \
    };
KORVEX_EMPTY_NODE(Colon, Expression)
KORVEX_EMPTY_NODE(EndInIndex, Expression)
KORVEX_EMPTY_NODE(Ignored, Expression)
KORVEX_EMPTY_NODE(JumpStatement, Node)
#undef KORVEX_EMPTY_NODE

// Leaf nodes that carry one source text: numbers (kinds NumberLiteral and
// ImaginaryLiteral, text as written), field names, `?Name` queries and
// shell-escape lines (the text after `!`).
#define KORVEX_TEXT_LEAF(Class, Base)                                          \
    class Class final : public Base {                                          \
      public:                                                                  \
        Class(NodeKind kind, std::uint32_t position, std::u16string_view text) \
            : Base(kind, position), text(text) {}                              \
        template <class Self, class F>                                         \
        static void forEachField(Self&, F&&) {}                                \
        std::u16string_view text;                                              \
    };
KORVEX_TEXT_LEAF(NumberLiteral, Expression)
KORVEX_TEXT_LEAF(FieldName, Node)
KORVEX_TEXT_LEAF(MetaclassQuery, Expression)
KORVEX_TEXT_LEAF(ShellEscape, Node)
#undef KORVEX_TEXT_LEAF

// A character array 'it''s' or a string "x" (text without quotes, doubled
// quotes undone); also each word of a command-syntax or import statement.
// `linked` is the identifier the resolver made for what the text names (an
// imported name, a variable created by `load`): an annotation, not a child.
class TextLiteral final : public Expression {
  public:
    TextLiteral(NodeKind kind, std::uint32_t position, std::u16string_view text)
        : Expression(kind, position), text(text) {}
    template <class Self, class F>
    static void forEachField(Self&, F&&) {}

    std::u16string_view text;
    Identifier* linked = nullptr;
};

// ------------------------------------------------------------ expressions

enum class UnaryOperator : std::uint8_t {
    Negate = 1,          // -x
    Plus = 2,            // +x
    Not = 3,             // ~x and !x
    FunctionHandle = 6,  // @f, @p.q.f
};

enum class BinaryOperator : std::uint8_t {
    Add = 1,
    Subtract,
    Multiply,
    Divide,
    LeftDivide,
    ElementMultiply,
    ElementDivide,
    ElementLeftDivide,
    Power,
    ElementPower,
    ElementAnd,  // &
    ElementOr,   // |
    ShortCircuitAnd,
    ShortCircuitOr,
    Equal,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
};

enum class PostfixOperator : std::uint8_t {
    ComplexTranspose = 1,  // x'
    Transpose = 2,         // x.'
};

char const* operatorText(UnaryOperator op);
char const* operatorText(BinaryOperator op);
char const* operatorText(PostfixOperator op);

class UnaryOperation final : public Expression {
  public:
    UnaryOperation(NodeKind kind, std::uint32_t position, UnaryOperator op)
        : Expression(kind, position), op(op) {}
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.operand);
    }
    UnaryOperator op;
    Expression* operand = nullptr;
};

// Kinds BinaryOperation (arithmetic, element-wise logic), ShortCircuitOperation
// (&&, ||) and Comparison.
class BinaryOperation final : public Expression {
  public:
    BinaryOperation(NodeKind kind, std::uint32_t position, BinaryOperator op)
        : Expression(kind, position), op(op) {}
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.left);
        f(self.right);
    }
    BinaryOperator op;
    Expression* left = nullptr;
    Expression* right = nullptr;
};

class PostfixOperation final : public Expression {
  public:
    PostfixOperation(NodeKind kind, std::uint32_t position, PostfixOperator op)
        : Expression(kind, position), op(op) {}
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.operand);
    }
    PostfixOperator op;
    Expression* operand = nullptr;
};

// start:stop or start:step:stop; `step` is null in the first form.
class Range final : public Expression {
  public:
    using Expression::Expression;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.start);
        f(self.step);
        f(self.stop);
    }
    Expression* start = nullptr;
    Expression* step = nullptr;
    Expression* stop = nullptr;
};

// `x(...)` (kind ParenIndex, also a call) and `x{...}` (kind BraceIndex).
class Index final : public Expression {
  public:
    using Expression::Expression;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.head);
        f(self.arguments);
    }
    Expression* head = nullptr;
    NodeList<Expression> arguments;
};

// `x.f`: the field is a FieldName leaf, never an identifier.
class FieldAccess final : public Expression {
  public:
    using Expression::Expression;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.base);
        f(self.field);
    }
    Expression* base = nullptr;
    FieldName* field = nullptr;
};

// `x.(e)`.
class DynamicFieldAccess final : public Expression {
  public:
    using Expression::Expression;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.base);
        f(self.field);
    }
    Expression* base = nullptr;
    Expression* field = nullptr;
};

// `Name=value` inside the argument list of a call.
class NameValueArgument final : public Expression {
  public:
    using Expression::Expression;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.name);
        f(self.value);
    }
    FieldName* name = nullptr;
    Expression* value = nullptr;
};

class Parenthesized final : public Expression {
  public:
    using Expression::Expression;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.inner);
    }
    Expression* inner = nullptr;
};

// `method@Superclass`, as in `delete@handle(obj)`.
class SuperclassMethodReference final : public Expression {
  public:
    using Expression::Expression;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.method);
        f(self.superclass);
    }
    FieldName* method = nullptr;
    Expression* superclass = nullptr;
};

// One row of a matrix or cell array.
class MatrixRow final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.elements);
    }
    NodeList<Expression> elements;
};

// `[...]` (kind Matrix) and `{...}` (kind CellArray).
class ArrayLiteral final : public Expression {
  public:
    using Expression::Expression;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.rows);
    }
    NodeList<MatrixRow> rows;
};

// A parameter of a function or anonymous function: exactly one of the two
// links is set.
class InputArgument final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.identifier);
        f(self.ignored);
    }
    Identifier* identifier = nullptr;
    Ignored* ignored = nullptr;
};

// `@(x, y) body`.
class AnonymousFunction final : public Expression,
                                public SymbolTableSlot,
                                public StaticImportsMixin {
  public:
    using Expression::Expression;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.inputs);
        f(self.body);
    }
    NodeList<InputArgument> inputs;
    Expression* body = nullptr;
};

// A node kind defined outside the tree library. It answers its children by
// index; `child` returns null past the last one.
class ExtensionNode : public Expression {
  public:
    ExtensionNode(NodeKind kind, std::uint32_t position, std::uint32_t tag)
        : Expression(kind, position), tag_(tag) {}
    std::uint32_t tag() const { return tag_; }
    virtual Node* child(std::uint32_t index) const = 0;

    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        for (std::uint32_t i = 0;; ++i) {
            Node* node = self.child(i);
            if (node == nullptr) {
                return;
            }
            f(node);
        }
    }

  protected:
    ~ExtensionNode() = default;

  private:
    std::uint32_t tag_;
};

// ------------------------------------------------------------- statements

// `x = e`.
class Assignment final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.target);
        f(self.value);
    }
    Identifier* target = nullptr;
    Expression* value = nullptr;
};

// `x(i) = e`, `x{i} = e`, `x.f = e`, to any depth.
class IndexedAssignment final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.target);
        f(self.value);
    }
    Expression* target = nullptr;
    Expression* value = nullptr;
};

// `[a, b(i), ~] = e`.
class MultipleAssignment final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.targets);
        f(self.value);
    }
    NodeList<Expression> targets;
    Expression* value = nullptr;
};

// `name word word ...`. The parser never sets `output`.
class CommandSyntax final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.output);
        f(self.command);
        f(self.words);
    }
    Identifier* output = nullptr;
    Identifier* command = nullptr;
    NodeList<TextLiteral> words;
};

// `if`/`elseif`/`else`: one clause each; an `else` clause has no condition.
class IfClause final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.condition);
        f(self.body);
    }
    Expression* condition = nullptr;
    NodeList<Node> body;
};

class IfStatement final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.clauses);
    }
    NodeList<IfClause> clauses;
};

class WhileStatement final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.condition);
        f(self.body);
    }
    Expression* condition = nullptr;
    NodeList<Node> body;
};

// `case value` or, with no value, `otherwise`.
class SwitchCase final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.value);
        f(self.body);
    }
    Expression* value = nullptr;
    NodeList<Node> body;
};

class SwitchStatement final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.subject);
        f(self.cases);
    }
    Expression* subject = nullptr;
    NodeList<SwitchCase> cases;
};

class CatchClause final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.identifier);
        f(self.body);
    }
    Identifier* identifier = nullptr;
    NodeList<Node> body;
};

class TryStatement final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.body);
        f(self.catchClause);
    }
    NodeList<Node> body;
    CatchClause* catchClause = nullptr;
};

class ForStatement final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.variable);
        f(self.range);
        f(self.body);
    }
    Identifier* variable = nullptr;
    Expression* range = nullptr;
    NodeList<Node> body;
};

// `parfor (i = range, workers)`; `workers` is null when not given.
class ParforStatement final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.variable);
        f(self.range);
        f(self.body);
        f(self.workers);
    }
    Identifier* variable = nullptr;
    Expression* range = nullptr;
    NodeList<Node> body;
    Expression* workers = nullptr;
};

// `spmd (workers) ... end`; `workers` is null when not given.
class SpmdStatement final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.body);
        f(self.workers);
    }
    NodeList<Node> body;
    Expression* workers = nullptr;
};

// `global a b` (kind Global) and `persistent a b` (kind Persistent).
class Declaration final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.names);
    }
    NodeList<Identifier> names;
};

// `import a.b.*`: the words of the statement; the parser never sets `name`.
class ImportStatement final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.name);
        f(self.arguments);
    }
    Identifier* name = nullptr;
    NodeList<TextLiteral> arguments;
};

// The size, class and validator functions of a property or argument:
// `(1,:) double {mustBePositive}`.
class Validation final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.dimensions);
        f(self.className);
        f(self.validators);
    }
    NodeList<Expression> dimensions;
    Expression* className = nullptr;
    NodeList<Expression> validators;
};

// `Access = private` in a block's or class's attribute list.
class Attribute final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.name);
        f(self.value);
    }
    FieldName* name = nullptr;
    Expression* value = nullptr;
};

// One line of an `arguments` block: `x (1,1) double = 0` or `opts.Tol double`.
class ArgumentDeclaration final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.name);
        f(self.fieldPath);
        f(self.validation);
        f(self.defaultValue);
    }
    Identifier* name = nullptr;
    NodeList<FieldName> fieldPath;
    Validation* validation = nullptr;
    Expression* defaultValue = nullptr;
};

class ArgumentsBlock final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.attributes);
        f(self.declarations);
    }
    NodeList<Attribute> attributes;
    NodeList<ArgumentDeclaration> declarations;
};

// A function (kind Function), a method with a body (MethodDefinition) or a
// method signature without body (MethodSignature). `implicitVariable` is the
// function's "ans", with no source position. `secondStatements` holds the
// `arguments` blocks; nested functions stand in `body`.
class FunctionDefinition final : public Node, public SymbolTableSlot, public StaticImportsMixin {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.name);
        f(self.implicitVariable);
        f(self.inputs);
        f(self.outputs);
        f(self.body);
        f(self.secondStatements);
    }
    Identifier* name = nullptr;
    Identifier* implicitVariable = nullptr;
    NodeList<InputArgument> inputs;
    NodeList<Identifier> outputs;
    NodeList<Node> body;
    NodeList<Node> secondStatements;
};

// A block of class members (`properties`, `methods`, `events`,
// `enumeration`) with the block's attributes.
template <class Member>
class MemberBlock final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.attributes);
        f(self.members);
    }
    NodeList<Attribute> attributes;
    NodeList<Member> members;
};

class PropertyMember final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.name);
        f(self.validation);
        f(self.defaultValue);
    }
    Identifier* name = nullptr;
    Validation* validation = nullptr;
    Expression* defaultValue = nullptr;
};

class EventMember final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.name);
    }
    Identifier* name = nullptr;
};

// `Red (1, 0, 0)` in an enumeration block.
class EnumerationMember final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.name);
        f(self.arguments);
    }
    Identifier* name = nullptr;
    NodeList<Expression> arguments;
};

using PropertiesBlock = MemberBlock<PropertyMember>;
using MethodsBlock = MemberBlock<FunctionDefinition>;
using EventsBlock = MemberBlock<EventMember>;
using EnumerationBlock = MemberBlock<EnumerationMember>;

// `classdef (attributes) Name < Super1 & Super2`, then its member blocks.
class ClassDefinition final : public Node {
  public:
    using Node::Node;
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.attributes);
        f(self.name);
        f(self.superclasses);
        f(self.memberBlocks);
    }
    NodeList<Attribute> attributes;
    Identifier* name = nullptr;
    NodeList<Expression> superclasses;
    NodeList<Node> memberBlocks;
};

enum class ProgramKind : std::uint32_t {
    FunctionFile = 1,
    Script = 2,
    ClassFile = 4,
};

// A whole file, an eval text or a command-prompt section.
class Program final : public Node, public SymbolTableSlot, public StaticImportsMixin {
  public:
    Program(NodeKind kind, std::uint32_t position, ProgramKind programKind)
        : Node(kind, position), programKind(programKind) {}
    template <class Self, class F>
    static void forEachField(Self& self, F&& f) {
        f(self.elements);
    }
    ProgramKind programKind;
    NodeList<Node> elements;
};

// Whether `kind` is one that node class T stands for.
template <class T>
constexpr bool isKindOf(NodeKind kind) {
    switch (kind) {
#define KORVEX_NODE_KIND(number, name, cls) \
    case NodeKind::name:                    \
        return std::is_same_v<T, cls>;
#include "front_end/astapi/NodeKinds.def"
#undef KORVEX_NODE_KIND
    }
    return false;
}

// The node viewed as T when its kind is one of T's, otherwise null.
template <class T>
T* nodeAs(Node* node) {
    return node != nullptr && isKindOf<T>(node->kind()) ? static_cast<T*>(node) : nullptr;
}
template <class T>
T const* nodeAs(Node const* node) {
    return node != nullptr && isKindOf<T>(node->kind()) ? static_cast<T const*>(node) : nullptr;
}

}  // namespace lf::astapi

// The resolver layer reaches the tree through both namespaces.
namespace fe::astapi {
using namespace lf::astapi;
}
