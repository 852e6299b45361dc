#pragma once
// Names a package, as an `import` statement refers to it.

#include <string>
#include <utility>

namespace lf::import {

class PackageSpecifier {
  public:
    // `dottedName` is the package's full name, such as u"pkg.sub".
    explicit PackageSpecifier(std::u16string dottedName) : dottedName_(std::move(dottedName)) {}

    std::u16string const& dottedName() const { return dottedName_; }

    bool operator==(PackageSpecifier const&) const = default;

  private:
    std::u16string dottedName_;
};

}  // namespace lf::import
