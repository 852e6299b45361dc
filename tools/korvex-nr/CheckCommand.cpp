#include "tools/korvex-nr/CheckCommand.hpp"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/text/Utf.hpp"
#include "front_end/import/Features.hpp"
#include "front_end/parser/Parser.hpp"
#include "tools/korvex-nr/CallerOptions.hpp"
#include "tools/korvex-nr/CheckReport.hpp"
#include "tools/korvex-nr/CheckSettings.hpp"
#include "tools/korvex-nr/FileReading.hpp"
#include "tools/korvex-nr/HtmlReport.hpp"
#include "tools/korvex-nr/ProjectConfig.hpp"
#include "tools/korvex-nr/SearchPath.hpp"
#include "tools/korvex-nr/SearchPathCallbacks.hpp"
#include "tools/korvex-nr/SourceCheck.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSourceSuffix = ".kx";
constexpr std::string_view kPrivateFolder = "private";
// Fewer files are checked too fast for a progress line to help.
constexpr std::size_t kProgressThreshold = 300;
// Once the walk is over, a run takes at most this share of the files left
// for each thread: runs shrink towards the end, so that the threads end
// close together.
constexpr std::size_t kRunsPerThread = 4;

// CI services set `CI`; their logs are no place for a progress line.
bool inContinuousIntegration() {
    char const* ci = std::getenv("CI");
    return ci != nullptr && *ci != '\0' && std::string_view(ci) != "false";
}

// What a walk over the folder tree below one PATH adds to and reads.
struct FolderWalk {
    Exclusions const& exclusions;
    SearchPath const& searchPath;
    std::function<void(std::string)> const& found;
};

// Hands the files below `folder` that the walk's exclusions leave in and
// whose name ends in `.kx` to the walk, each as `sourcePrefix` (the folder's
// path in normal form, ending in a slash unless empty) followed by its name,
// in the byte order of those paths; descends into folders but not through
// links to them. `folder` is opened relative to `parent` when one is given
// (`name` is then its name there), which stays open meanwhile: a walk holds
// one descriptor per level. Each listing made goes to the search path as
// well, which then need not list the folder again. Paths are joined as
// strings: the path class would split every one into its components,
// several times for each entry. Stops at the first folder that cannot be
// listed, with `error` set.
void collectFolder(OpenFolder const* parent, std::string const& folder, std::string const& name,
                   std::string const& sourcePrefix, FolderWalk const& walk,
                   std::error_code& error) {
    OpenFolder const open(parent, parent != nullptr ? name : folder, error);
    std::vector<FolderEntry> const entries = open.entries(error);
    if (error) {
        return;
    }
    walk.searchPath.recordListing(folder, entries);
    // A folder's name sorts as followed by its slash, so that the paths
    // below it sort where the walk gives them.
    std::vector<std::pair<std::string, FolderEntry const*>> ordered;
    ordered.reserve(entries.size());
    for (FolderEntry const& entry : entries) {
        bool const descended = entry.kind == EntryKind::folder && !entry.link;
        ordered.emplace_back(descended ? entry.name + '/' : entry.name, &entry);
    }
    std::ranges::sort(ordered);
    std::string const folderWithSlash = folder.ends_with('/') ? folder : folder + '/';
    for (auto const& [key, entry] : ordered) {
        std::string const path = folderWithSlash + entry->name;
        if (walk.exclusions.excludes(path)) {
            continue;
        }
        if (key.ends_with('/')) {
            collectFolder(&open, path, entry->name, sourcePrefix + key, walk, error);
            if (error) {
                return;
            }
        } else if (entry->kind == EntryKind::file && entry->name.ends_with(kSourceSuffix) &&
                   entry->name.size() > kSourceSuffix.size()) {
            walk.found(sourcePrefix + entry->name);
        }
    }
}

// Hands the files named by `paths` to `found`: each file given, and every
// `.kx` file below each folder given that `exclusions` leave in (directory
// links are not followed), sorted by path and once each. A single PATH is
// walked in that order, each file handed on as soon as it is found; several
// are gathered and sorted first.
void collectSources(std::vector<std::string> const& paths, Exclusions const& exclusions,
                    SearchPath const& searchPath, std::function<void(std::string)> const& found) {
    std::vector<std::string> sources;
    std::function<void(std::string)> const gather = [&sources](std::string path) {
        sources.push_back(std::move(path));
    };
    std::function<void(std::string)> const& collect = paths.size() == 1 ? found : gather;
    for (std::string const& path : paths) {
        std::error_code error;
        fs::file_status const status = fs::status(path, error);
        if (fs::is_regular_file(status)) {
            collect(fs::path(path).lexically_normal().string());
            continue;
        }
        if (!fs::is_directory(status)) {
            throw InvocationError("'" + path + "' is neither a file nor a folder");
        }
        // The folder's normal form is that of a path below it without the
        // last name: the path class keeps a trailing slash or none as given.
        std::string const sourcePrefix = (fs::path(path) / "x").lexically_normal().string();
        collectFolder(nullptr, path, path, sourcePrefix.substr(0, sourcePrefix.size() - 1),
                      {exclusions, searchPath, collect}, error);
        if (error) {
            throw InvocationError("cannot list the folder '" + path + "': " + error.message());
        }
    }
    std::sort(sources.begin(), sources.end());
    sources.erase(std::unique(sources.begin(), sources.end()), sources.end());
    std::ranges::for_each(sources, found);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Parses `utf8`, the text of `source` as read: the tree, or null after the
// syntax errors, which go to the report (the first only, or all of them up
// to the parser's limit). The parser reads ASCII text as it is, faster than
// the UTF-16 form, which only diagnostics need; positions are the same
// either way.
lf::astapi::Program* parseSource(SourceText const& source, std::string_view utf8,
                                 fe::astapi::AstNodeFactory& factory, bool allSyntaxErrors,
                                 FileReport& report) {
    // The text of `source` has lost its byte-order mark; the parser reads
    // the same text, so that it skips one more, as it does for the text of
    // the other subcommands.
    utf8 = withoutByteOrderMark(utf8);
    auto reportError = [&](lf::parser::SyntaxError const& error) {
        report.diagnostics.push_back(
            diagnosticAt(source, error.position(), "error", error.what(), error.identifier()));
    };
    if (allSyntaxErrors) {
        lf::parser::RecoveredParse recovered = lf::parser::parseUtf8Recovering(utf8, factory);
        std::ranges::for_each(recovered.errors, reportError);
        return recovered.errors.empty() ? recovered.program : nullptr;
    }
    try {
        return lf::parser::parseUtf8(utf8, factory);
    } catch (lf::parser::SyntaxError const& error) {
        reportError(error);
        return nullptr;
    }
}

// Parses and resolves one file, `source` as read into `utf8`: class files
// with the resolver that needs no caller, every other program with the
// search path of `model`. With
// `keepNames`, the report keeps the text and what its names resolved to
// (also when resolution stopped at an error).
void checkSource(SourceText const& source, std::string_view utf8, CallerModel model,
                 FileChecks const& checks, FileReport& report) {
    if (checks.keepNames) {
        report.text = source.text();
    }
    fe::astapi::AstNodeFactory factory;
    auto const parseStart = std::chrono::steady_clock::now();
    lf::astapi::Program* program =
        parseSource(source, utf8, factory, checks.allSyntaxErrors, report);
    report.times.parseSeconds = secondsSince(parseStart);
    if (program == nullptr) {
        return;
    }

    auto const resolveStart = std::chrono::steady_clock::now();
    resolveChecked(*program, factory, source, std::move(model), report.diagnostics);
    report.times.resolveSeconds = secondsSince(resolveStart);
    if (checks.keepNames) {
        report.names = collectResolvedNames(*program, source.text());
    }
}

// Checks the file at `path`, read into `file` (`readSeconds` spent on it).
FileReport checkFile(std::string const& path, FileContent const& file, double readSeconds,
                     CallerModel model, FileChecks const& checks) {
    FileReport report;
    if (!file.error.empty()) {
        report.failure = "korvex-nr: error: " + file.error + '\n';
        report.unreadable = true;
        return report;
    }
    report.times.readSeconds = readSeconds;
    report.times.bytes = file.content.size();
    try {
        SourceText const source = makeSourceText(fl::text::toUtf16(path), file.content);
        // Sources are in normal form: the file's folder is what comes before
        // its last slash.
        std::size_t const slash = path.rfind('/');
        std::string const folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        model.privateFolder = folder + std::string(kPrivateFolder);
        checkSource(source, file.content, std::move(model), checks, report);
        filterDiagnostics(report.diagnostics, file.content, source, checks);
    } catch (std::exception const& error) {
        report.failure = "korvex-nr: internal error: " + path + ": " + error.what() + '\n';
        report.internalError = true;
    } catch (...) {
        report.failure = "korvex-nr: internal error: " + path + ": unknown exception\n";
        report.internalError = true;
    }
    return report;
}

// `checked N/M files` on stderr, redrawn ten times a second by a thread of
// its own while files are checked, and wiped at the end; nothing when not
// `shown`.
class ProgressLine {
  public:
    // `checked` counts the files checked so far.
    ProgressLine(std::atomic<std::size_t> const& checked, std::size_t total, bool shown)
        : checked_(checked), total_(total) {
        if (shown) {
            drawer_ = std::jthread([this](std::stop_token stop) { draw(stop); });
        }
    }
    ~ProgressLine() {
        if (drawer_.joinable()) {
            drawer_.request_stop();
            drawer_.join();
            std::cerr << "\r\x1b[K" << std::flush;
        }
    }
    ProgressLine(ProgressLine const&) = delete;
    ProgressLine& operator=(ProgressLine const&) = delete;

  private:
    // Drawn at least once, however fast the check.
    void draw(std::stop_token const& stop) const {
        do {
            std::cerr << "\rchecked " << checked_.load() << '/' << total_ << " files" << std::flush;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (!stop.stop_requested());
    }

    std::atomic<std::size_t> const& checked_;
    std::size_t total_;
    std::jthread drawer_;
};

// The sources of a check, in their final order, as the walk finds them,
// and their reports. The checking threads take runs of them while the walk
// goes on, so that listing the folders is not a phase of its own.
class SourceQueue {
  public:
    // Sources taken together, read in one batch.
    struct Run {
        std::vector<std::string> paths;
        std::vector<FileReport*> reports;
    };

    explicit SourceQueue(unsigned threads) : threads_(threads) {}

    void add(std::string path) {
        {
            std::lock_guard const lock(mutex_);
            paths_.push_back(std::move(path));
            reports_.emplace_back();
        }
        added_.notify_one();
    }

    // No source comes after; with `abandoned`, the sources not yet taken
    // are not checked.
    void finish(bool abandoned = false) {
        {
            std::lock_guard const lock(mutex_);
            finished_ = true;
            if (abandoned) {
                next_ = paths_.size();
            }
        }
        added_.notify_all();
    }

    std::size_t size() const {
        std::lock_guard const lock(mutex_);
        return paths_.size();
    }

    // The next sources, at most `most`, into `run`; waits while the walk
    // goes on and none is left. False once every source is taken.
    bool take(std::size_t most, Run& run) {
        std::unique_lock lock(mutex_);
        added_.wait(lock, [this] { return finished_ || next_ < paths_.size(); });
        if (next_ == paths_.size()) {
            return false;
        }
        if (finished_) {
            std::size_t const left = paths_.size() - next_;
            most = std::clamp<std::size_t>(left / (threads_ * kRunsPerThread), 1, most);
        }
        std::size_t const count = std::min(most, paths_.size() - next_);
        run.paths.assign(paths_.begin() + static_cast<std::ptrdiff_t>(next_),
                         paths_.begin() + static_cast<std::ptrdiff_t>(next_ + count));
        run.reports.clear();
        for (std::size_t index = next_; index < next_ + count; ++index) {
            run.reports.push_back(&reports_[index]);
        }
        next_ += count;
        return true;
    }

    // The count of files checked so far, raised by the threads.
    std::atomic<std::size_t>& checked() { return checked_; }

    // Once every thread is done.
    std::vector<std::string> takePaths() {
        return {std::make_move_iterator(paths_.begin()), std::make_move_iterator(paths_.end())};
    }
    std::vector<FileReport> takeReports() {
        return {std::make_move_iterator(reports_.begin()), std::make_move_iterator(reports_.end())};
    }

  private:
    unsigned threads_;
    mutable std::mutex mutex_;
    std::condition_variable added_;
    // Elements of a deque stay in place as it grows, so that a thread
    // writes a report while the walk adds sources.
    std::deque<std::string> paths_;
    std::deque<FileReport> reports_;
    std::size_t next_ = 0;  // the first source not yet taken
    bool finished_ = false;
    std::atomic<std::size_t> checked_ = 0;
};

// Checks the sources of `queue` one run at a time until none is left, each
// run read in one batch.
void checkRuns(SourceQueue& queue, CallerModel const& model, FileChecks const& checks) {
    std::unique_ptr<FileBatchReader> const reader = makeFileBatchReader();
    SourceQueue::Run run;
    std::vector<FileContent> files;
    while (queue.take(reader->batchSize(), run)) {
        std::vector<std::string> const& paths = run.paths;
        auto const readStart = std::chrono::steady_clock::now();
        try {
            reader->read(paths, files);
        } catch (std::exception const& error) {
            for (std::size_t index = 0; index < paths.size(); ++index) {
                run.reports[index]->failure =
                    "korvex-nr: internal error: " + paths[index] + ": " + error.what() + '\n';
                run.reports[index]->internalError = true;
                ++queue.checked();
            }
            continue;
        }
        double const readSeconds = secondsSince(readStart) / paths.size();
        for (std::size_t index = 0; index < paths.size(); ++index) {
            *run.reports[index] = checkFile(paths[index], files[index], readSeconds, model, checks);
            ++queue.checked();
        }
    }
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
        CLI::Option_group* project = command->add_option_group("Project", "The project file");
        CLI::Option* config = project->add_option("--config", configFile_, "read this project file")
                                  ->type_name("FILE");
        project->add_flag("--no-config", noConfig_, "read no project file")->excludes(config);
        project->add_flag("--show-config", showConfig_,
                          "print the settings in force and where each was set, then stop");
        project
            ->add_option("--exclude", commandLine_.exclude,
                         "leave out the files and folders matching GLOB (repeatable)")
            ->type_name("GLOB")
            ->allow_extra_args(false);
        project
            ->add_option("--disable", commandLine_.disable,
                         "do not report the diagnostic IDENTIFIER (repeatable)")
            ->type_name("IDENTIFIER")
            ->allow_extra_args(false);
        CLI::Option_group* output = command->add_option_group("Output", "How results are shown");
        output
            ->add_option("--format", format_,
                         "text (diagnostics on stderr, summary on stdout), json or sarif (one "
                         "document on stdout)")
            ->transform(CLI::CheckedTransformer(
                std::map<std::string, Format>{
                    {"text", Format::text}, {"json", Format::json}, {"sarif", Format::sarif}},
                CLI::ignore_case))
            ->option_text("text|json|sarif");
        project->add_flag("--report-unused-ignores", reportUnusedIgnores_,
                          "warn about ignore comments that silence nothing");
        output
            ->add_option("--color", colour_,
                         "colour and source lines with a caret: auto (on a terminal, colour "
                         "unless NO_COLOR is set), always or never")
            ->transform(
                CLI::CheckedTransformer(std::map<std::string, Colour>{{"auto", Colour::automatic},
                                                                      {"always", Colour::always},
                                                                      {"never", Colour::never}},
                                        CLI::ignore_case))
            ->option_text("auto|always|never");
        output
            ->add_option("--html", htmlFolder_,
                         "also write a report to read in a browser into DIR (index.html)")
            ->type_name("DIR");
        output->add_flag("--all-syntax-errors", allSyntaxErrors_,
                         "report every syntax error of a file (up to " +
                             std::to_string(lf::parser::kMaxSyntaxErrors) +
                             "), not only the first");
        output->add_flag("-q,--quiet", quiet_,
                         "print the diagnostics only: no summary line, no progress line");
        output->add_flag("--stats", stats_,
                         "after the summary, print the time spent reading, parsing and "
                         "resolving (summed over threads), the bytes and MB/s of each, and the "
                         "peak memory");
        caller_.addTo(*command);
        command->footer(
            "Resolves every .kx file under the PATHs (class files with --local resolution, "
            "other programs over the search path) and prints the diagnostics on stderr, "
            "sorted by file, as FILE:LINE:COL: error: TEXT [IDENTIFIER]; then, on stdout, "
            "'N files, E errors, W warnings, S.SS seconds'. The settings of the nearest "
            "korvex.toml at or above the PATHs apply, with the command line's added. Without a "
            "search path, the project file's folder, or else the folders among the PATHs, are "
            "the search path.\n"
            "Exit status: 0 no error, 1 an error in some file, 2 bad invocation, a bad project "
            "file or an unreadable path or file, 3 an internal error on some file.");
    }

    int run() override {
        auto const start = std::chrono::steady_clock::now();
        ProjectConfig settings = projectSettings();
        addCommandLine(settings, caller_, commandLine_);
        if (showConfig_) {
            printSettings(std::cout, settings);
            return kSuccess;
        }
        CallerModel model = callerModel(settings, paths_);
        // The search path is read once for all files, on all threads.
        shareExternalNames(model);
        FileChecks checks{{}, reportUnusedIgnores_, !htmlFolder_.empty(), allSyntaxErrors_};
        for (std::string const& identifier : settings.disable.value) {
            checks.disabled.emplace_back(shortIdentifier(identifier));
        }
        // The switch is process-wide: set it before any thread reads it.
        lf::features::setPackageImportsFeature(settings.packageImports.value.value_or(false));

        // Files are checked while the walk finds them: a thread more starts
        // with each file found, up to the jobs asked for.
        SourceQueue queue(jobs_);
        std::vector<std::jthread> helpers;
        auto const helper = [&queue, &model, &checks] { checkRuns(queue, model, checks); };
        try {
            collectSources(
                paths_, Exclusions(settings, commandLine_), model.externalNames->searchPath(),
                [&](std::string path) {
                    queue.add(std::move(path));
                    if (helpers.size() + 1 < jobs_ && queue.size() > helpers.size() + 1) {
                        helpers.emplace_back(helper);
                    }
                });
        } catch (...) {
            queue.finish(true);
            throw;
        }
        queue.finish();

        bool const terminal = isatty(STDERR_FILENO) != 0;
        std::size_t const found = queue.size();
        {
            ProgressLine progress(
                queue.checked(), found,
                terminal && !quiet_ && !inContinuousIntegration() && found > kProgressThreshold);
            checkRuns(queue, model, checks);
            helpers.clear();
        }
        std::vector<std::string> const sources = queue.takePaths();
        std::vector<FileReport> const reports = queue.takeReports();

        CheckSummary summary{sources.size()};
        bool unreadable = false;
        bool internalError = false;
        PhaseTimes times;
        for (FileReport const& report : reports) {
            times += report.times;
            DiagnosticCounts const counts = countDiagnostics(report);
            summary.errors += counts.errors;
            summary.warnings += counts.warnings;
            unreadable = unreadable || report.unreadable;
            internalError = internalError || report.internalError;
        }
        summary.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!htmlFolder_.empty()) {
            writeHtmlReport(htmlFolder_, sources, reports);
        }
        print(reports, summary, textStyle(terminal));
        if (stats_) {
            writeStats(format_ == Format::text ? std::cout : std::cerr, times);
        }
        if (internalError) {
            return kInternalError;
        }
        if (unreadable) {
            return kBadInvocation;
        }
        return summary.errors > 0 ? kUserError : kSuccess;
    }

  private:
    enum class Format { text, json, sarif };
    enum class Colour { automatic, always, never };

    // Colour and source lines on a terminal (`NO_COLOR` turns the colour
    // off there); `--color always` asks for both anywhere.
    TextStyle textStyle(bool terminal) const {
        char const* noColour = std::getenv("NO_COLOR");
        bool const colourWanted = noColour == nullptr || *noColour == '\0';
        switch (colour_) {
            case Colour::always:
                return {true, true};
            case Colour::never:
                return {false, terminal};
            case Colour::automatic:
                break;
        }
        return {terminal && colourWanted, terminal};
    }

    // Failures of files go to stderr in every format; the diagnostics and
    // the summary where the format puts them. What goes to stderr is
    // gathered first and written at once: the stream is unbuffered, and
    // each piece of each line would otherwise be a system call of its own.
    void print(std::vector<FileReport> const& reports, CheckSummary const& summary,
               TextStyle style) const {
        std::ostringstream errors;
        for (FileReport const& report : reports) {
            errors << report.failure;
            if (format_ == Format::text) {
                for (Diagnostic const& diagnostic : report.diagnostics) {
                    writeText(errors, diagnostic, style);
                }
            }
        }
        std::cerr << errors.view() << std::flush;
        switch (format_) {
            case Format::text: {
                if (quiet_) {
                    break;
                }
                char seconds[32];
                std::snprintf(seconds, sizeof seconds, "%.2f", summary.seconds);
                std::cout << summary.files << " files, " << summary.errors << " errors, "
                          << summary.warnings << " warnings, " << seconds << " seconds\n";
                break;
            }
            case Format::json:
                writeJson(std::cout, reports, summary);
                break;
            case Format::sarif:
                writeSarif(std::cout, reports);
                break;
        }
    }

    // The project file's settings: --config's file, none with --no-config,
    // else the nearest korvex.toml at or above the PATHs, which must agree.
    ProjectConfig projectSettings() const {
        std::optional<fs::path> file;
        if (!configFile_.empty()) {
            file = configFile_;
        } else if (!noConfig_) {
            for (std::string const& path : paths_) {
                std::optional<fs::path> found = findProjectConfig(path);
                if (found && file && *found != *file) {
                    throw InvocationError("the PATHs belong to different projects ('" +
                                          file->string() + "' and '" + found->string() +
                                          "'): check them separately or name one with --config");
                }
                file = file ? file : found;
            }
        }
        if (!file) {
            return {};
        }
        return parseProjectConfig(readFile(file->string()), file->lexically_normal());
    }

    std::vector<std::string> paths_;
    unsigned jobs_ = std::max(1u, std::thread::hardware_concurrency());
    std::string configFile_;
    bool noConfig_ = false;
    bool showConfig_ = false;
    bool reportUnusedIgnores_ = false;
    Format format_ = Format::text;
    Colour colour_ = Colour::automatic;
    bool quiet_ = false;
    bool allSyntaxErrors_ = false;
    bool stats_ = false;
    std::string htmlFolder_;
    CheckCommandLine commandLine_;
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
