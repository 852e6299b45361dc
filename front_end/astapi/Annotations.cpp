#include "front_end/astapi/Annotations.hpp"

#include "front_end/astapi/AstDispatcher.hpp"

namespace fe::astapi {
namespace {

using namespace lf::astapi;

class AnnotationCleaner : public AstDispatcher<AnnotationCleaner> {
  public:
    void visit(Identifier& identifier) {
        identifier.classify(IdKind::UNKNOWN, nullptr);
        identifier.setMarks(identifier.marks() & marks::kProducer);
    }
    void visit(TextLiteral& literal) { literal.linked = nullptr; }
    void visit(Program& program) { clearScope(program); }
    void visit(FunctionDefinition& function) { clearScope(function); }
    void visit(AnonymousFunction& function) { clearScope(function); }

  private:
    template <class Scope>
    void clearScope(Scope& scope) {
        scope.setSymbolTable(nullptr);
        scope.clearStaticImports();
        walkChildren(scope);
    }
};

}  // namespace

void clearNameResolutionAnnotations(Node& root) {
    AnnotationCleaner().dispatch(root);
}

}  // namespace fe::astapi
