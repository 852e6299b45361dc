#pragma once
// An import statement seen as its list of argument words.

#include <stdexcept>

#include "front_end/astapi/Nodes.hpp"

namespace lf::astapi {

class ImportCommandView {
  public:
    // Refuses any node that is not an import statement.
    explicit ImportCommandView(Node& node) : statement_(downcast(node)) {}

    ImportStatement& statement() const { return statement_; }
    std::uint32_t argumentCount() const { return statement_.arguments.size(); }
    TextLiteral& argument(std::uint32_t index) const { return *statement_.arguments[index]; }

  private:
    static ImportStatement& downcast(Node& node) {
        if (node.kind() != NodeKind::Import) {
            throw std::logic_error("ImportCommandView type is expected in the downcast argument.");
        }
        return static_cast<ImportStatement&>(node);
    }

    ImportStatement& statement_;
};

}  // namespace lf::astapi
