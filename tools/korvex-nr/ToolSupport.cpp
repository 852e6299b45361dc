#include "tools/korvex-nr/ToolSupport.hpp"

#include <CLI/CLI.hpp>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>

#include "foundation/except/Exception.hpp"
#include "foundation/i18n/MessageCatalog.hpp"
#include "foundation/text/Utf.hpp"
#include "front_end/name_resolution/SymbolTableListing.hpp"
#include "front_end/parser/Parser.hpp"
#include "front_end/util/FrontEndUserException.hpp"
#include "front_end/util/SourceLocation.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tools/korvex-nr/FileReading.hpp"

namespace korvex::tool {

namespace {

std::string readStream(std::istream& in) {
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace

void SourceOptions::addTo(CLI::App& command) {
    auto* file = command.add_option("FILE", file_, "Korvex source file to read; '-' reads stdin");
    textOption_ =
        command.add_option("-e,--text", text_, "Korvex source text given on the command line")
            ->type_name("TEXT")
            ->excludes(file);
    command
        .add_option("--name", name_,
                    "name of the source in messages (default: FILE, '<text>' for -e, "
                    "'<stdin>' for -)")
        ->type_name("NAME");
}

SourceText SourceOptions::read() const {
    std::string utf8;
    std::string name;
    if (textOption_->count() > 0) {
        utf8 = text_;
        name = "<text>";
    } else if (file_ == "-") {
        utf8 = readStream(std::cin);
        name = "<stdin>";
    } else if (!file_.empty()) {
        utf8 = readFile(file_);
        name = file_;
    } else {
        throw InvocationError("no source given: name a FILE, '-' for stdin, or use -e TEXT");
    }
    return makeSourceText(fl::text::toUtf16(name_.empty() ? name : name_), utf8);
}

std::string_view withoutByteOrderMark(std::string_view utf8) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (utf8.starts_with(kByteOrderMark)) {
        utf8.remove_prefix(kByteOrderMark.size());
    }
    return utf8;
}

SourceText makeSourceText(std::u16string name, std::string_view utf8) {
    return {std::move(name),
            std::make_shared<lf::util::LineInfo const>(withoutByteOrderMark(utf8))};
}

bool Subcommand::selected() const {
    return command_->parsed();
}

void printDiagnostic(std::ostream& out, SourceText const& source, std::uint32_t position,
                     char const* severity, std::string const& text, std::string const& identifier) {
    out << fl::text::toUtf8(fe::util::internal::createSourceLocationDescription(
               source.name, source.lines, position, false))
        << ": " << severity << ": " << text << " [" << identifier << "]\n";
}

LocatedDiagnostic describeUserError(fe::util::IFrontEndUserException const& error,
                                    SourceText const& source) {
    LocatedDiagnostic diagnostic;
    try {
        error.raise(source.name, source.lines);
    } catch (foundation::core::except::IMsgIDException const& raised) {
        fl::i18n::LocatedText located = fl::i18n::MessageCatalog(fl::i18n::QzLocale::global())
                                            .get_located_message(raised.get_msg_id());
        diagnostic = {std::move(located.location), std::move(located.body), raised.get_error_id()};
    }
    return diagnostic;
}

void printLocated(std::ostream& out, SourceText const& source, char const* severity,
                  LocatedDiagnostic const& diagnostic) {
    std::u16string const& location =
        diagnostic.location.empty() ? source.name : diagnostic.location;
    out << fl::text::toUtf8(location) << ": " << severity << ": "
        << fl::text::toUtf8(diagnostic.text) << " [" << diagnostic.identifier << "]\n";
}

fe::nr::ResolutionTimer startResolutionTimer() {
    fe::nr::ResolutionTimer timer;
    timer.lastMarkNanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count();
    return timer;
}

void DumpOptions::addTo(CLI::App& command) {
    command.add_flag("--tables", tables_,
                     "after the classifications, print the symbol tables: a line 'symbol "
                     "tables:', then for each scope a line naming it and one line 'NAME : "
                     "CLASSIFICATION' per entry, nested scopes indented by one more space");
    command
        .add_option("--positions", positions_,
                    "how positions are printed: 'offset' (NAME#OFFSET, UTF-16 code units "
                    "from 1) or 'line-col' (NAME@LINE:COL)")
        ->check(CLI::IsMember({"offset", "line-col"}))
        ->default_val("offset");
}

namespace {

// "@LINE:COL" for a position in `lines`, "@-" for a name the resolver made.
std::string lineAndColumnOf(std::string_view offset, lf::util::LineInfo const& lines) {
    std::uint32_t const position = static_cast<std::uint32_t>(std::stoul(std::string(offset)));
    if (position == 0) {
        return "@-";
    }
    lf::util::LineAndColumn const at = lines.lineAndColumn(position);
    return '@' + std::to_string(at.line) + ':' + std::to_string(at.column);
}

// `text` with `rewrite` applied to each of its lines.
template <class Rewrite>
std::string rewriteEachLine(std::string const& text, Rewrite&& rewrite) {
    std::string rewritten;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        rewritten += rewrite(line);
        rewritten += '\n';
    }
    return rewritten;
}

}  // namespace

std::string DumpOptions::formatDump(std::string const& dump,
                                    lf::util::LineInfo const& lines) const {
    if (positions_ == "offset") {
        return dump;
    }
    constexpr std::string_view kIntroduced = " Introduced#";
    return rewriteEachLine(dump, [&](std::string const& line) {
        // NAME#OFFSET: CLASSIFICATION, then " Introduced#OFFSET" or " No introduction node";
        // a name has no spaces but may itself contain '#'.
        std::size_t const colon = line.find(": ");
        std::size_t const hash = line.rfind('#', colon);
        std::string formatted =
            line.substr(0, hash) + lineAndColumnOf(line.substr(hash + 1, colon - hash - 1), lines);
        std::string_view rest = std::string_view(line).substr(colon);
        if (std::size_t const introduced = rest.rfind(kIntroduced);
            introduced != std::string_view::npos) {
            formatted += rest.substr(0, introduced);
            formatted += " Introduced";
            formatted += lineAndColumnOf(rest.substr(introduced + kIntroduced.size()), lines);
        } else {
            formatted += rest;
        }
        return formatted;
    });
}

std::string DumpOptions::formatTables(std::string const& listing,
                                      lf::util::LineInfo const& lines) const {
    if (positions_ == "offset") {
        return listing;
    }
    constexpr std::string_view kAnonymousScope = "[anonymous function #";
    return rewriteEachLine(listing, [&](std::string const& line) {
        std::size_t const scope = line.find(kAnonymousScope);
        if (scope == std::string::npos) {
            return line;
        }
        std::size_t const offset = scope + kAnonymousScope.size();
        return line.substr(0, offset - 1) +
               lineAndColumnOf(line.substr(offset, line.find(']', offset) - offset), lines) + "]";
    });
}

int resolveAndPrint(SourceText const& source, DumpOptions const& output,
                    ResolveTree const& resolve) {
    fe::astapi::AstNodeFactory factory;
    lf::astapi::Program* program = nullptr;
    try {
        program = lf::parser::parse(source.text(), factory);
    } catch (lf::parser::SyntaxError const& error) {
        printDiagnostic(std::cerr, source, error.position(), "error", error.what(),
                        error.identifier());
        return kUserError;
    }

    fe::util::CollectingFrontEndWarningLog warnings(source.name, source.lines);
    std::optional<LocatedDiagnostic> failure;
    fe::nr::SymbolTable* table = nullptr;
    try {
        table = resolve(*program, factory, warnings);
    } catch (fe::util::IFrontEndUserException const& error) {
        failure = describeUserError(error, source);
    }

    std::cout << output.formatDump(fe::nr::getNameResolver().dumpClassifications(*program),
                                   *source.lines);
    if (output.printsTables() && table != nullptr) {
        std::ostringstream listing;
        fe::nr::listSymbolTable(*table, listing);
        std::cout << "symbol tables:\n" << output.formatTables(listing.str(), *source.lines);
    }
    for (fe::util::CollectedWarning const& warning : warnings.warnings()) {
        printLocated(std::cerr, source, "warning",
                     {warning.location, warning.text, warning.identifier});
    }
    if (failure) {
        printLocated(std::cerr, source, "error", *failure);
        return kUserError;
    }
    return kSuccess;
}

}  // namespace korvex::tool
