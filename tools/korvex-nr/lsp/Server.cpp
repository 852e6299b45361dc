// The server's loop. A reader thread turns framed messages into a queue;
// this loop takes them in order, so that every change is applied before the
// requests sent after it. A request is dropped when a `$/cancelRequest` for
// it already waits in the queue. Analyses run on this loop, at most once per
// document version: after a quiet period following the last change (the
// debounce, when the diagnostics are published), or at once when a request
// needs them, whose diagnostics are then published before the answer.

#include "tools/korvex-nr/lsp/Server.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <istream>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <thread>
#include <variant>

#include "foundation/text/Utf.hpp"
#include "front_end/import/Features.hpp"
#include "front_end/parser/Lexer.hpp"
#include "tools/korvex-nr/CheckSettings.hpp"
#include "tools/korvex-nr/FileReading.hpp"
#include "tools/korvex-nr/ProjectConfig.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"
#include "tools/korvex-nr/lsp/Analysis.hpp"
#include "tools/korvex-nr/lsp/TextDocument.hpp"
#include "tools/korvex-nr/lsp/Transport.hpp"

namespace korvex::lsp {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;
using tool::ResolvedName;

// JSON-RPC and LSP error codes.
namespace codes {
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;
constexpr int kRequestFailed = -32803;
constexpr int kRequestCancelled = -32800;
}  // namespace codes

constexpr std::chrono::milliseconds kDefaultDebounce{150};
// No message of the protocol nests deeper; deeper JSON is refused, so that
// copying and comparing values, which recurse, stays within the stack.
constexpr int kMaxJsonDepth = 64;

// An error answer to a request.
struct ResponseError {
    int code;
    std::string message;
};

// What the reader thread hands over: a message, a framing or JSON error,
// or the end of the input.
struct Incoming {
    std::optional<Json> message;
    std::string error;
    bool end = false;
};

// The queue between the reader thread and the loop. The thread holds it
// too, since it may outlive the loop, blocked on a read at exit.
class Inbox {
  public:
    void push(Incoming incoming) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(incoming));
        }
        ready_.notify_one();
    }

    // The next message, or nothing when `deadline` passes first.
    std::optional<Incoming> pop(std::optional<Clock::time_point> deadline) {
        std::unique_lock lock(mutex_);
        auto const waiting = [this] { return !queue_.empty(); };
        if (deadline) {
            if (!ready_.wait_until(lock, *deadline, waiting)) {
                return std::nullopt;
            }
        } else {
            ready_.wait(lock, waiting);
        }
        Incoming incoming = std::move(queue_.front());
        queue_.pop_front();
        return incoming;
    }

    // Whether a `$/cancelRequest` for `id` waits in the queue.
    bool cancels(Json const& id) {
        std::lock_guard lock(mutex_);
        return std::ranges::any_of(queue_, [&id](Incoming const& incoming) {
            Json const* message = incoming.message ? &*incoming.message : nullptr;
            return message != nullptr && message->is_object() &&
                   message->value("method", "") == "$/cancelRequest" &&
                   message->contains("params") && (*message)["params"].is_object() &&
                   (*message)["params"].value("id", Json()) == id;
        });
    }

  private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Incoming> queue_;
};

void readMessages(std::istream& in, std::shared_ptr<Inbox> const& inbox) {
    MessageReader reader(in);
    while (true) {
        try {
            std::optional<std::string> body = reader.read();
            if (!body) {
                break;
            }
            bool tooDeep = false;
            auto const depthLimit = [&tooDeep](int depth, Json::parse_event_t, Json&) {
                tooDeep = tooDeep || depth > kMaxJsonDepth;
                return !tooDeep;
            };
            Json message = Json::parse(*body, depthLimit, false);
            if (tooDeep) {
                inbox->push({std::nullopt, "the message nests too deeply", false});
            } else if (message.is_discarded()) {
                inbox->push({std::nullopt, "the message is not valid JSON", false});
            } else {
                inbox->push({std::move(message), {}, false});
            }
        } catch (FramingError const& error) {
            inbox->push({std::nullopt, error.what(), false});
        }
    }
    inbox->push({std::nullopt, {}, true});
}

// `file:///a/b%20c.kx` to `/a/b c.kx`; any other URI is kept as the name.
fs::path pathOfUri(std::string const& uri) {
    constexpr std::string_view kScheme = "file://";
    if (!uri.starts_with(kScheme)) {
        return uri;
    }
    std::string path;
    for (std::size_t index = kScheme.size(); index < uri.size(); ++index) {
        if (uri[index] == '%' && index + 2 < uri.size() &&
            std::isxdigit(static_cast<unsigned char>(uri[index + 1])) != 0 &&
            std::isxdigit(static_cast<unsigned char>(uri[index + 2])) != 0) {
            path += static_cast<char>(std::stoi(uri.substr(index + 1, 2), nullptr, 16));
            index += 2;
        } else {
            path += uri[index];
        }
    }
    return path;
}

Json toJson(Position position) {
    return {{"line", position.line}, {"character", position.character}};
}

Position positionOf(Json const& json) {
    return {json.at("line").get<std::uint32_t>(), json.at("character").get<std::uint32_t>()};
}

// `initializationOptions` as project settings, for a workspace without a
// project file: folders and files relative to `root`.
tool::ProjectConfig settingsFromOptions(Json const& options, fs::path const& root) {
    tool::ProjectConfig settings;
    if (!options.is_object()) {
        return settings;
    }
    constexpr char const* kOrigin = "initializationOptions";
    auto const paths = [&](char const* key, tool::ConfigValue<std::vector<fs::path>>& setting) {
        for (std::string const& entry : options.value(key, std::vector<std::string>{})) {
            setting.value.push_back(root / entry);
            setting.origin = kOrigin;
        }
    };
    auto const names = [&](char const* key, tool::ConfigValue<std::vector<std::string>>& setting) {
        setting.value = options.value(key, std::vector<std::string>{});
        setting.origin = kOrigin;
    };
    paths("path", settings.path);
    paths("builtins", settings.builtins);
    names("externals", settings.externals);
    names("externalPackages", settings.externalPackages);
    names("disable", settings.disable);
    if (options.contains("packageImports")) {
        settings.packageImports = {options["packageImports"].get<bool>(), kOrigin};
    }
    return settings;
}

struct DocumentState {
    TextDocument document;
    fs::path path;
    std::shared_ptr<Analysis const> analysis;
    std::int64_t analysedVersion = -1;
    std::optional<Clock::time_point> publishDue;
    // The last full or delta token answer, for the next delta.
    std::string tokensResultId;
    std::vector<std::uint32_t> tokens;
};

class Server {
  public:
    explicit Server(std::ostream& out) : out_(out) {}

    int run(std::istream& in) {
        // Input on a stream tied to the output flushes it first, which the
        // reader thread must never do while this loop writes.
        in.tie(nullptr);
        auto inbox = std::make_shared<Inbox>();
        inbox_ = inbox;
        std::thread([&in, inbox] { readMessages(in, inbox); }).detach();
        while (true) {
            std::optional<Incoming> incoming = inbox_->pop(nextDue());
            if (!incoming) {
                publishDue();
                continue;
            }
            if (incoming->end) {
                return shutdownRequested_ ? 0 : 1;
            }
            if (!incoming->message) {
                respondError(Json(), {codes::kParseError, incoming->error});
                continue;
            }
            if (std::optional<int> status = handle(*incoming->message)) {
                return *status;
            }
        }
    }

  private:
    // A result serialized by the handler: the token arrays, which hold
    // hundreds of thousands of numbers for a large document and are written
    // far faster than built as JSON values.
    struct Serialized {
        std::string text;
    };
    using Result = std::variant<Json, Serialized>;
    using Handler = Result (*)(Server& server, Json const& params);

    template <auto method>
    static Result call(Server& server, Json const& params) {
        return (server.*method)(params);
    }

    // Handles one message; the exit status once `exit` came.
    std::optional<int> handle(Json const& message) {
        if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
            bool const isAnswer =
                message.is_object() && (message.contains("result") || message.contains("error"));
            if (!isAnswer) {
                respondError(message.is_object() ? message.value("id", Json()) : Json(),
                             {codes::kInvalidRequest, "not a JSON-RPC request or notification"});
            }
            return std::nullopt;  // answers to requests of ours are not expected
        }
        std::string const method = message["method"];
        Json const params = message.value("params", Json::object());
        if (!message.contains("id")) {
            return notify(method, params);
        }
        Json const& id = message["id"];
        if (inbox_->cancels(id)) {
            respondError(id, {codes::kRequestCancelled, "the request was cancelled"});
            return std::nullopt;
        }
        try {
            respond(id, request(method, params));
        } catch (ResponseError const& error) {
            respondError(id, error);
        } catch (Json::exception const& error) {
            respondError(
                id, {codes::kInvalidParams, std::string("invalid parameters: ") + error.what()});
        } catch (std::exception const& error) {
            respondError(id, {codes::kInternalError, error.what()});
        }
        return std::nullopt;
    }

    Result request(std::string const& method, Json const& params) {
        if (method == "initialize") {
            return initialize(params);
        }
        if (!initialized_) {
            throw ResponseError{codes::kServerNotInitialized, "the server is not initialized"};
        }
        if (shutdownRequested_) {
            throw ResponseError{codes::kInvalidRequest, "the server is shutting down"};
        }
        static std::map<std::string, Handler, std::less<>> const handlers = {
            {"shutdown", &call<&Server::shutdown>},
            {"textDocument/semanticTokens/full", &call<&Server::semanticTokensFull>},
            {"textDocument/semanticTokens/full/delta", &call<&Server::semanticTokensDelta>},
            {"textDocument/semanticTokens/range", &call<&Server::semanticTokensRange>},
            {"textDocument/definition", &call<&Server::definition>},
            {"textDocument/documentHighlight", &call<&Server::documentHighlight>},
            {"textDocument/references", &call<&Server::references>},
            {"textDocument/hover", &call<&Server::hover>},
            {"textDocument/prepareRename", &call<&Server::prepareRename>},
            {"textDocument/rename", &call<&Server::rename>},
        };
        auto const handler = handlers.find(method);
        if (handler == handlers.end()) {
            throw ResponseError{codes::kMethodNotFound, "unknown method '" + method + "'"};
        }
        return handler->second(*this, params);
    }

    // Notifications never answer; malformed ones are ignored.
    std::optional<int> notify(std::string const& method, Json const& params) {
        if (method == "exit") {
            return shutdownRequested_ ? 0 : 1;
        }
        if (!initialized_) {
            return std::nullopt;
        }
        try {
            if (method == "textDocument/didOpen") {
                didOpen(params.at("textDocument"));
            } else if (method == "textDocument/didChange") {
                didChange(params);
            } else if (method == "textDocument/didClose") {
                didClose(params.at("textDocument").at("uri"));
            }
        } catch (Json::exception const& error) {
            logMessage(std::string("ignored a malformed ") + method + ": " + error.what());
        }
        return std::nullopt;
    }

    // ---------------------------------------------------------- life cycle

    Json initialize(Json const& params) {
        if (initialized_) {
            throw ResponseError{codes::kInvalidRequest, "the server is already initialized"};
        }
        fs::path root;
        if (params.contains("workspaceFolders") && params["workspaceFolders"].is_array() &&
            !params["workspaceFolders"].empty()) {
            root = pathOfUri(params["workspaceFolders"][0].at("uri"));
        } else if (params.value("rootUri", Json()).is_string()) {
            root = pathOfUri(params["rootUri"]);
        }
        Json const options = params.value("initializationOptions", Json::object());
        if (options.is_object() && options.contains("debounceMs")) {
            debounce_ = std::chrono::milliseconds(options["debounceMs"].get<unsigned>());
        }
        configure(root, options);
        initialized_ = true;
        Json legend{{"tokenTypes", Json::array()}, {"tokenModifiers", Json::array()}};
        for (std::string_view type : kTokenTypes) {
            legend["tokenTypes"].push_back(type);
        }
        for (std::string_view modifier : kTokenModifiers) {
            legend["tokenModifiers"].push_back(modifier);
        }
        return {{"capabilities",
                 {{"positionEncoding", "utf-16"},
                  {"textDocumentSync", {{"openClose", true}, {"change", 2}}},
                  {"semanticTokensProvider",
                   {{"legend", legend}, {"range", true}, {"full", {{"delta", true}}}}},
                  {"definitionProvider", true},
                  {"documentHighlightProvider", true},
                  {"referencesProvider", true},
                  {"hoverProvider", true},
                  {"renameProvider", {{"prepareProvider", true}}}}},
                {"serverInfo", {{"name", "korvex-nr"}}}};
    }

    // The settings of the workspace's korvex.toml, else of the options. A
    // bad project file is shown to the user, and defaults are used.
    void configure(fs::path const& root, Json const& options) {
        tool::ProjectConfig settings;
        try {
            std::optional<fs::path> file =
                root.empty() ? std::nullopt : tool::findProjectConfig(root);
            settings = file ? tool::parseProjectConfig(tool::readFile(file->string()), *file)
                            : settingsFromOptions(options, root);
            settings_.model =
                tool::callerModel(settings, root.empty() ? std::vector<std::string>{}
                                                         : std::vector<std::string>{root.string()});
        } catch (std::exception const& error) {
            showError(std::string("korvex-nr: the project settings are not usable, defaults "
                                  "apply: ") +
                      error.what());
            settings = {};
            settings_.model = {};
        }
        for (std::string const& identifier : settings.disable.value) {
            settings_.checks.disabled.emplace_back(tool::shortIdentifier(identifier));
        }
        tool::shareExternalNames(settings_.model);
        lf::features::setPackageImportsFeature(settings.packageImports.value.value_or(false));
    }

    Json shutdown(Json const&) {
        shutdownRequested_ = true;
        return nullptr;
    }

    // ---------------------------------------------------------- documents

    void didOpen(Json const& item) {
        std::string const uri = item.at("uri");
        DocumentState state{TextDocument(fl::text::toUtf16(item.at("text").get<std::string>()),
                                         item.value("version", std::int64_t{0})),
                            pathOfUri(uri),
                            nullptr,
                            -1,
                            Clock::now() + debounce_,
                            {},
                            {}};
        documents_.insert_or_assign(uri, std::move(state));
    }

    void didChange(Json const& params) {
        Json const& identifier = params.at("textDocument");
        auto const found = documents_.find(identifier.at("uri").get<std::string>());
        if (found == documents_.end()) {
            logMessage("ignored a change of a document that is not open");
            return;
        }
        DocumentState& state = found->second;
        for (Json const& change : params.at("contentChanges")) {
            std::optional<Range> range;
            if (change.contains("range")) {
                range = Range{positionOf(change["range"].at("start")),
                              positionOf(change["range"].at("end"))};
            }
            state.document.applyChange(range,
                                       fl::text::toUtf16(change.at("text").get<std::string>()));
        }
        state.document.setVersion(identifier.value("version", state.document.version() + 1));
        state.publishDue = Clock::now() + debounce_;
    }

    void didClose(std::string const& uri) {
        if (documents_.erase(uri) > 0) {
            send({{"method", "textDocument/publishDiagnostics"},
                  {"params", {{"uri", uri}, {"diagnostics", Json::array()}}}});
        }
    }

    // The document a request names, analysed, with its diagnostics
    // published first when they were waiting.
    DocumentState& analysed(Json const& params) {
        std::string const uri = params.at("textDocument").at("uri");
        auto const found = documents_.find(uri);
        if (found == documents_.end()) {
            throw ResponseError{codes::kInvalidParams, "the document '" + uri + "' is not open"};
        }
        DocumentState& state = found->second;
        if (state.publishDue) {
            publish(uri, state);
        }
        return state;
    }

    // A fault of the library on one document is shown to the user, and the
    // document counts as holding nothing, so that the server goes on.
    void ensureAnalysis(DocumentState& state) {
        if (state.analysedVersion == state.document.version() && state.analysis) {
            return;
        }
        try {
            state.analysis = analyze(state.document.text(), state.path, settings_);
        } catch (std::exception const& error) {
            showError("korvex-nr: internal error on " + state.path.string() + ": " + error.what());
            state.analysis = std::make_shared<Analysis const>();
        }
        state.analysedVersion = state.document.version();
    }

    std::optional<Clock::time_point> nextDue() const {
        std::optional<Clock::time_point> earliest;
        for (auto const& [uri, state] : documents_) {
            if (state.publishDue && (!earliest || *state.publishDue < *earliest)) {
                earliest = state.publishDue;
            }
        }
        return earliest;
    }

    void publishDue() {
        auto const now = Clock::now();
        for (auto& [uri, state] : documents_) {
            if (state.publishDue && *state.publishDue <= now) {
                publish(uri, state);
            }
        }
    }

    void publish(std::string const& uri, DocumentState& state) {
        ensureAnalysis(state);
        state.publishDue.reset();
        Json diagnostics = Json::array();
        for (tool::Diagnostic const& diagnostic : state.analysis->diagnostics) {
            Position start;
            Position end;
            if (diagnostic.line > 0) {
                start = {diagnostic.line - 1, diagnostic.column - 1};
                end = {start.line,
                       diagnostic.endColumn > 0 ? diagnostic.endColumn - 1 : start.character + 1};
            }
            diagnostics.push_back({{"range", {{"start", toJson(start)}, {"end", toJson(end)}}},
                                   {"severity", diagnostic.severity == "error" ? 1 : 2},
                                   {"code", diagnostic.identifier},
                                   {"source", "korvex-nr"},
                                   {"message", diagnostic.message}});
        }
        send({{"method", "textDocument/publishDiagnostics"},
              {"params",
               {{"uri", uri},
                {"version", state.document.version()},
                {"diagnostics", std::move(diagnostics)}}}});
    }

    // ---------------------------------------------------------- features

    // The offset a request's position names; out of the text is an error.
    static std::size_t offsetOf(DocumentState const& state, Json const& position) {
        Position const where = positionOf(position);
        std::optional<std::size_t> offset = state.document.offsetAt(where);
        if (!offset) {
            throw ResponseError{codes::kInvalidParams, "position " + std::to_string(where.line) +
                                                           ":" + std::to_string(where.character) +
                                                           " is outside the document"};
        }
        return *offset;
    }

    // The name at the request's position, or null.
    ResolvedName const* nameAt(DocumentState& state, Json const& params) {
        std::size_t const offset = offsetOf(state, params.at("position"));
        ensureAnalysis(state);
        return state.analysis->nameAt(offset);
    }

    static Json rangeOf(DocumentState const& state, std::uint32_t position, std::uint32_t length) {
        return {{"start", toJson(state.document.positionAt(position - 1))},
                {"end", toJson(state.document.positionAt(position - 1 + length))}};
    }

    // The encoded tokens of the names starting in `span` (0-based offsets,
    // the whole text when absent). The names are in text order, so their
    // lines are found by walking forwards.
    std::vector<std::uint32_t> tokenData(DocumentState& state,
                                         std::optional<std::pair<std::size_t, std::size_t>> span) {
        ensureAnalysis(state);
        std::vector<NameToken> nameTokens;
        for (ResolvedName const& name : state.analysis->names) {
            if (!span || (name.position > span->first && name.position <= span->second)) {
                appendTokens(name, nameTokens);
            }
        }
        std::vector<SemanticToken> tokens;
        tokens.reserve(nameTokens.size());
        std::uint32_t line = 0;
        for (NameToken const& token : nameTokens) {
            std::size_t const offset = token.position - 1;
            while (line + 1 < state.document.lineCount() &&
                   state.document.lineStart(line + 1) <= offset) {
                ++line;
            }
            tokens.push_back({line,
                              static_cast<std::uint32_t>(offset - state.document.lineStart(line)),
                              token.length, token.type, token.modifiers});
        }
        return encodeTokens(tokens);
    }

    // `{"resultId":"N","data":[...]}`, remembered for the next delta.
    Serialized tokensResult(DocumentState& state, std::vector<std::uint32_t> data) {
        state.tokens = std::move(data);
        state.tokensResultId = std::to_string(++tokenResults_);
        std::string text = "{\"resultId\":\"" + state.tokensResultId + "\",\"data\":";
        appendNumbers(text, state.tokens);
        text += '}';
        return {std::move(text)};
    }

    static void appendNumbers(std::string& text, std::vector<std::uint32_t> const& numbers) {
        text.reserve(text.size() + numbers.size() * 3 + 2);
        text += '[';
        char digits[16];
        for (std::size_t index = 0; index < numbers.size(); ++index) {
            if (index > 0) {
                text += ',';
            }
            char* const end = std::to_chars(digits, digits + sizeof digits, numbers[index]).ptr;
            text.append(digits, end);
        }
        text += ']';
    }

    Result semanticTokensFull(Json const& params) {
        DocumentState& state = analysed(params);
        return tokensResult(state, tokenData(state, std::nullopt));
    }

    Result semanticTokensDelta(Json const& params) {
        DocumentState& state = analysed(params);
        std::vector<std::uint32_t> current = tokenData(state, std::nullopt);
        if (params.value("previousResultId", "") != state.tokensResultId) {
            return tokensResult(state, std::move(current));
        }
        Json edits = Json::array();
        for (TokenEdit const& edit : tokenEdits(state.tokens, current)) {
            edits.push_back(
                {{"start", edit.start}, {"deleteCount", edit.deleteCount}, {"data", edit.data}});
        }
        state.tokens = std::move(current);
        state.tokensResultId = std::to_string(++tokenResults_);
        return Json{{"resultId", state.tokensResultId}, {"edits", std::move(edits)}};
    }

    Result semanticTokensRange(Json const& params) {
        DocumentState& state = analysed(params);
        Json const& range = params.at("range");
        std::size_t const start = state.document.clampedOffsetAt(positionOf(range.at("start")));
        std::size_t const end = state.document.clampedOffsetAt(positionOf(range.at("end")));
        std::string text = "{\"data\":";
        appendNumbers(text, tokenData(state, std::pair{start, end}));
        text += '}';
        return Serialized{std::move(text)};
    }

    Json definition(Json const& params) {
        DocumentState& state = analysed(params);
        ResolvedName const* name = nameAt(state, params);
        if (name == nullptr) {
            return nullptr;
        }
        std::string const& uri = params["textDocument"]["uri"];
        if (isRenamable(*name)) {
            ResolvedName const* introducer = state.analysis->nameStartingAt(name->introducer);
            std::uint32_t const length = introducer != nullptr ? introducer->length : name->length;
            return {{"uri", uri}, {"range", rangeOf(state, name->introducer, length)}};
        }
        if (ImportSite const* site = name->imported ? state.analysis->importOf(*name) : nullptr) {
            return {{"uri", uri},
                    {"range", rangeOf(state, site->position,
                                      static_cast<std::uint32_t>(site->text.size()))}};
        }
        return nullptr;
    }

    // The names meaning the same as the one at the request's position.
    std::vector<ResolvedName const*> sameMeaningAt(Json const& params) {
        DocumentState& state = analysed(params);
        ResolvedName const* name = nameAt(state, params);
        return name == nullptr ? std::vector<ResolvedName const*>{}
                               : state.analysis->sameMeaning(*name);
    }

    Json documentHighlight(Json const& params) {
        DocumentState const& state = analysed(params);
        constexpr int kRead = 2;
        constexpr int kWrite = 3;
        Json highlights = Json::array();
        for (ResolvedName const* same : sameMeaningAt(params)) {
            bool const introduces = isRenamable(*same) && same->introducer == same->position;
            highlights.push_back({{"range", rangeOf(state, same->position, same->length)},
                                  {"kind", introduces ? kWrite : kRead}});
        }
        return highlights;
    }

    Json references(Json const& params) {
        DocumentState const& state = analysed(params);
        bool const withDeclaration =
            params.value("context", Json::object()).value("includeDeclaration", true);
        Json locations = Json::array();
        for (ResolvedName const* same : sameMeaningAt(params)) {
            if (withDeclaration || same->introducer != same->position) {
                locations.push_back({{"uri", params["textDocument"]["uri"]},
                                     {"range", rangeOf(state, same->position, same->length)}});
            }
        }
        return locations;
    }

    Json hover(Json const& params) {
        DocumentState& state = analysed(params);
        ResolvedName const* name = nameAt(state, params);
        if (name == nullptr) {
            return nullptr;
        }
        std::string text = "`" + fl::text::toUtf8(name->name) + "`: " + describe(*name);
        if (name->introducer != 0) {
            Position const where = state.document.positionAt(name->introducer - 1);
            std::u16string_view line = state.document.text();
            std::size_t const lineStart = name->introducer - 1 - where.character;
            line = line.substr(lineStart, line.find_first_of(u"\r\n", lineStart) - lineStart);
            text += "\n\nintroduced on line " + std::to_string(where.line + 1) + ": `" +
                    fl::text::toUtf8(line) + "`";
        }
        return {{"contents", {{"kind", "markdown"}, {"value", text}}},
                {"range", rangeOf(state, name->position, name->length)}};
    }

    // The name a rename starts from; refused for names it cannot rename.
    ResolvedName const& renamable(DocumentState& state, Json const& params) {
        ResolvedName const* name = nameAt(state, params);
        if (name == nullptr) {
            throw ResponseError{codes::kRequestFailed, "there is no name here to rename"};
        }
        if (!isRenamable(*name) || name->imported) {
            throw ResponseError{codes::kRequestFailed,
                                "only variables and functions of this file can be renamed; '" +
                                    fl::text::toUtf8(name->name) + "' is " + describe(*name)};
        }
        return *name;
    }

    Json prepareRename(Json const& params) {
        DocumentState& state = analysed(params);
        ResolvedName const& name = renamable(state, params);
        return {{"range", rangeOf(state, name.position, name.length)},
                {"placeholder", fl::text::toUtf8(name.name)}};
    }

    Json rename(Json const& params) {
        DocumentState& state = analysed(params);
        ResolvedName const& name = renamable(state, params);
        std::u16string const newName = fl::text::toUtf16(params.at("newName").get<std::string>());
        if (!isIdentifier(newName)) {
            throw ResponseError{codes::kInvalidParams,
                                "'" + params["newName"].get<std::string>() +
                                    "' is not a name: names start with a letter, go on with "
                                    "letters, digits and '_', and are not keywords"};
        }
        std::vector<ResolvedName const*> const renamed = state.analysis->sameMeaning(name);
        checkRename(state, renamed, newName);
        Json edits = Json::array();
        for (ResolvedName const* site : renamed) {
            edits.push_back({{"range", rangeOf(state, site->position, site->length)},
                             {"newText", params["newName"]}});
        }
        return {{"changes", {{params["textDocument"]["uri"].get<std::string>(), edits}}}};
    }

    static bool isIdentifier(std::u16string_view text) {
        lf::parser::Lexer lexer(text);
        lf::parser::Token token;
        lexer.next(token);
        return token.kind == lf::parser::TokenKind::Identifier && token.begin == 0 &&
               token.end == text.size();
    }

    // Refuses the rename when the renamed text resolves any name otherwise
    // than the text does now, or holds more errors: every name is compared
    // with the one at its new place.
    void checkRename(DocumentState const& state, std::vector<ResolvedName const*> const& renamed,
                     std::u16string const& newName) {
        std::u16string text = state.document.text();
        for (auto site = renamed.rbegin(); site != renamed.rend(); ++site) {
            text.replace((*site)->position - 1, (*site)->length, newName);
        }
        // Where a position of the text lies after the rename. The sites are
        // in source order and all spell the same name, so a position moves
        // by the growth of one site times the sites before it.
        std::int64_t const growth =
            static_cast<std::int64_t>(newName.size()) - renamed.front()->length;
        auto const moved = [&renamed, growth](std::uint32_t position) {
            auto const before =
                std::ranges::lower_bound(renamed, position, {}, &ResolvedName::position);
            return static_cast<std::uint32_t>(position + growth * (before - renamed.begin()));
        };
        Analysis const& before = *state.analysis;
        std::shared_ptr<Analysis const> const after = analyze(text, state.path, settings_);
        std::string const target = fl::text::toUtf8(newName);
        for (ResolvedName const& name : before.names) {
            ResolvedName const* now = after->nameStartingAt(moved(name.position));
            bool const same =
                now != nullptr && now->kind == name.kind && now->imported == name.imported &&
                now->introducer == (name.introducer == 0 ? 0 : moved(name.introducer));
            if (!same) {
                Position const where = state.document.positionAt(name.position - 1);
                throw ResponseError{codes::kRequestFailed,
                                    "renaming to '" + target + "' would change what '" +
                                        fl::text::toUtf8(name.name) + "' on line " +
                                        std::to_string(where.line + 1) + ", column " +
                                        std::to_string(where.character + 1) + " refers to"};
            }
        }
        auto const errors = [](Analysis const& analysis) {
            return std::ranges::count(analysis.diagnostics, std::string("error"),
                                      &tool::Diagnostic::severity);
        };
        if (errors(*after) > errors(before)) {
            throw ResponseError{codes::kRequestFailed,
                                "renaming to '" + target + "' would make the file wrong"};
        }
    }

    // ---------------------------------------------------------- output

    void send(Json message) {
        message["jsonrpc"] = "2.0";
        writeMessage(out_, message.dump(-1, ' ', false, Json::error_handler_t::replace));
    }

    void respond(Json const& id, Result result) {
        if (Json* json = std::get_if<Json>(&result)) {
            send({{"id", id}, {"result", std::move(*json)}});
            return;
        }
        writeMessage(out_, "{\"jsonrpc\":\"2.0\",\"id\":" + id.dump() +
                               ",\"result\":" + std::get<Serialized>(result).text + "}");
    }

    void respondError(Json const& id, ResponseError const& error) {
        send({{"id", id}, {"error", {{"code", error.code}, {"message", error.message}}}});
    }

    void logMessage(std::string const& text) {
        constexpr int kLog = 4;
        send({{"method", "window/logMessage"}, {"params", {{"type", kLog}, {"message", text}}}});
    }

    void showError(std::string const& text) {
        constexpr int kError = 1;
        send({{"method", "window/showMessage"}, {"params", {{"type", kError}, {"message", text}}}});
    }

    std::ostream& out_;
    std::shared_ptr<Inbox> inbox_;
    AnalysisSettings settings_;
    std::map<std::string, DocumentState, std::less<>> documents_;
    std::chrono::milliseconds debounce_ = kDefaultDebounce;
    std::uint64_t tokenResults_ = 0;
    bool initialized_ = false;
    bool shutdownRequested_ = false;
};

}  // namespace

int runLanguageServer(std::istream& in, std::ostream& out) {
    return Server(out).run(in);
}

}  // namespace korvex::lsp
