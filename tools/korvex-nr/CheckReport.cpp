#include "tools/korvex-nr/CheckReport.hpp"

#include <sys/resource.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>

#include "foundation/text/Utf.hpp"
#include "tools/korvex-nr/Explanations.hpp"

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

using Json = nlohmann::ordered_json;

// The diagnostic's place as JSON fields: line and columns only when known.
void addPosition(Json& object, Diagnostic const& diagnostic, char const* line, char const* column,
                 char const* endColumn) {
    if (diagnostic.line == 0) {
        return;
    }
    object[line] = diagnostic.line;
    object[column] = diagnostic.column;
    if (diagnostic.endColumn != 0) {
        object[endColumn] = diagnostic.endColumn;
    }
}

// A relative URI reference for `path`: its characters outside the
// unreserved ones and `/`, `+`, `@` percent-encoded; absolute paths become
// `file://` URIs.
std::string fileUri(std::string const& path) {
    std::string const portable = std::filesystem::path(path).generic_string();
    std::string uri = portable.starts_with('/') ? "file://" : "";
    for (unsigned char const character : portable) {
        if (std::isalnum(character) || std::string_view("-._~/+@").find(static_cast<char>(
                                           character)) != std::string_view::npos) {
            uri += static_cast<char>(character);
        } else {
            constexpr char kHex[] = "0123456789ABCDEF";
            uri += '%';
            uri += kHex[character >> 4];
            uri += kHex[character & 0xF];
        }
    }
    return uri;
}

Json sarifRule(std::string const& identifier, Explanation const& explanation) {
    return {{"id", identifier},
            {"shortDescription", {{"text", explanation.meaning}}},
            {"help",
             {{"text", explanation.meaning + "\n\nExample:\n" + explanation.example +
                           "\n\nHow to fix it: " + explanation.fix}}},
            {"defaultConfiguration", {{"level", severityOf(identifier)}}}};
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

DiagnosticCounts countDiagnostics(FileReport const& report) {
    DiagnosticCounts counts{report.failure.empty() ? 0U : 1U, 0};
    for (Diagnostic const& diagnostic : report.diagnostics) {
        ++(diagnostic.severity == "error" ? counts.errors : counts.warnings);
    }
    return counts;
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

void writeJson(std::ostream& out, std::vector<FileReport> const& reports,
               CheckSummary const& summary) {
    Json diagnostics = Json::array();
    for (FileReport const& report : reports) {
        for (Diagnostic const& diagnostic : report.diagnostics) {
            Json object{{"file", diagnostic.file}};
            addPosition(object, diagnostic, "line", "column", "endColumn");
            object["severity"] = diagnostic.severity;
            object["identifier"] = diagnostic.identifier;
            object["message"] = diagnostic.message;
            diagnostics.push_back(std::move(object));
        }
    }
    Json const document{{"diagnostics", std::move(diagnostics)},
                        {"summary",
                         {{"files", summary.files},
                          {"errors", summary.errors},
                          {"warnings", summary.warnings},
                          {"seconds", summary.seconds}}}};
    out << document.dump(2) << '\n';
}

void writeSarif(std::ostream& out, std::vector<FileReport> const& reports) {
    Json rules = Json::array();
    std::map<std::string, std::size_t, std::less<>> ruleIndex;
    for (auto const& [identifier, explanation] : explanations()) {
        ruleIndex.emplace(identifier, rules.size());
        rules.push_back(sarifRule(identifier, explanation));
    }
    Json results = Json::array();
    for (FileReport const& report : reports) {
        for (Diagnostic const& diagnostic : report.diagnostics) {
            Json physical{{"artifactLocation", {{"uri", fileUri(diagnostic.file)}}}};
            if (diagnostic.line != 0) {
                Json region;
                addPosition(region, diagnostic, "startLine", "startColumn", "endColumn");
                physical["region"] = std::move(region);
            }
            Json result{{"ruleId", diagnostic.identifier}};
            if (auto found = ruleIndex.find(diagnostic.identifier); found != ruleIndex.end()) {
                result["ruleIndex"] = found->second;
            }
            result["level"] = diagnostic.severity;
            result["message"] = {{"text", diagnostic.message}};
            result["locations"] = Json::array({{{"physicalLocation", std::move(physical)}}});
            results.push_back(std::move(result));
        }
    }
    Json const log{{"version", "2.1.0"},
                   {"runs", Json::array({{{"tool",
                                           {{"driver",
                                             {{"name", "korvex-nr"},
                                              {"version", KORVEX_NR_VERSION},
                                              {"rules", std::move(rules)}}}}},
                                          {"columnKind", "utf16CodeUnits"},
                                          {"results", std::move(results)}}})}};
    out << log.dump(2) << '\n';
}

PhaseTimes& PhaseTimes::operator+=(PhaseTimes const& other) {
    readSeconds += other.readSeconds;
    parseSeconds += other.parseSeconds;
    resolveSeconds += other.resolveSeconds;
    bytes += other.bytes;
    return *this;
}

void writeStats(std::ostream& out, PhaseTimes const& times) {
    double const megabytes = static_cast<double>(times.bytes) / 1e6;
    auto phase = [&](char const* name, double seconds) {
        char line[128];
        std::snprintf(line, sizeof line, "%-8s %8.3f s  %8.2f MB  %9.1f MB/s\n", name, seconds,
                      megabytes, seconds > 0 ? megabytes / seconds : 0.0);
        out << line;
    };
    phase("read", times.readSeconds);
    phase("parse", times.parseSeconds);
    phase("resolve", times.resolveSeconds);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    out << "peak memory " << usage.ru_maxrss / 1024 << " MB\n";  // ru_maxrss is in KiB
}

}  // namespace korvex::tool
