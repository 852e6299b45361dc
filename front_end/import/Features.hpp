#pragma once
// Process-wide switches of language features that are still optional.

namespace lf::features {

// Whether `import name` (a single name, no dots) imports the package `name`.
// Off by default. Safe to read and set from any thread; an import statement
// sees the value that holds when its argument parser is created.
bool isPackageImportsFeatureOn();
void setPackageImportsFeature(bool on);

}  // namespace lf::features
