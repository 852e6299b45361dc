#include "tools/korvex-nr/CheckSettings.hpp"

#include <toml++/toml.h>
#include <algorithm>
#include <ostream>

#include "foundation/text/Utf.hpp"
#include "tools/korvex-nr/CallerOptions.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kCommandLine = "command line";

template <typename Entry, typename Given>
void addEntries(ConfigValue<std::vector<Entry>>& setting, std::vector<Given> const& given,
                bool first = false) {
    if (given.empty()) {
        return;
    }
    setting.value.insert(first ? setting.value.begin() : setting.value.end(), given.begin(),
                         given.end());
    setting.origin = setting.origin.empty() ? std::string(kCommandLine)
                                            : setting.origin + " and " + std::string(kCommandLine);
}

template <typename Entry>
void printList(std::ostream& out, std::string_view key,
               ConfigValue<std::vector<Entry>> const& setting) {
    toml::array array;
    for (Entry const& entry : setting.value) {
        if constexpr (std::is_same_v<Entry, fs::path>) {
            array.push_back(entry.string());
        } else {
            array.push_back(entry);
        }
    }
    out << key << " = " << array << "  # " << (setting.origin.empty() ? "default" : setting.origin)
        << '\n';
}

// Names a setting in errors: where the file set it, or else the option.
std::string origin(std::string const& setting, std::string_view option) {
    return setting.empty() ? std::string(option) : setting;
}

}  // namespace

void addCommandLine(ProjectConfig& settings, CallerOptions const& caller,
                    CheckCommandLine const& commandLine) {
    std::vector<fs::path> const folders(caller.searchPath().begin(), caller.searchPath().end());
    addEntries(settings.path, folders, true);
    if (!caller.builtinsFile().empty()) {
        addEntries(settings.builtins, std::vector<fs::path>{caller.builtinsFile()});
    }
    addEntries(settings.externals, caller.externals());
    addEntries(settings.externalPackages, caller.externalPackages());
    addEntries(settings.exclude, commandLine.exclude);
    addEntries(settings.disable, commandLine.disable);
    if (caller.packageImportsGiven()) {
        settings.packageImports = {caller.packageImports(), std::string(kCommandLine)};
    }
}

void printSettings(std::ostream& out, ProjectConfig const& settings) {
    out << "# project file: " << (settings.file.empty() ? "none" : settings.file.string()) << '\n'
        << "[check]\n";
    printList(out, "path", settings.path);
    printList(out, "builtins", settings.builtins);
    printList(out, "externals", settings.externals);
    printList(out, "external-packages", settings.externalPackages);
    out << "package-imports = "
        << (settings.packageImports.value.value_or(false) ? "true" : "false") << "  # "
        << (settings.packageImports.origin.empty() ? "default" : settings.packageImports.origin)
        << '\n';
    printList(out, "exclude", settings.exclude);
    printList(out, "disable", settings.disable);
}

CallerModel callerModel(ProjectConfig const& settings,
                        std::vector<std::string> const& checkedPaths) {
    CallerModel model;
    std::error_code error;
    for (fs::path const& folder : settings.path.value) {
        if (!fs::is_directory(folder, error)) {
            throw InvocationError(origin(settings.path.origin, "--path") +
                                  ": search-path folder '" + folder.string() + "' is not a folder");
        }
        model.searchPath.push_back(folder);
    }
    if (model.searchPath.empty() && !settings.file.empty()) {
        model.searchPath.push_back(settings.folder());
    }
    if (model.searchPath.empty()) {
        for (std::string const& path : checkedPaths) {
            if (fs::is_directory(path, error)) {
                model.searchPath.emplace_back(path);
            }
        }
    }
    for (fs::path const& file : settings.builtins.value) {
        std::vector<std::u16string> names;
        try {
            names = readBuiltinNames(file.string());
        } catch (InvocationError const& unreadable) {
            throw InvocationError(origin(settings.builtins.origin, "--builtins") + ": " +
                                  unreadable.what());
        }
        for (std::u16string& name : names) {
            model.knownNames.push_back(std::move(name));
        }
    }
    for (std::string const& name : settings.externals.value) {
        model.knownNames.push_back(
            validName(name, true, origin(settings.externals.origin, "--external") + ": external"));
    }
    for (std::string const& name : settings.externalPackages.value) {
        model.externalPackages.push_back(validName(
            name, true,
            origin(settings.externalPackages.origin, "--external-package") + ": external package"));
    }
    return model;
}

Exclusions::Exclusions(ProjectConfig const& settings, CheckCommandLine const& commandLine)
    : currentFolder_(fs::current_path()) {
    // The file's globs come first in the merged list; the rest are the
    // command line's.
    std::size_t const fromFile = settings.exclude.value.size() - commandLine.exclude.size();
    for (std::size_t index = 0; index < settings.exclude.value.size(); ++index) {
        fs::path const& base = index < fromFile ? settings.folder() : currentFolder_;
        globs_.push_back(
            {settings.exclude.value[index], (currentFolder_ / base).lexically_normal()});
    }
}

bool Exclusions::excludes(std::string_view source) const {
    if (globs_.empty()) {
        return false;
    }
    fs::path const absolute = (currentFolder_ / source).lexically_normal();
    return std::ranges::any_of(globs_, [&absolute](Glob const& glob) {
        fs::path const relative = absolute.lexically_relative(glob.base);
        return !relative.empty() && *relative.begin() != ".." &&
               globMatches(glob.pattern, relative);
    });
}

std::string_view shortIdentifier(std::string_view identifier) {
    constexpr std::string_view kPrefix = "KORVEX:";
    if (identifier.starts_with(kPrefix)) {
        identifier.remove_prefix(kPrefix.size());
    }
    return identifier;
}

}  // namespace korvex::tool
