#include "tools/korvex-nr/Suppressions.hpp"

#include <algorithm>
#include <optional>
#include <utility>

#include "foundation/i18n/MessageCatalog.hpp"
#include "foundation/i18n/Messages.hpp"
#include "foundation/text/Utf.hpp"
#include "tools/korvex-nr/CheckSettings.hpp"

namespace korvex::tool {

namespace {

constexpr std::string_view kMarker = "korvex-nr:";

// The blanks of the comment grammar: space, tab and the line-ending
// controls.
bool isBlank(char character) {
    return character == ' ' || (character >= '\t' && character <= '\r');
}

bool isIdentifierCharacter(char character) {
    return (character >= 'A' && character <= 'Z') || (character >= 'a' && character <= 'z') ||
           character == '_' || character == ':';
}

std::size_t skipBlanks(std::string_view line, std::size_t at) {
    while (at < line.size() && isBlank(line[at])) {
        ++at;
    }
    return at;
}

std::size_t skipIdentifier(std::string_view line, std::size_t at) {
    while (at < line.size() && isIdentifierCharacter(line[at])) {
        ++at;
    }
    return at;
}

// A comment `% korvex-nr: ignore ID, ID` or `ignore-file`, which ends its
// line: the identifiers (views into the line) and their 0-based offsets.
struct Comment {
    bool wholeFile = false;
    std::vector<std::pair<std::string_view, std::size_t>> identifiers;
};

// The comment that starts at the `%` at `percent`, if one does. Each part
// of the grammar is a run of one kind of character (blanks, identifier
// characters, commas), so reading it without going back decides the match.
std::optional<Comment> commentAt(std::string_view line, std::size_t percent) {
    std::size_t at = skipBlanks(line, percent + 1);
    if (line.substr(at, kMarker.size()) != kMarker) {
        return std::nullopt;
    }
    at = skipBlanks(line, at + kMarker.size());
    Comment comment;
    std::string_view const rest = line.substr(at);
    constexpr std::string_view kFile = "ignore-file", kLine = "ignore";
    comment.wholeFile = rest.starts_with(kFile);
    at += comment.wholeFile ? kFile.size() : kLine.size();
    if (!(comment.wholeFile || rest.starts_with(kLine)) || at >= line.size() ||
        !isBlank(line[at])) {
        return std::nullopt;
    }
    at = skipBlanks(line, at);
    while (true) {
        std::size_t const end = skipIdentifier(line, at);
        if (end == at) {
            return std::nullopt;
        }
        comment.identifiers.emplace_back(line.substr(at, end - at), at);
        at = skipBlanks(line, end);
        if (at == line.size()) {
            return comment;
        }
        if (line[at] != ',') {
            return std::nullopt;
        }
        at = skipBlanks(line, at + 1);
    }
}

// The first `%` of `line` that starts a comment: a later one may, when an
// earlier does not.
std::optional<Comment> findComment(std::string_view line) {
    for (std::size_t percent = line.find('%'); percent != std::string_view::npos;
         percent = line.find('%', percent + 1)) {
        if (std::optional<Comment> comment = commentAt(line, percent)) {
            return comment;
        }
    }
    return std::nullopt;
}

bool isCommentOrBlank(std::string_view line) {
    std::size_t const first = line.find_first_not_of(" \t\r");
    return first == std::string_view::npos || line[first] == '%';
}

}  // namespace

Suppressions::Suppressions(std::string_view text) {
    // Lines end at '\n'. Most files hold no comment of this kind, so only the
    // lines that hold the marker are looked at, and lines are counted and
    // the header followed only up to those.
    std::uint32_t lineNumber = 1;
    std::size_t lineStart = 0;      // of line `lineNumber`
    std::size_t headerChecked = 0;  // the start of the first line not yet classified
    bool inHeader = true;
    for (std::size_t marker = text.find(kMarker); marker != std::string_view::npos;) {
        std::size_t const start = text.rfind('\n', marker) + 1;
        lineNumber += static_cast<std::uint32_t>(
            std::count(text.begin() + static_cast<std::ptrdiff_t>(lineStart),
                       text.begin() + static_cast<std::ptrdiff_t>(start), '\n'));
        lineStart = start;
        std::size_t const end = std::min(text.find('\n', marker), text.size());
        std::string_view const line = text.substr(start, end - start);
        while (inHeader && headerChecked <= start) {
            std::size_t const headerLineEnd = std::min(text.find('\n', headerChecked), text.size());
            inHeader = isCommentOrBlank(text.substr(headerChecked, headerLineEnd - headerChecked));
            headerChecked = headerLineEnd + 1;
        }
        if (std::optional<Comment> const comment = findComment(line)) {
            for (auto const& [identifier, offset] : comment->identifiers) {
                ignores_.push_back({lineNumber, static_cast<std::uint32_t>(offset + 1),
                                    comment->wholeFile, comment->wholeFile && !inHeader,
                                    std::string(shortIdentifier(identifier)), false});
            }
        }
        marker = end == text.size() ? std::string_view::npos : text.find(kMarker, end);
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
