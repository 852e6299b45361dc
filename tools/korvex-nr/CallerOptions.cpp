#include "tools/korvex-nr/CallerOptions.hpp"

#include <CLI/CLI.hpp>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <variant>

#include "foundation/i18n/MessageCatalog.hpp"
#include "foundation/text/Utf.hpp"
#include "front_end/import/ImportArgumentParser.hpp"
#include "front_end/import/ImportList.hpp"
#include "front_end/langutil/DottedIdentifier.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {

namespace {

constexpr std::array<std::pair<std::string_view, fe::nr::IdKind>, 5> kKindNames{{
    {"UNKNOWN", fe::nr::IdKind::UNKNOWN},
    {"VARIABLE", fe::nr::IdKind::VARIABLE},
    {"NESTED_FUNCTION", fe::nr::IdKind::NESTED_FUNCTION},
    {"LOCAL_FUNCTION", fe::nr::IdKind::LOCAL_FUNCTION},
    {"EXTERNAL", fe::nr::IdKind::EXTERNAL},
}};

std::string messageText(resource_core::BaseMsgID const& message) {
    return fl::text::toUtf8(
        fl::i18n::MessageCatalog(fl::i18n::QzLocale::global()).get_message(message));
}

std::uint32_t parseNumber(std::string_view text, std::string_view whole) {
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw InvocationError("--static '" + std::string(whole) + "': '" + std::string(text) +
                              "' is not an unsigned 32-bit number");
    }
    return value;
}

fe::nr::IdKind parseKind(std::string_view text, std::string_view whole) {
    for (auto const& [name, kind] : kKindNames) {
        if (text == name) {
            return kind;
        }
    }
    throw InvocationError("--static '" + std::string(whole) + "': unknown kind '" +
                          std::string(text) +
                          "' (UNKNOWN, VARIABLE, NESTED_FUNCTION, LOCAL_FUNCTION or EXTERNAL)");
}

std::string readListFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    std::error_code error;
    if (!in || std::filesystem::is_directory(path, error)) {
        throw InvocationError("cannot read the built-ins file '" + path + "'");
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\f\v";
    std::size_t const first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

}  // namespace

void CallerOptions::addTo(CLI::App& command) {
    CLI::Option_group* group =
        command.add_option_group("Caller", "What the program's caller knows");
    // Each occurrence of a repeatable option takes exactly one value.
    auto repeatable = [group](std::string const& names, std::vector<std::string>& values,
                              std::string const& description, std::string const& valueName) {
        group->add_option(names, values, description)
            ->type_name(valueName)
            ->allow_extra_args(false);
    };
    repeatable("-p,--path", path_, "search-path folder; repeat for more, searched in order", "DIR");
    repeatable("--external", externals_,
               "a plain or dotted name known to exist outside the program (repeatable)", "NAME");
    group->add_option("--builtins", builtinsFile_, "file of built-in names, one a line")
        ->type_name("FILE");
    repeatable("--external-package", externalPackages_,
               "a package whose every dotted name exists outside the program, such as a "
               "foreign-language bridge (repeatable)",
               "NAME");
    packageImportsOption_ = group->add_flag(
        "--package-imports,!--no-package-imports", packageImports_,
        "turn on package imports ('import pkg' imports the package pkg); --no-package-imports "
        "turns them off where a project file turns them on");
    repeatable("--workspace", workspace_,
               "a variable of the caller's workspace (repeatable; eval and section only)", "NAME");
    repeatable("--static", statics_,
               "what the caller knows statically about NAME, KIND one of UNKNOWN, VARIABLE, "
               "NESTED_FUNCTION, LOCAL_FUNCTION, EXTERNAL (repeatable; eval and section only)",
               "NAME=KIND[:INFO[:UNSETTLED]]");
    repeatable("--import", imports_,
               "an import argument in force in the caller's scope (repeatable; eval and section "
               "only)",
               "ARG");
}

CallerModel CallerOptions::model(std::u16string const& sourceName) const {
    CallerModel model;
    for (std::string const& folder : path_) {
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) {
            throw InvocationError("search-path folder '" + folder + "' is not a folder");
        }
        model.searchPath.emplace_back(folder);
    }
    model.privateFolder =
        std::filesystem::path(fl::text::toUtf8(sourceName)).parent_path() / "private";
    for (std::string const& name : externals_) {
        model.knownNames.push_back(validName(name, true, "--external"));
    }
    if (!builtinsFile_.empty()) {
        for (std::u16string& name : readBuiltinNames(builtinsFile_)) {
            model.knownNames.push_back(std::move(name));
        }
    }
    for (std::string const& name : externalPackages_) {
        model.externalPackages.push_back(validName(name, true, "--external-package"));
    }
    for (std::string const& name : workspace_) {
        model.workspaceVariables.push_back(validName(name, false, "--workspace"));
    }
    for (std::string const& text : statics_) {
        auto [name, data] = parseStaticAnswer(text);
        model.staticClassifications.insert_or_assign(std::move(name), data);
    }
    // Refuses bad import arguments now, whether or not the operation uses them.
    callerImports();
    return model;
}

bool CallerOptions::packageImportsGiven() const {
    return packageImportsOption_->count() > 0;
}

std::shared_ptr<lf::import::IImportList const> CallerOptions::callerImports() const {
    return buildImportList(imports_, packageImports_);
}

std::pair<std::u16string, fe::nr::ClassificationData> parseStaticAnswer(std::string_view text) {
    std::size_t const equals = text.find('=');
    if (equals == std::string_view::npos) {
        throw InvocationError("--static '" + std::string(text) +
                              "' is not of the form NAME=KIND[:INFO[:UNSETTLED]]");
    }
    std::u16string name = validName(text.substr(0, equals), false, "--static");
    std::vector<std::string_view> fields;
    std::string_view rest = text.substr(equals + 1);
    for (std::size_t colon = rest.find(':'); colon != std::string_view::npos;
         colon = rest.find(':')) {
        fields.push_back(rest.substr(0, colon));
        rest.remove_prefix(colon + 1);
    }
    fields.push_back(rest);
    if (fields.size() > 3) {
        throw InvocationError("--static '" + std::string(text) +
                              "' has more than KIND, INFO and UNSETTLED after '='");
    }
    fe::nr::ClassificationData data{parseKind(fields[0], text), 0, 0};
    if (fields.size() > 1) {
        data.info = parseNumber(fields[1], text);
    }
    if (fields.size() > 2) {
        data.unsettled = parseNumber(fields[2], text);
    }
    return {std::move(name), data};
}

std::u16string validName(std::string_view text, bool dotted, std::string const& what) {
    std::u16string name = fl::text::toUtf16(text);
    if (!lf::util::isValidDottedIdentifier(name) ||
        (!dotted && name.find(u'.') != std::u16string::npos)) {
        throw InvocationError(what + " '" + std::string(text) + "' is not a " +
                              (dotted ? "name or dotted name" : "name"));
    }
    return name;
}

std::vector<std::u16string> parseBuiltinNames(std::string_view content,
                                              std::string const& fileName) {
    std::vector<std::u16string> names;
    std::size_t lineNumber = 0;
    while (!content.empty()) {
        ++lineNumber;
        std::size_t const end = content.find('\n');
        std::string_view const line = trimmed(content.substr(0, end));
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        if (line.empty() || line.front() == '%') {
            continue;
        }
        names.push_back(
            validName(line, true, fileName + ":" + std::to_string(lineNumber) + ": built-in"));
    }
    return names;
}

std::vector<std::u16string> readBuiltinNames(std::string const& path) {
    return parseBuiltinNames(readListFile(path), path);
}

std::shared_ptr<lf::import::IImportList const> buildImportList(
    std::vector<std::string> const& arguments, bool packageImportsOn) {
    std::shared_ptr<lf::import::IImportList> list = lf::import::createImportList(nullptr);
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        std::string const& argument = arguments[index];
        lf::import::ImportEntry entry = lf::import::parseImportArgument(
            fl::text::toUtf16(argument), static_cast<std::uint32_t>(index), packageImportsOn);
        if (auto const* invalid = std::get_if<lf::import::InvalidImportEntry>(&entry)) {
            throw InvocationError("--import '" + argument +
                                  "': " + messageText(invalid->getMsgHolder().msgId()));
        }
        lf::import::ValidImportEntry valid = std::visit(
            [](auto const& alternative) -> lf::import::ValidImportEntry {
                if constexpr (std::is_same_v<std::decay_t<decltype(alternative)>,
                                             lf::import::InvalidImportEntry>) {
                    throw std::logic_error("an invalid import entry was handled above");
                } else {
                    return alternative;
                }
            },
            entry);
        if (auto refusal = list->add(std::move(valid))) {
            throw InvocationError("--import '" + argument + "': " + messageText(refusal->msgId()));
        }
    }
    return list;
}

}  // namespace korvex::tool
