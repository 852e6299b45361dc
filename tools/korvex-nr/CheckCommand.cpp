#include "tools/korvex-nr/CheckCommand.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/text/Utf.hpp"
#include "front_end/import/Features.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/parser/Parser.hpp"
#include "front_end/util/FrontEndUserException.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tools/korvex-nr/CallerOptions.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSourceSuffix = ".kx";

// What checking one file found. The diagnostics are kept as text so that
// files checked on other threads can be printed in path order afterwards.
struct FileReport {
    std::string diagnostics;
    unsigned errors = 0;
    unsigned warnings = 0;
    bool unreadable = false;
    bool internalError = false;
};

// The files named by `paths`: each file given, and every `.kx` file below
// each folder given (directory links are not followed), sorted by path and
// listed once each.
std::vector<std::string> collectSources(std::vector<std::string> const& paths) {
    std::vector<std::string> sources;
    for (std::string const& path : paths) {
        std::error_code error;
        fs::file_status const status = fs::status(path, error);
        if (fs::is_regular_file(status)) {
            sources.push_back(fs::path(path).lexically_normal().string());
            continue;
        }
        if (!fs::is_directory(status)) {
            throw InvocationError("'" + path + "' is neither a file nor a folder");
        }
        fs::recursive_directory_iterator entry(path, error);
        for (; !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
            std::error_code entryError;
            if (entry->path().extension() == kSourceSuffix && entry->is_regular_file(entryError)) {
                sources.push_back(entry->path().lexically_normal().string());
            }
        }
        if (error) {
            throw InvocationError("cannot list the folder '" + path + "': " + error.message());
        }
    }
    std::sort(sources.begin(), sources.end());
    sources.erase(std::unique(sources.begin(), sources.end()), sources.end());
    return sources;
}

// Parses and resolves one file: class files with the resolver that needs no
// caller, every other program with the search path of `model`.
void checkSource(SourceText const& source, CallerModel model, FileReport& report,
                 std::ostream& out) {
    fe::astapi::AstNodeFactory factory;
    lf::astapi::Program* program = nullptr;
    try {
        program = lf::parser::parse(source.text, factory);
    } catch (lf::parser::SyntaxError const& error) {
        printDiagnostic(out, source, error.position(), "error", error.what(), error.identifier());
        ++report.errors;
        return;
    }

    fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
    fe::util::CollectingFrontEndWarningLog warnings(source.name, source.lines);
    std::optional<LocatedDiagnostic> failure;
    try {
        if (program->programKind == lf::astapi::ProgramKind::ClassFile) {
            resolver.resolveProgramLocally(*program, source.name, factory);
        } else {
            auto callbacks = createSearchPathCallbacks(std::move(model));
            fe::nr::ResolutionTimer timer = startResolutionTimer();
            resolver.resolveProgram(*program, source.name, warnings, factory, *callbacks, &timer);
        }
    } catch (fe::util::IFrontEndUserException const& error) {
        failure = describeUserError(error, source);
    }
    for (fe::util::CollectedWarning const& warning : warnings.warnings()) {
        printLocated(out, source, "warning", {warning.location, warning.text, warning.identifier});
        ++report.warnings;
    }
    if (failure) {
        printLocated(out, source, "error", *failure);
        ++report.errors;
    }
}

FileReport checkFile(std::string const& path, CallerModel model) {
    FileReport report;
    std::ostringstream out;
    try {
        std::optional<SourceText> source;
        try {
            source = makeSourceText(fl::text::toUtf16(path), readFile(path));
        } catch (InvocationError const& error) {
            out << "korvex-nr: error: " << error.what() << '\n';
            report.unreadable = true;
            ++report.errors;
        }
        if (source) {
            model.privateFolder = fs::path(path).parent_path() / "private";
            checkSource(*source, std::move(model), report, out);
        }
    } catch (std::exception const& error) {
        out << "korvex-nr: internal error: " << path << ": " << error.what() << '\n';
        report.internalError = true;
        ++report.errors;
    } catch (...) {
        out << "korvex-nr: internal error: " << path << ": unknown exception\n";
        report.internalError = true;
        ++report.errors;
    }
    report.diagnostics = std::move(out).str();
    return report;
}

// Checks `sources` on `jobs` threads; the reports are in the order of
// `sources`.
std::vector<FileReport> checkAll(std::vector<std::string> const& sources, CallerModel const& model,
                                 unsigned jobs) {
    std::vector<FileReport> reports(sources.size());
    std::atomic<std::size_t> next = 0;
    auto work = [&] {
        for (std::size_t index = next++; index < sources.size(); index = next++) {
            reports[index] = checkFile(sources[index], model);
        }
    };
    std::vector<std::jthread> helpers;
    unsigned const threads = std::max(1u, std::min<unsigned>(jobs, sources.size()));
    for (unsigned helper = 1; helper < threads; ++helper) {
        helpers.emplace_back(work);
    }
    work();
    return reports;
}

class CheckCommand final : public Subcommand {
  public:
    explicit CheckCommand(CLI::App* command) : Subcommand(command) {
        command->add_option("PATH", paths_, "a Korvex file, or a folder whose .kx files to check")
            ->required();
        command
            ->add_option("-j,--jobs", jobs_,
                         "number of files checked at the same time (default: the number of "
                         "cores)")
            ->type_name("N")
            ->check(CLI::Range(1u, 4096u));
        caller_.addTo(*command);
        command->footer(
            "Resolves every .kx file under the PATHs (class files with --local resolution, "
            "other programs over the search path) and prints the diagnostics on stderr, "
            "sorted by file, as FILE:LINE:COL: error: TEXT [IDENTIFIER]; then, on stdout, "
            "'N files, E errors, W warnings, S.SS seconds'. Without -p, the folders among "
            "the PATHs are the search path.\n"
            "Exit status: 0 no error, 1 an error in some file, 2 bad invocation or an "
            "unreadable path or file, 3 an internal error on some file.");
    }

    int run() override {
        auto const start = std::chrono::steady_clock::now();
        std::vector<std::string> const sources = collectSources(paths_);
        CallerModel model = caller_.model(u"");
        if (model.searchPath.empty()) {
            for (std::string const& path : paths_) {
                std::error_code error;
                if (fs::is_directory(path, error)) {
                    model.searchPath.emplace_back(path);
                }
            }
        }
        // The switch is process-wide: set it before any thread reads it.
        lf::features::setPackageImportsFeature(caller_.packageImports());

        std::vector<FileReport> const reports = checkAll(sources, model, jobs_);

        unsigned errors = 0;
        unsigned warnings = 0;
        bool unreadable = false;
        bool internalError = false;
        for (FileReport const& report : reports) {
            std::cerr << report.diagnostics;
            errors += report.errors;
            warnings += report.warnings;
            unreadable = unreadable || report.unreadable;
            internalError = internalError || report.internalError;
        }
        std::chrono::duration<double> const elapsed = std::chrono::steady_clock::now() - start;
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f", elapsed.count());
        std::cout << sources.size() << " files, " << errors << " errors, " << warnings
                  << " warnings, " << seconds << " seconds\n";
        if (internalError) {
            return kInternalError;
        }
        if (unreadable) {
            return kBadInvocation;
        }
        return errors > 0 ? kUserError : kSuccess;
    }

  private:
    std::vector<std::string> paths_;
    unsigned jobs_ = std::max(1u, std::thread::hardware_concurrency());
    CallerOptions caller_;
};

}  // namespace

std::unique_ptr<Subcommand> addCheckCommand(CLI::App& app) {
    return std::make_unique<CheckCommand>(app.add_subcommand(
        "check",
        "Resolve every Korvex file under the given files and folders and print their "
        "diagnostics."));
}

}  // namespace korvex::tool
