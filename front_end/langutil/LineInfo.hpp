#pragma once
// Line structure of a source text, for turning source positions into lines and
// columns in diagnostics.
//
// A position is the 1-based offset of a character counted in UTF-16 code
// units. "\n", "\r\n" and a lone "\r" each end a line; a line break belongs to
// the line it ends. Columns are 1-based and count UTF-16 code units, so a
// character outside the basic plane takes two columns.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace lf::util {

struct LineAndColumn {
    uint32_t line;
    uint32_t column;

    bool operator==(LineAndColumn const&) const = default;
};

// The line table, and for a text given as UTF-8 its UTF-16 form, are made at
// the first question, not with the object: a program that reports nothing
// about a text (most checked files) never pays for them. Questions may come
// from several threads at once.
class LineInfo {
  public:
    explicit LineInfo(std::u16string_view text) : text_(text) {}
    // Keeps the UTF-8 bytes as they are; each ill-formed sequence counts as
    // one character (U+FFFD) once converted.
    explicit LineInfo(std::string_view utf8) : utf8_(utf8) {}
    LineInfo(LineInfo const&) = delete;
    LineInfo& operator=(LineInfo const&) = delete;

    // The text in UTF-16, which positions count in.
    std::u16string_view text() const;

    // Position 0 is treated as 1 (the first character). Positions past the end
    // of the text are treated as the position just after the last character,
    // so an error at the end of the input still gets a line and a column.
    LineAndColumn lineAndColumn(uint32_t position) const;

    // A text that ends with a line break has an empty last line after it; the
    // empty text has one line.
    uint32_t lineCount() const { return static_cast<uint32_t>(lineStarts().size()); }

    // The text of a 1-based line without its line break; empty for lines that
    // do not exist.
    std::u16string_view lineText(uint32_t line) const;

  private:
    // The line table, made on the first call together with the UTF-16 text.
    std::vector<std::size_t> const& lineStarts() const;
    void prepare() const;

    // The text as given in UTF-8, until prepare() converts it into `text_`.
    mutable std::string utf8_;
    mutable std::u16string text_;
    // Whether `text_` and `lineStarts_` are made. Checked without the lock;
    // std::call_once would cost a system call per object on its first use.
    mutable std::atomic<bool> prepared_ = false;
    mutable std::mutex preparing_;
    // 0-based offset of the first code unit of every line, ascending; empty
    // until prepared.
    mutable std::vector<std::size_t> lineStarts_;
};

}  // namespace lf::util
