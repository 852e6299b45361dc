#pragma once
// `korvex-nr check --html DIR`: a static report to read in a browser. An
// index of the checked files with their diagnostic counts, and a page per
// file showing its source with every name coloured by what it resolved to,
// its classification and introducer on hover, a link from each use to its
// introducer, and the diagnostics under their lines. The pages need
// nothing but themselves.

#include <filesystem>
#include <string>
#include <vector>

#include "tools/korvex-nr/CheckReport.hpp"

namespace korvex::tool {

// Writes `folder`/index.html and `folder`/files/N.html, N the index of the
// file in `sources` (whose reports are `reports`). Raises InvocationError
// when the folder cannot be written.
void writeHtmlReport(std::filesystem::path const& folder, std::vector<std::string> const& sources,
                     std::vector<FileReport> const& reports);

}  // namespace korvex::tool
