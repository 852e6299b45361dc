#pragma once
// An open document as the editor sees it: its UTF-16 text, its version and
// the start of every line, so that positions of the protocol (0-based line,
// 0-based UTF-16 character within the line) and offsets into the text
// convert both ways. Line breaks are "\n", "\r\n" and "\r", as the protocol
// counts them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvex::lsp {

struct Position {
    std::uint32_t line = 0;
    std::uint32_t character = 0;  // UTF-16 code units from the line's start

    bool operator==(Position const&) const = default;
};

struct Range {
    Position start;
    Position end;
};

class TextDocument {
  public:
    TextDocument(std::u16string text, std::int64_t version);

    std::u16string const& text() const { return text_; }
    std::int64_t version() const { return version_; }
    std::size_t lineCount() const { return lineStarts_.size(); }
    // The offset of the first unit of `line`, which is below lineCount().
    std::size_t lineStart(std::size_t line) const { return lineStarts_[line]; }

    // The offset of `position`; nothing past the end of its line (before
    // its line break) or below the last line.
    std::optional<std::size_t> offsetAt(Position position) const;
    // The same, with a position out of the text moved to the end of its
    // line or of the text, as edits are read.
    std::size_t clampedOffsetAt(Position position) const;
    // The position of `offset` (past the end: the end of the text).
    Position positionAt(std::size_t offset) const;

    // Replaces `range` (the whole text when absent) by `text`. Ranges out of
    // the text are clamped; a start after the end counts as the end.
    void applyChange(std::optional<Range> const& range, std::u16string_view text);
    void setVersion(std::int64_t version) { version_ = version; }

  private:
    void indexLines();
    std::size_t lineEnd(std::size_t line) const;  // before the line break

    std::u16string text_;
    std::int64_t version_;
    // 0-based offset of the first code unit of every line, ascending; the
    // empty text and a text ending with a line break have an empty last line.
    std::vector<std::size_t> lineStarts_;
};

}  // namespace korvex::lsp
