#pragma once
// The settings `korvex-nr check` works with: the project file's, with the
// command line's added or put in their place, each remembering where it was
// set.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "tools/korvex-nr/ProjectConfig.hpp"
#include "tools/korvex-nr/SearchPathCallbacks.hpp"

namespace korvex::tool {

class CallerOptions;

// What the command line says besides the caller options.
struct CheckCommandLine {
    std::vector<std::string> exclude;
    std::vector<std::string> disable;
};

// `settings` (the project file's, or empty ones) with the command line's
// values: lists grow by the command line's entries (search-path folders
// given with -p come first), the package-imports switch of the command line
// wins.
void addCommandLine(ProjectConfig& settings, CallerOptions const& caller,
                    CheckCommandLine const& commandLine);

// The settings as a `[check]` table, each key followed by a comment saying
// where it was set.
void printSettings(std::ostream& out, ProjectConfig const& settings);

// The caller model of `settings`. When no search path is set, the project
// file's folder is the search path, or without a file the folders among
// `checkedPaths`. Missing folders and files and invalid names raise
// InvocationError.
CallerModel callerModel(ProjectConfig const& settings,
                        std::vector<std::string> const& checkedPaths);

// Whether `source` is left out by an exclude glob. The project file's globs
// are relative to its folder, the command line's to the working folder.
class Exclusions {
  public:
    Exclusions(ProjectConfig const& settings, CheckCommandLine const& commandLine);
    bool excludes(std::string_view source) const;

  private:
    struct Glob {
        std::string pattern;
        std::filesystem::path base;
    };
    std::vector<Glob> globs_;
    // Read once: every file of a folder tree is tested, and asking the
    // system for the current folder each time would be a call per file.
    std::filesystem::path currentFolder_;
};

// The identifier as `disable` lists and ignore comments name it: without the
// `KORVEX:` prefix users may leave out.
std::string_view shortIdentifier(std::string_view identifier);

}  // namespace korvex::tool
