#include "front_end/astapi/ParallelBlockWrapping.hpp"

#include <span>
#include <stdexcept>
#include <vector>

#include "front_end/astapi/AstRewriter.hpp"

namespace fe::astapi {

using namespace lf::astapi;

void wrapParallelBlock(Program& body, AstNodeFactory& factory) {
    AstRewriter rewriter(factory);
    auto* function = factory.create<FunctionDefinition>(NodeKind::Function, 0);
    function->implicitVariable = factory.createIdentifier(0, u"ans");
    function->name = factory.createIdentifier(0, kSyntheticParallelFunctionName);
    function->body = body.elements;
    Node* const wrapped[] = {function};
    rewriter.replaceAll(body.elements, std::span<Node* const>(wrapped));
}

void unwrapParallelBlock(Program& body, AstNodeFactory& factory) {
    FunctionDefinition* function =
        body.elements.empty() ? nullptr : nodeAs<FunctionDefinition>(body.elements[0]);
    if (function == nullptr) {
        throw std::invalid_argument("the body does not hold a wrapped parallel block");
    }
    body.setStaticImports(function->staticImports(), *factory.allocator());
    std::vector<Node*> const statements(function->body.begin(), function->body.end());
    AstRewriter(factory).replaceAll(body.elements, std::span<Node* const>(statements));
}

}  // namespace fe::astapi
