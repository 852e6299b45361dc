#include "fuzz/ResolveFuzzTarget.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "foundation/except/Exception.hpp"
#include "foundation/text/Utf.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/parser/Parser.hpp"
#include "front_end/util/FrontEndUserException.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tests/support/PredicateCallbacks.hpp"

namespace korvex::fuzz {
namespace {

// Names starting with `p` or `x` (and dotted names under them) are
// external, names starting with `w` are workspace variables, and names
// starting with `v`, `n`, `l`, `e` or `k` are known statically as a
// variable, a nested function, a local function, an external function and
// a package the caller imported: answers that reach every branch of the
// resolver.
bool startsWith(std::u16string_view name, char16_t first) {
    return !name.empty() && name.front() == first;
}

qzboost::optional<fe::nr::ClassificationData> staticAnswer(std::u16string_view name) {
    using lf::astapi::IdKind;
    switch (name.empty() ? u'\0' : name.front()) {
        case u'v':
            return fe::nr::ClassificationData{IdKind::VARIABLE, 0, 1};
        case u'n':
            return fe::nr::ClassificationData{IdKind::NESTED_FUNCTION, 0, 1};
        case u'l':
            return fe::nr::ClassificationData{IdKind::LOCAL_FUNCTION,
                                              static_cast<std::uint32_t>(name.size() % 2), 1};
        case u'e':
            return fe::nr::ClassificationData{IdKind::EXTERNAL, 0, 1};
        case u'k':
            return fe::nr::ClassificationData{IdKind::EXTERNAL, 0, 0};
        default:
            return qzboost::none;
    }
}

korvex::testing::PredicateCallbacks fuzzCaller() {
    return korvex::testing::PredicateCallbacks(
        [](std::u16string_view name) { return startsWith(name, u'p') || startsWith(name, u'x'); },
        [](std::u16string_view name) { return startsWith(name, u'w'); }, staticAnswer);
}

[[noreturn]] void defect(char const* what, std::string_view source) {
    std::fprintf(stderr, "defect: %s\n--- input ---\n%.*s\n--- end ---\n", what,
                 static_cast<int>(source.size()), source.data());
    std::abort();
}

// The tree of `text`, or null after a syntax error.
lf::astapi::Program* parseStrictly(std::u16string const& text, std::string_view,
                                   fe::astapi::AstNodeFactory& factory) {
    try {
        return lf::parser::parse(text, factory);
    } catch (lf::parser::SyntaxError const&) {
        return nullptr;
    }
}

// The tree a recovering parse leaves, which must agree with the strict
// parse: no error when that succeeds, else first the error it throws.
lf::astapi::Program* parseWithRecovery(std::u16string const& text, std::string_view source,
                                       fe::astapi::AstNodeFactory& factory) {
    lf::parser::RecoveredParse recovered = lf::parser::parseRecovering(text, factory);
    if (recovered.program == nullptr) {
        defect("the recovering parse left no tree", source);
    }
    fe::astapi::AstNodeFactory strictFactory;
    try {
        lf::parser::parse(text, strictFactory);
        if (!recovered.errors.empty()) {
            defect("the recovering parse found an error where the strict parse found none", source);
        }
    } catch (lf::parser::SyntaxError const& error) {
        if (recovered.errors.empty()) {
            defect("the recovering parse found no error where the strict parse found one", source);
        }
        if (std::ranges::none_of(recovered.errors, [&](lf::parser::SyntaxError const& found) {
                return found.position() == error.position() &&
                       std::string_view(found.what()) == error.what();
            })) {
            defect("the recovering parse missed the error of the strict parse", source);
        }
    }
    return recovered.program;
}

// Runs one resolution of what `parseText` makes of `text`; user errors are
// expected results, and so is the refusal of a class file by the full
// resolver.
template <class ParseText, class Resolve>
bool runResolution(std::u16string const& text, std::string_view source, ParseText parseText,
                   Resolve&& resolve) {
    fe::astapi::AstNodeFactory factory;
    lf::astapi::Program* program = parseText(text, source, factory);
    if (program == nullptr) {
        return false;
    }
    try {
        resolve(*program, factory);
    } catch (fe::util::IFrontEndUserException const& error) {
        try {
            error.raise(u"fuzz.kx", std::make_shared<lf::util::LineInfo const>(text));
        } catch (foundation::core::except::IMsgIDException const&) {
            // The message was composed: that is all a user error must do.
        }
    } catch (std::invalid_argument const& refusal) {
        if (program->programKind != lf::astapi::ProgramKind::ClassFile) {
            defect(refusal.what(), source);
        }
    } catch (std::exception const& error) {
        defect(error.what(), source);
    }
    fe::nr::getNameResolver().dumpClassifications(*program);
    return true;
}

}  // namespace

bool resolveArbitrarySource(std::uint8_t const* data, std::size_t size) {
    std::string_view source(reinterpret_cast<char const*>(data), size);
    std::u16string text = fl::text::toUtf16(source);
    fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
    auto resolveFully = [&](lf::astapi::Program& program, fe::astapi::AstNodeFactory& factory) {
        korvex::testing::PredicateCallbacks callbacks = fuzzCaller();
        fe::util::NullFrontEndWarningLog warnings;
        fe::nr::ResolutionTimer timer;
        resolver.resolveProgram(program, u"dir/fuzz.kx", warnings, factory, callbacks, &timer);
    };
    bool parsed = runResolution(text, source, parseStrictly, resolveFully);
    // What the language server resolves while the text has errors.
    runResolution(text, source, parseWithRecovery, resolveFully);
    runResolution(text, source, parseStrictly,
                  [&](lf::astapi::Program& program, fe::astapi::AstNodeFactory& factory) {
                      resolver.resolveProgramLocally(program, u"fuzz.kx", factory);
                  });
    // The same text as eval text in each context, and as a section.
    for (auto [staticWorkspace, evalContext] : {std::pair{true, 1u}, {false, 1u}, {false, 0u}}) {
        runResolution(text, source, parseStrictly,
                      [&](lf::astapi::Program& program, fe::astapi::AstNodeFactory& factory) {
                          korvex::testing::PredicateCallbacks callbacks = fuzzCaller();
                          fe::util::NullFrontEndWarningLog warnings;
                          fe::nr::ResolutionTimer timer;
                          resolver.resolveEvalBody(program, nullptr, staticWorkspace, evalContext,
                                                   warnings, factory, callbacks, &timer);
                      });
    }
    runResolution(text, source, parseStrictly,
                  [&](lf::astapi::Program& program, fe::astapi::AstNodeFactory& factory) {
                      korvex::testing::PredicateCallbacks callbacks = fuzzCaller();
                      fe::nr::ResolutionTimer timer;
                      resolver.resolveSection(program, nullptr, factory, callbacks, &timer);
                  });
    return parsed;
}

}  // namespace korvex::fuzz
