#pragma once
// The framing of language-server messages on a byte stream: a header block
// of `Name: value` lines ended by an empty line (each line ended by CRLF),
// of which Content-Length counts the bytes of the body that follows.

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvex::lsp {

// A header block without a usable Content-Length, or with a malformed line.
// The reader stands after the bad header block (and after the body when its
// length was given), so reading can go on.
class FramingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The largest body accepted; a larger one is skipped unread as a framing
// error, so that a broken client cannot make the server hold gigabytes.
inline constexpr std::size_t kMaxMessageBytes = std::size_t{256} << 20;

// Reads framed bodies from `in`.
class MessageReader {
  public:
    explicit MessageReader(std::istream& in) : in_(in) {}

    // The next body; nothing at the end of the stream (also when it ends
    // inside a header block). FramingError for a malformed frame.
    std::optional<std::string> read();

  private:
    std::istream& in_;
};

// Writes `body` with its header and flushes.
void writeMessage(std::ostream& out, std::string_view body);

}  // namespace korvex::lsp
