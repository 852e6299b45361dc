#include "tools/korvex-nr/CheckReport.hpp"

#include <charconv>
#include <ostream>

#include "foundation/text/Utf.hpp"

namespace korvex::tool {

namespace {

// ANSI colours, as compilers use them.
constexpr std::string_view kBold = "\x1b[1m";
constexpr std::string_view kRed = "\x1b[1;31m";
constexpr std::string_view kMagenta = "\x1b[1;35m";
constexpr std::string_view kGreen = "\x1b[1;32m";
constexpr std::string_view kReset = "\x1b[0m";

bool isNameCharacter(char16_t character) {
    return (character >= u'a' && character <= u'z') || (character >= u'A' && character <= u'Z') ||
           (character >= u'0' && character <= u'9') || character == u'_';
}

void setPosition(Diagnostic& diagnostic, SourceText const& source, lf::util::LineAndColumn where) {
    diagnostic.line = where.line;
    diagnostic.column = where.column;
    std::u16string_view const line = source.lines->lineText(where.line);
    diagnostic.sourceLine = fl::text::toUtf8(line);
    std::size_t end = where.column - 1;
    while (end < line.size() && isNameCharacter(line[end])) {
        ++end;
    }
    if (end > where.column - 1U) {
        diagnostic.endColumn = static_cast<std::uint32_t>(end + 1);
    }
}

std::uint32_t parsePositive(std::string_view text) {
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

}  // namespace

Diagnostic diagnosticAt(SourceText const& source, std::uint32_t position, std::string severity,
                        std::string message, std::string identifier) {
    Diagnostic diagnostic{fl::text::toUtf8(source.name),
                          0,
                          0,
                          0,
                          std::move(severity),
                          std::move(identifier),
                          std::move(message),
                          {}};
    if (position != 0 && position != 0xFFFFFFFF) {
        setPosition(diagnostic, source, source.lines->lineAndColumn(position));
    }
    return diagnostic;
}

Diagnostic locatedDiagnostic(SourceText const& source, std::string severity,
                             LocatedDiagnostic const& located) {
    Diagnostic diagnostic{
        fl::text::toUtf8(source.name),  0, 0, 0, std::move(severity), located.identifier,
        fl::text::toUtf8(located.text), {}};
    // The location is `NAME:LINE:COL` for a position in the source, else a
    // name alone.
    std::string const location = fl::text::toUtf8(located.location);
    if (location.empty()) {
        return diagnostic;
    }
    std::size_t const columnColon = location.rfind(':');
    std::size_t const lineColon = columnColon == std::string::npos || columnColon == 0
                                      ? std::string::npos
                                      : location.rfind(':', columnColon - 1);
    if (lineColon == std::string::npos || location.substr(0, lineColon) != diagnostic.file) {
        diagnostic.file = location;
        return diagnostic;
    }
    std::uint32_t const line = parsePositive(
        std::string_view(location).substr(lineColon + 1, columnColon - lineColon - 1));
    std::uint32_t const column = parsePositive(std::string_view(location).substr(columnColon + 1));
    if (line == 0 || column == 0) {
        diagnostic.file = location;
        return diagnostic;
    }
    setPosition(diagnostic, source, {line, column});
    return diagnostic;
}

void writeText(std::ostream& out, Diagnostic const& diagnostic, TextStyle style) {
    auto paint = [&out, style](std::string_view colour) -> std::ostream& {
        return style.colour ? out << colour : out;
    };
    paint(kBold) << diagnostic.file;
    if (diagnostic.line != 0) {
        out << ':' << diagnostic.line << ':' << diagnostic.column;
    }
    out << ": ";
    paint(diagnostic.severity == "error" ? kRed : kMagenta) << diagnostic.severity << ':';
    paint(kReset) << ' ';
    paint(kBold) << diagnostic.message;
    paint(kReset) << " [" << diagnostic.identifier << "]\n";
    if (!style.sourceLines || diagnostic.line == 0) {
        return;
    }
    out << diagnostic.sourceLine << '\n';
    // Tabs stay tabs so that the caret lines up whatever their width; every
    // other character before the column is a space (one per UTF-16 unit).
    std::u16string const line = fl::text::toUtf16(diagnostic.sourceLine);
    std::string margin;
    for (std::size_t index = 0; index + 1 < diagnostic.column && index < line.size(); ++index) {
        margin += line[index] == u'\t' ? '\t' : ' ';
    }
    std::size_t const width =
        diagnostic.endColumn > diagnostic.column ? diagnostic.endColumn - diagnostic.column : 1;
    out << margin;
    paint(kGreen) << '^' << std::string(width - 1, '~');
    paint(kReset) << '\n';
}

}  // namespace korvex::tool
