// The exported pieces of the symbol-table interface: the texts of
// classifications, as dumps and callers print them.

#include <cstddef>
#include <ostream>
#include <stdexcept>

#include "front_end/name_resolution/include/ISymbolTable.hpp"

namespace fe::nr {
namespace {

using lf::astapi::Identifier;

// The texts of the five kinds, then the package-imported form of EXTERNAL.
constexpr std::size_t kPackageImportedExternal = 5;
constexpr char const* kNarrowTexts[] = {"UNKNOWN",        "VARIABLE", "NESTED_FUNCTION",
                                        "LOCAL_FUNCTION", "EXTERNAL", "EXTERNAL(Package Imported)"};
constexpr char16_t const* kWideTexts[] = {u"UNKNOWN",         u"VARIABLE",
                                          u"NESTED_FUNCTION", u"LOCAL_FUNCTION",
                                          u"EXTERNAL",        u"EXTERNAL(Package Imported)"};

std::size_t textIndex(IdKind kind, Identifier const* introducer) {
    switch (kind) {
        case IdKind::UNKNOWN:
        case IdKind::VARIABLE:
        case IdKind::NESTED_FUNCTION:
        case IdKind::LOCAL_FUNCTION:
            return kind;
        case IdKind::EXTERNAL:
            if (introducer != nullptr && introducer->hasMark(lf::astapi::marks::kPackageImported)) {
                return kPackageImportedExternal;
            }
            return kind;
    }
    throw std::logic_error("Invalid identifier classification");
}

}  // namespace

ISymbolTable::~ISymbolTable() = default;

void dumpSymbolTable(ISymbolTable const*, std::ostream&) {}

bool ISymbolTable::Classification::operator==(Classification const& other) const {
    return kind == other.kind && introducer == other.introducer;
}

char const* ISymbolTable::Classification::toString(IdKind kind, Identifier const* introducer) {
    return kNarrowTexts[textIndex(kind, introducer)];
}

char16_t const* ISymbolTable::Classification::toUString(IdKind kind, Identifier const* introducer) {
    return kWideTexts[textIndex(kind, introducer)];
}

char const* ISymbolTable::Classification::toString() const {
    return toString(kind, introducer);
}

char16_t const* ISymbolTable::Classification::toUString() const {
    return toUString(kind, introducer);
}

}  // namespace fe::nr
