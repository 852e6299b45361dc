#pragma once
// Turns the arguments of one `import` statement into import entries.
//
// Argument forms (a name is an ASCII letter followed by ASCII letters, digits
// and '_'):
//   p.q.f   two or more names joined by dots: FullyQualifiedImportEntry
//   p.q.*   one or more names, then ".*":      WildcardImportEntry
//   geom    a single name: PackageImportEntry when package imports are on,
//           otherwise an InvalidImportEntry that is a warning (ignored)
// Anything else is an InvalidImportEntry that is an error. docs/imports.md
// lists every message.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "front_end/astapi/ImportCommandView.hpp"
#include "front_end/import/ImportEntries.hpp"

namespace lf::import {

// How forgiving the parser is about a statement without arguments; the
// argument forms are the same for both.
enum class ImportParserBehaviour : std::uint32_t {
    // `import` alone gives no entries: it imports nothing.
    Lenient = 0,
    // `import` alone gives one error entry with argument index kNoArgument.
    // The name resolver parses with this behaviour.
    Strict = 2,
};

class IImportArgumentParser {
  public:
    virtual ~IImportArgumentParser() = default;

    // One entry per argument, in argument order (see ImportParserBehaviour
    // for a statement without arguments).
    virtual std::vector<ImportEntry> parse() const = 0;
};

// The parser reads the package-imports feature switch now, not when parsing.
// A behaviour value other than those listed is refused with
// std::invalid_argument.
std::unique_ptr<IImportArgumentParser> createImportArgumentParser(
    lf::astapi::ImportCommandView const& statement, ImportParserBehaviour behaviour);

// The entry for one argument written as `text`, for callers that hold import
// arguments outside a syntax tree (such as a command line).
ImportEntry parseImportArgument(std::u16string_view text, std::uint32_t argumentIndex,
                                bool packageImportsOn);

}  // namespace lf::import
