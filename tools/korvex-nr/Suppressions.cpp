#include "tools/korvex-nr/Suppressions.hpp"

#include <algorithm>
#include <regex>

#include "foundation/i18n/MessageCatalog.hpp"
#include "foundation/i18n/Messages.hpp"
#include "foundation/text/Utf.hpp"
#include "tools/korvex-nr/CheckSettings.hpp"

namespace korvex::tool {

namespace {

// `% korvex-nr: ignore ID, ID` or `ignore-file`, at the end of a line.
std::regex const kComment(
    R"(%\s*korvex-nr:\s*(ignore|ignore-file)\s+([A-Za-z_:]+(\s*,\s*[A-Za-z_:]+)*)\s*$)");
std::regex const kIdentifier("[A-Za-z_:]+");

bool isCommentOrBlank(std::string_view line) {
    std::size_t const first = line.find_first_not_of(" \t\r");
    return first == std::string_view::npos || line[first] == '%';
}

}  // namespace

Suppressions::Suppressions(std::string_view text) {
    std::uint32_t lineNumber = 0;
    bool inHeader = true;
    while (!text.empty()) {
        ++lineNumber;
        std::size_t const end = text.find('\n');
        std::string_view const lineText = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        inHeader = inHeader && isCommentOrBlank(lineText);
        // Most lines hold no such comment; only the others meet the regex.
        if (lineText.find("korvex-nr:") == std::string_view::npos) {
            continue;
        }
        std::string const line(lineText);
        std::smatch comment;
        if (!std::regex_search(line, comment, kComment)) {
            continue;
        }
        bool const wholeFile = comment[1] == "ignore-file";
        std::string const list = comment[2];
        std::size_t const listColumn = static_cast<std::size_t>(comment.position(2)) + 1;
        for (auto match = std::sregex_iterator(list.begin(), list.end(), kIdentifier);
             match != std::sregex_iterator(); ++match) {
            ignores_.push_back(
                {lineNumber, static_cast<std::uint32_t>(listColumn + match->position()), wholeFile,
                 wholeFile && !inHeader, std::string(shortIdentifier(match->str())), false});
        }
    }
}

bool Suppressions::silences(Diagnostic const& diagnostic) {
    std::string_view const identifier = shortIdentifier(diagnostic.identifier);
    bool silenced = false;
    for (Ignore& ignore : ignores_) {
        if (ignore.identifier == identifier && !ignore.misplaced &&
            (ignore.wholeFile || (diagnostic.line != 0 && ignore.line == diagnostic.line))) {
            ignore.used = true;
            silenced = true;
        }
    }
    return silenced;
}

std::vector<Diagnostic> Suppressions::unusedIgnores(SourceText const& source) const {
    std::vector<Diagnostic> warnings;
    fl::i18n::MessageCatalog const catalog(fl::i18n::QzLocale::global());
    for (Ignore const& ignore : ignores_) {
        if (ignore.used) {
            continue;
        }
        KORVEX::tool::UnusedIgnore const message(fl::text::toUtf16(ignore.identifier));
        warnings.push_back({fl::text::toUtf8(source.name), ignore.line, ignore.column,
                            ignore.column + static_cast<std::uint32_t>(ignore.identifier.size()),
                            "warning", message.errorId(),
                            fl::text::toUtf8(catalog.get_message(message)),
                            fl::text::toUtf8(source.lines->lineText(ignore.line))});
    }
    return warnings;
}

}  // namespace korvex::tool
