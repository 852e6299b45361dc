#pragma once
// The project file `korvex.toml`: what `korvex-nr check` knows about a code
// base without being told on the command line. Its `[check]` table holds the
// search path, built-ins files, external names and packages, the
// package-imports switch, the files to leave out and the diagnostics to
// silence. Folders and files in it are relative to the file's folder.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvex::tool {

inline constexpr char const* kProjectFileName = "korvex.toml";

// A value and where it was set: `korvex.toml:LINE` for a key of the file.
template <typename Value>
struct ConfigValue {
    Value value{};
    std::string origin;  // empty when the file does not set the key
};

struct ProjectConfig {
    std::filesystem::path file;
    ConfigValue<std::vector<std::filesystem::path>> path;
    ConfigValue<std::vector<std::filesystem::path>> builtins;
    ConfigValue<std::vector<std::string>> externals;
    ConfigValue<std::vector<std::string>> externalPackages;
    ConfigValue<std::optional<bool>> packageImports;
    ConfigValue<std::vector<std::string>> exclude;
    ConfigValue<std::vector<std::string>> disable;

    std::filesystem::path folder() const { return file.parent_path(); }
};

// The project file read from `text`; `file` is where it lives. A file that
// is not TOML, or whose `[check]` table holds an unknown key or a value of
// the wrong type, raises InvocationError naming the line and column.
ProjectConfig parseProjectConfig(std::string const& text, std::filesystem::path const& file);

// The nearest `korvex.toml` in the folder of `checkedPath` (the path itself
// when it is a folder) or in a folder above it, relative to the working
// folder when below it.
std::optional<std::filesystem::path> findProjectConfig(std::filesystem::path const& checkedPath);

// Whether the relative path `path` matches the glob `pattern`, or lies in a
// folder that does: `*` and `?` match within one path component, `**` as a
// whole component matches any number of components.
bool globMatches(std::string const& pattern, std::filesystem::path const& path);

}  // namespace korvex::tool
