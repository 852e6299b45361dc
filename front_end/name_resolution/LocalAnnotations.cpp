// After resolution without a caller, only what the program itself decides
// may stay on the tree: variables and local and nested functions. Everything
// else was answered by stand-ins for the caller and is cleared.

#include "front_end/name_resolution/LocalAnnotations.hpp"

#include "front_end/astapi/Annotations.hpp"
#include "front_end/astapi/AstDispatcher.hpp"

namespace fe::nr {
namespace {

using namespace lf::astapi;

class NonLocalAnnotationCleaner
    : public fe::astapi::AnnotatedAstVisitor<NonLocalAnnotationCleaner, fe::astapi::NonConst> {
  public:
    void visit(Identifier& identifier) {
        switch (identifier.idKind()) {
            case IdKind::VARIABLE:
            case IdKind::NESTED_FUNCTION:
            case IdKind::LOCAL_FUNCTION:
                return;
            default:
                fe::astapi::clearNameResolutionAnnotations(identifier);
        }
    }
};

}  // namespace

void clearNonLocalAnnotations(Node& root) {
    NonLocalAnnotationCleaner().dispatch(root);
}

}  // namespace fe::nr
