#include "tools/korvex-nr/ProjectConfig.hpp"

#include <fnmatch.h>

#include <toml++/toml.h>
#include <span>

#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {

namespace {

namespace fs = std::filesystem;

std::string where(fs::path const& file, toml::source_region const& region) {
    return file.filename().string() + ":" + std::to_string(region.begin.line) + ":" +
           std::to_string(region.begin.column);
}

[[noreturn]] void refuse(fs::path const& file, toml::node const& node, std::string const& what) {
    throw InvocationError(file.string() + ":" + std::to_string(node.source().begin.line) + ":" +
                          std::to_string(node.source().begin.column) + ": " + what);
}

std::vector<std::string> stringList(fs::path const& file, std::string_view key,
                                    toml::node const& node) {
    toml::array const* array = node.as_array();
    if (array == nullptr) {
        refuse(file, node, "'" + std::string(key) + "' must be an array of strings");
    }
    std::vector<std::string> values;
    for (toml::node const& element : *array) {
        std::optional<std::string> text = element.value<std::string>();
        if (!text) {
            refuse(file, element, "'" + std::string(key) + "' must hold strings only");
        }
        values.push_back(std::move(*text));
    }
    return values;
}

template <typename Value>
void setFrom(ConfigValue<Value>& setting, Value value, fs::path const& file,
             toml::node const& node) {
    setting.value = std::move(value);
    setting.origin = where(file, node.source());
}

std::vector<fs::path> relativeTo(fs::path const& folder, std::vector<std::string> const& entries) {
    std::vector<fs::path> paths;
    for (std::string const& entry : entries) {
        fs::path path = (folder / entry).lexically_normal();
        // `lib/.` normalises to `lib/`; show it as `lib`.
        paths.push_back(path.has_filename() ? path : path.parent_path());
    }
    return paths;
}

bool componentsMatch(std::span<std::string const> pattern, std::span<std::string const> path) {
    if (pattern.empty()) {
        return path.empty();
    }
    if (pattern.front() == "**") {
        for (std::size_t skipped = 0; skipped <= path.size(); ++skipped) {
            if (componentsMatch(pattern.subspan(1), path.subspan(skipped))) {
                return true;
            }
        }
        return false;
    }
    return !path.empty() && fnmatch(pattern.front().c_str(), path.front().c_str(), 0) == 0 &&
           componentsMatch(pattern.subspan(1), path.subspan(1));
}

std::vector<std::string> components(fs::path const& path) {
    std::vector<std::string> parts;
    for (fs::path const& part : path) {
        if (!part.empty() && part != ".") {
            parts.push_back(part.string());
        }
    }
    return parts;
}

}  // namespace

ProjectConfig parseProjectConfig(std::string const& text, fs::path const& file) {
    toml::table document;
    try {
        document = toml::parse(text, file.string());
    } catch (toml::parse_error const& error) {
        throw InvocationError(file.string() + ":" + std::to_string(error.source().begin.line) +
                              ":" + std::to_string(error.source().begin.column) + ": " +
                              std::string(error.description()));
    }
    ProjectConfig config;
    config.file = file;
    toml::node const* check = document.get("check");
    if (check == nullptr) {
        return config;
    }
    if (!check->is_table()) {
        refuse(file, *check, "'check' must be a table");
    }
    fs::path const folder = file.parent_path();
    for (auto const& [key, node] : *check->as_table()) {
        std::string_view const name = key.str();
        if (name == "path") {
            setFrom(config.path, relativeTo(folder, stringList(file, name, node)), file, node);
        } else if (name == "builtins") {
            setFrom(config.builtins, relativeTo(folder, stringList(file, name, node)), file, node);
        } else if (name == "externals") {
            setFrom(config.externals, stringList(file, name, node), file, node);
        } else if (name == "external-packages") {
            setFrom(config.externalPackages, stringList(file, name, node), file, node);
        } else if (name == "exclude") {
            setFrom(config.exclude, stringList(file, name, node), file, node);
        } else if (name == "disable") {
            setFrom(config.disable, stringList(file, name, node), file, node);
        } else if (name == "package-imports") {
            std::optional<bool> on = node.value<bool>();
            if (!on || !node.is_boolean()) {
                refuse(file, node, "'package-imports' must be true or false");
            }
            setFrom(config.packageImports, on, file, node);
        } else {
            refuse(file, node,
                   "unknown key '" + std::string(name) +
                       "' in [check] (path, builtins, externals, external-packages, "
                       "package-imports, exclude, disable)");
        }
    }
    return config;
}

std::optional<fs::path> findProjectConfig(fs::path const& checkedPath) {
    std::error_code error;
    fs::path folder = fs::absolute(checkedPath, error).lexically_normal();
    if (!fs::is_directory(folder, error)) {
        folder = folder.parent_path();
    }
    for (;; folder = folder.parent_path()) {
        fs::path candidate = folder / kProjectFileName;
        if (fs::is_regular_file(candidate, error)) {
            return fs::proximate(candidate, error);
        }
        if (folder == folder.parent_path()) {
            return std::nullopt;
        }
    }
}

bool globMatches(std::string const& pattern, fs::path const& path) {
    std::vector<std::string> const patternParts = components(pattern);
    std::vector<std::string> const pathParts = components(path);
    for (std::size_t length = 1; length <= pathParts.size(); ++length) {
        if (componentsMatch(patternParts, std::span(pathParts).first(length))) {
            return true;
        }
    }
    return false;
}

}  // namespace korvex::tool
