// Header lines are read up to the empty line; names are compared without
// regard to case, and a bare LF is accepted for CRLF, so that hand-written
// test input works too.

#include "tools/korvex-nr/lsp/Transport.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <istream>
#include <ostream>

namespace korvex::lsp {

namespace {

bool equalsIgnoringCase(std::string_view left, std::string_view right) {
    return std::ranges::equal(left, right, [](unsigned char a, unsigned char b) {
        return std::tolower(a) == std::tolower(b);
    });
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::optional<std::string> MessageReader::read() {
    std::optional<std::size_t> length;
    std::string problem;
    std::string line;
    bool sawHeader = false;
    while (true) {
        if (!std::getline(in_, line)) {
            return std::nullopt;
        }
        std::string_view const header = trimmed(line);
        if (header.empty()) {
            if (sawHeader) {
                break;
            }
            continue;  // blank lines between messages
        }
        sawHeader = true;
        std::size_t const colon = header.find(':');
        if (colon == std::string_view::npos) {
            problem = "a header line without ':'";
            continue;
        }
        if (!equalsIgnoringCase(trimmed(header.substr(0, colon)), "Content-Length")) {
            continue;
        }
        std::string_view const value = trimmed(header.substr(colon + 1));
        std::size_t parsed = 0;
        auto const [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), parsed);
        if (error != std::errc() || end != value.data() + value.size()) {
            problem = "Content-Length is not a number";
            continue;
        }
        length = parsed;
    }
    if (!problem.empty()) {
        if (length && *length <= kMaxMessageBytes) {
            in_.ignore(static_cast<std::streamsize>(*length));
        }
        throw FramingError("malformed message header: " + problem);
    }
    if (!length) {
        throw FramingError("malformed message header: no Content-Length");
    }
    if (*length > kMaxMessageBytes) {
        in_.ignore(static_cast<std::streamsize>(*length));
        throw FramingError("message of " + std::to_string(*length) + " bytes is over the limit");
    }
    std::string body(*length, '\0');
    in_.read(body.data(), static_cast<std::streamsize>(body.size()));
    if (static_cast<std::size_t>(in_.gcount()) != body.size()) {
        return std::nullopt;
    }
    return body;
}

void writeMessage(std::ostream& out, std::string_view body) {
    out << "Content-Length: " << body.size() << "\r\n\r\n" << body;
    out.flush();
}

}  // namespace korvex::lsp
