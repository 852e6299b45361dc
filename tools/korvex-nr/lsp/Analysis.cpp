// One analysis per document version: the recovering parse, the resolution
// with the settings of check, then the walk that gathers names and imports.
// What parsed is resolved also when the text holds syntax errors, and the
// names are gathered also after a resolution error, for what was resolved
// before it.

#include "tools/korvex-nr/lsp/Analysis.hpp"

#include <algorithm>

#include "foundation/text/Utf.hpp"
#include "front_end/astapi/AstDispatcher.hpp"
#include "front_end/parser/Parser.hpp"

namespace korvex::lsp {

namespace {

using lf::astapi::IdKind;
using tool::IntroducerRole;
using tool::ResolvedName;

// The arguments of every `import`, where definition finds what brought an
// imported name in.
class ImportCollector
    : public fe::astapi::AstDispatcher<ImportCollector, fe::astapi::KorvexTree, fe::astapi::Const> {
  public:
    void visit(lf::astapi::ImportStatement const& statement) {
        for (lf::astapi::TextLiteral const* argument : statement.arguments) {
            imports.push_back({argument->position(), argument->text});
        }
    }

    std::vector<ImportSite> imports;
};

bool importCovers(std::u16string_view argument, std::u16string_view name) {
    if (argument == name) {
        return true;
    }
    if (!argument.ends_with(u".*")) {
        return false;
    }
    std::u16string_view const package = argument.substr(0, argument.size() - 1);
    return name.starts_with(package) &&
           name.substr(package.size()).find(u'.') == std::u16string_view::npos;
}

}  // namespace

ResolvedName const* Analysis::nameAt(std::size_t offset) const {
    auto const position = static_cast<std::uint32_t>(offset + 1);
    auto after = std::ranges::upper_bound(names, position, {}, &ResolvedName::position);
    if (after == names.begin()) {
        return nullptr;
    }
    ResolvedName const& candidate = *std::prev(after);
    return position <= candidate.position + candidate.length ? &candidate : nullptr;
}

ResolvedName const* Analysis::nameStartingAt(std::uint32_t position) const {
    auto const found = std::ranges::lower_bound(names, position, {}, &ResolvedName::position);
    return found != names.end() && found->position == position ? &*found : nullptr;
}

std::vector<ResolvedName const*> Analysis::sameMeaning(ResolvedName const& name) const {
    std::vector<ResolvedName const*> same;
    for (ResolvedName const& other : names) {
        bool const matches = isRenamable(name) ? other.introducer == name.introducer
                                               : other.kind == name.kind && other.name == name.name;
        if (matches) {
            same.push_back(&other);
        }
    }
    return same;
}

ImportSite const* Analysis::importOf(ResolvedName const& name) const {
    ImportSite const* found = nullptr;
    for (ImportSite const& site : imports) {
        if (site.position < name.position && importCovers(site.text, name.name)) {
            found = &site;
        }
    }
    return found;
}

std::shared_ptr<Analysis const> analyze(std::u16string const& text,
                                        std::filesystem::path const& file,
                                        AnalysisSettings const& settings) {
    auto analysis = std::make_shared<Analysis>();
    analysis->factory = std::make_unique<fe::astapi::AstNodeFactory>();
    tool::SourceText const source{fl::text::toUtf16(file.string()),
                                  std::make_shared<lf::util::LineInfo const>(text)};
    lf::parser::RecoveredParse const parsed = lf::parser::parseRecovering(text, *analysis->factory);
    for (lf::parser::SyntaxError const& error : parsed.errors) {
        analysis->diagnostics.push_back(tool::diagnosticAt(source, error.position(), "error",
                                                           error.what(), error.identifier()));
    }
    lf::astapi::Program& program = *parsed.program;
    tool::CallerModel model = settings.model;
    model.privateFolder = file.parent_path() / "private";
    tool::resolveChecked(program, *analysis->factory, source, std::move(model),
                         analysis->diagnostics);
    analysis->names = tool::collectResolvedNames(program, text);
    ImportCollector imports;
    imports.dispatch(program);
    analysis->imports = std::move(imports.imports);
    tool::filterDiagnostics(analysis->diagnostics, fl::text::toUtf8(text), source, settings.checks);
    return analysis;
}

bool isRenamable(ResolvedName const& name) {
    return name.introducer != 0 &&
           (name.kind == IdKind::VARIABLE || name.kind == IdKind::NESTED_FUNCTION ||
            name.kind == IdKind::LOCAL_FUNCTION);
}

void appendTokens(ResolvedName const& name, std::vector<NameToken>& tokens) {
    auto const add = [&tokens](std::uint32_t position, std::uint32_t length, TokenType type,
                               std::uint32_t modifierBits) {
        tokens.push_back({position, length, type, modifierBits});
    };
    std::uint32_t modifierBits = 0;
    if (isRenamable(name) && name.introducer == name.position) {
        modifierBits |= modifiers::kDeclaration;
    }
    switch (name.kind) {
        case IdKind::VARIABLE: {
            modifierBits |= name.shared ? modifiers::kShared : 0;
            modifierBits |= name.introducerRole == IntroducerRole::Global ? modifiers::kGlobal : 0;
            modifierBits |=
                name.introducerRole == IntroducerRole::Persistent ? modifiers::kPersistent : 0;
            TokenType const type = name.introducerRole == IntroducerRole::Parameter
                                       ? TokenType::Parameter
                                       : TokenType::Variable;
            return add(name.position, name.length, type, modifierBits);
        }
        case IdKind::NESTED_FUNCTION:
            return add(name.position, name.length, TokenType::NestedFunction, modifierBits);
        case IdKind::LOCAL_FUNCTION:
            return add(name.position, name.length, TokenType::LocalFunction, modifierBits);
        case IdKind::EXTERNAL: {
            std::size_t const lastDot = name.name.rfind(u'.');
            if (name.imported || lastDot == std::u16string_view::npos ||
                name.length != name.name.size()) {
                return add(name.position, name.length, TokenType::ExternalFunction,
                           name.imported ? modifiers::kImported : 0);
            }
            auto const prefix = static_cast<std::uint32_t>(lastDot);
            add(name.position, prefix, TokenType::Package, 0);
            return add(name.position + prefix + 1, name.length - prefix - 1,
                       TokenType::ExternalFunction, 0);
        }
        case IdKind::UNKNOWN:
            break;
    }
    if (name.introducerRole == IntroducerRole::FunctionName && name.introducer == 0) {
        return add(name.position, name.length, TokenType::Function, modifiers::kDeclaration);
    }
    add(name.position, name.length, TokenType::UnknownName, 0);
}

std::string describe(ResolvedName const& name) {
    std::string words;
    switch (name.kind) {
        case IdKind::VARIABLE:
            words = name.introducerRole == IntroducerRole::Parameter ? "parameter" : "variable";
            if (name.introducerRole == IntroducerRole::Global) {
                words = "global variable";
            } else if (name.introducerRole == IntroducerRole::Persistent) {
                words = "persistent variable";
            }
            if (name.shared) {
                words += ", shared with a nested function";
            }
            return words;
        case IdKind::NESTED_FUNCTION:
            return "nested function";
        case IdKind::LOCAL_FUNCTION:
            return "local function";
        case IdKind::EXTERNAL:
            return name.imported ? "external function or class, imported"
                                 : "external function or class";
        case IdKind::UNKNOWN:
            break;
    }
    return name.introducerRole == IntroducerRole::FunctionName && name.introducer == 0
               ? "function of this file"
               : "unknown name (neither a variable nor a function this file or the search path "
                 "defines)";
}

}  // namespace korvex::lsp
