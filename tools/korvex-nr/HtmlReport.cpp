#include "tools/korvex-nr/HtmlReport.hpp"

#include <fstream>
#include <set>
#include <sstream>

#include "foundation/text/Utf.hpp"

namespace korvex::tool {

namespace {

namespace fs = std::filesystem;
using lf::astapi::IdKind;

// One style sheet for every page, inlined so that each page stands alone.
constexpr std::string_view kStyle = R"css(
body { font-family: system-ui, sans-serif; margin: 1.5em; color: #1f2328; background: #fff; }
h1 { font-size: 1.3em; } a { color: #0550ae; }
table.files { border-collapse: collapse; } .files td, .files th { padding: 0.2em 1em; text-align: left; }
.files tr:nth-child(even) { background: #f3f5f7; } .files .count { text-align: right; }
.has-errors { color: #b42318; font-weight: bold; }
.legend span { margin-right: 1.2em; }
.source { font-family: ui-monospace, monospace; font-size: 13px; line-height: 1.45; border: 1px solid #d0d7de; border-radius: 6px; padding: 0.5em 0; }
.line { white-space: pre; padding: 0 1em; } .line:hover { background: #f6f8fa; }
.ln { display: inline-block; width: 4em; color: #8c959f; user-select: none; }
.diag { margin: 0.2em 1em 0.4em 5em; padding: 0.25em 0.6em; border-left: 4px solid; font-family: system-ui, sans-serif; white-space: normal; }
.diag.error { border-color: #d1242f; background: #ffebe9; } .diag.warning { border-color: #bf8700; background: #fff8c5; }
.name { position: relative; text-decoration: none; border-radius: 3px; }
.name:hover::after { content: attr(data-info); position: absolute; left: 0; top: 1.5em; z-index: 1; white-space: nowrap; font-family: system-ui, sans-serif; font-size: 12px; color: #fff; background: #24292f; padding: 0.2em 0.5em; border-radius: 4px; }
.name:target { outline: 2px solid #fb8500; background: #fff3c4; }
.variable { color: #0550ae; } .nested { color: #8250df; } .local { color: #116329; }
.external { color: #953800; } .unknown { color: #6e7781; }
.shared { font-weight: bold; border-bottom: 2px dotted #8250df; }
)css";

std::string escape(std::string_view text) {
    std::string escaped;
    for (char const character : text) {
        switch (character) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += character;
        }
    }
    return escaped;
}

struct KindStyle {
    char const* cssClass;
    char const* description;
};

KindStyle kindStyle(IdKind kind) {
    switch (kind) {
        case IdKind::VARIABLE:
            return {"variable", "variable"};
        case IdKind::NESTED_FUNCTION:
            return {"nested", "nested function"};
        case IdKind::LOCAL_FUNCTION:
            return {"local", "local function"};
        case IdKind::EXTERNAL:
            return {"external", "external"};
        case IdKind::UNKNOWN:
            break;
    }
    return {"unknown", "unknown"};
}

void writePage(fs::path const& path, std::string const& title, std::string const& body) {
    std::ofstream out(path, std::ios::binary);
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>"
        << escape(title) << "</title>\n<style>" << kStyle << "</style>\n</head>\n<body>\n"
        << body << "</body>\n</html>\n";
    if (!out) {
        throw InvocationError("cannot write the report page '" + path.string() + "'");
    }
}

// The source, a line per element, with its names as links and the
// diagnostics of each line after it.
class SourceRenderer {
  public:
    SourceRenderer(FileReport const& report, lf::util::LineInfo const& lines)
        : report_(report), lines_(lines) {
        for (ResolvedName const& name : report.names) {
            namePositions_.insert(name.position);
        }
    }

    std::string render() {
        std::u16string_view const text = report_.text;
        std::size_t nextName = 0;
        std::uint32_t line = 1;
        std::string current;
        auto endLine = [&] {
            out_ << "<div class=\"line\" id=\"L" << line << "\"><span class=\"ln\">" << line
                 << "</span>" << current << "</div>\n";
            writeDiagnostics(line);
            current.clear();
            ++line;
        };
        for (std::size_t offset = 0; offset < text.size();) {
            std::uint32_t const position = static_cast<std::uint32_t>(offset + 1);
            while (nextName < report_.names.size() && report_.names[nextName].position < position) {
                ++nextName;
            }
            if (nextName < report_.names.size() && report_.names[nextName].position == position) {
                ResolvedName const& name = report_.names[nextName];
                current += nameLink(name, text.substr(offset, name.length));
                offset += name.length;
                continue;
            }
            char16_t const character = text[offset];
            if (character == u'\n' || character == u'\r') {
                offset +=
                    character == u'\r' && offset + 1 < text.size() && text[offset + 1] == u'\n' ? 2
                                                                                                : 1;
                endLine();
                continue;
            }
            std::size_t end = offset + 1;
            if (character >= 0xD800 && character <= 0xDBFF && end < text.size()) {
                ++end;  // both halves of a surrogate pair
            }
            current += escape(fl::text::toUtf8(text.substr(offset, end - offset)));
            offset = end;
        }
        endLine();
        writeDiagnostics(0);
        return std::move(out_).str();
    }

  private:
    std::string nameLink(ResolvedName const& name, std::u16string_view spelling) const {
        KindStyle const style = kindStyle(name.kind);
        std::string info = style.description;
        if (name.shared) {
            info += ", shared with a nested function";
        }
        bool const linked = name.kind != IdKind::UNKNOWN && name.introducer != 0 &&
                            namePositions_.contains(name.introducer);
        if (linked) {
            info += ", introduced on line " +
                    std::to_string(lines_.lineAndColumn(name.introducer).line);
        }
        std::string link = "<a class=\"name " + std::string(style.cssClass) +
                           (name.shared ? " shared" : "") + "\" id=\"p" +
                           std::to_string(name.position) + "\" data-info=\"" + escape(info) + "\"";
        if (linked) {
            link += " href=\"#p" + std::to_string(name.introducer) + "\"";
        }
        return link + ">" + escape(fl::text::toUtf8(spelling)) + "</a>";
    }

    // The diagnostics on `line`; with 0, those without a line.
    void writeDiagnostics(std::uint32_t line) {
        for (Diagnostic const& diagnostic : report_.diagnostics) {
            if (diagnostic.line == line && (line != 0 || !written_)) {
                out_ << "<div class=\"diag " << diagnostic.severity << "\">"
                     << escape(diagnostic.severity) << ": " << escape(diagnostic.message) << " ["
                     << escape(diagnostic.identifier) << "]</div>\n";
            }
        }
        written_ = written_ || line == 0;
    }

    FileReport const& report_;
    lf::util::LineInfo const& lines_;
    // Introducers outside the text (made by the resolver) get no link.
    std::set<std::uint32_t> namePositions_;
    std::ostringstream out_;
    bool written_ = false;
};

constexpr std::string_view kLegend =
    "<p class=\"legend\"><span class=\"variable\">variable</span><span class=\"variable "
    "shared\">shared with a nested function</span><span class=\"nested\">nested "
    "function</span><span class=\"local\">local function</span><span "
    "class=\"external\">external</span><span class=\"unknown\">unknown</span></p>\n";

}  // namespace

void writeHtmlReport(fs::path const& folder, std::vector<std::string> const& sources,
                     std::vector<FileReport> const& reports) {
    std::error_code error;
    fs::create_directories(folder / "files", error);
    if (error) {
        throw InvocationError("cannot create the report folder '" + folder.string() +
                              "': " + error.message());
    }
    std::ostringstream index;
    index << "<h1>korvex-nr check: " << sources.size() << " files</h1>\n"
          << "<table class=\"files\">\n<tr><th>File</th><th class=\"count\">Errors</th>"
          << "<th class=\"count\">Warnings</th></tr>\n";
    for (std::size_t file = 0; file < sources.size(); ++file) {
        FileReport const& report = reports[file];
        auto const [errors, warnings] = countDiagnostics(report);
        std::string const page = "files/" + std::to_string(file) + ".html";
        index << "<tr" << (errors > 0 ? " class=\"has-errors\"" : "") << "><td><a href=\"" << page
              << "\">" << escape(sources[file]) << "</a></td><td class=\"count\">" << errors
              << "</td><td class=\"count\">" << warnings << "</td></tr>\n";

        lf::util::LineInfo const lines(report.text);
        std::ostringstream body;
        body << "<p><a href=\"../index.html\">All files</a></p>\n<h1>" << escape(sources[file])
             << "</h1>\n<p>" << errors << " errors, " << warnings << " warnings</p>\n"
             << kLegend;
        if (!report.failure.empty()) {
            body << "<div class=\"diag error\">" << escape(report.failure) << "</div>\n";
        }
        body << "<div class=\"source\">\n" << SourceRenderer(report, lines).render() << "</div>\n";
        writePage(folder / page, sources[file], body.str());
    }
    index << "</table>\n";
    writePage(folder / "index.html", "korvex-nr check", index.str());
}

}  // namespace korvex::tool
