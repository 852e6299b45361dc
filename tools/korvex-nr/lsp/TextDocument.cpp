// Lines are indexed again after every change: one pass over the text, far
// cheaper than the analysis each change brings.

#include "tools/korvex-nr/lsp/TextDocument.hpp"

#include <algorithm>

namespace korvex::lsp {

TextDocument::TextDocument(std::u16string text, std::int64_t version)
    : text_(std::move(text)), version_(version) {
    indexLines();
}

void TextDocument::indexLines() {
    lineStarts_.assign(1, 0);
    for (std::size_t offset = 0; offset < text_.size(); ++offset) {
        char16_t const unit = text_[offset];
        if (unit == u'\r' && offset + 1 < text_.size() && text_[offset + 1] == u'\n') {
            ++offset;
        }
        if (unit == u'\n' || unit == u'\r') {
            lineStarts_.push_back(offset + 1);
        }
    }
}

std::size_t TextDocument::lineEnd(std::size_t line) const {
    if (line + 1 >= lineStarts_.size()) {
        return text_.size();
    }
    std::size_t end = lineStarts_[line + 1] - 1;
    if (end > lineStarts_[line] && text_[end] == u'\n' && text_[end - 1] == u'\r') {
        --end;
    }
    return end;
}

std::optional<std::size_t> TextDocument::offsetAt(Position position) const {
    if (position.line >= lineStarts_.size()) {
        return std::nullopt;
    }
    std::size_t const offset = lineStarts_[position.line] + position.character;
    if (offset > lineEnd(position.line)) {
        return std::nullopt;
    }
    return offset;
}

std::size_t TextDocument::clampedOffsetAt(Position position) const {
    if (position.line >= lineStarts_.size()) {
        return text_.size();
    }
    return std::min(lineStarts_[position.line] + position.character, lineEnd(position.line));
}

Position TextDocument::positionAt(std::size_t offset) const {
    offset = std::min(offset, text_.size());
    auto const next = std::ranges::upper_bound(lineStarts_, offset);
    auto const line = static_cast<std::size_t>(next - lineStarts_.begin()) - 1;
    return {static_cast<std::uint32_t>(line),
            static_cast<std::uint32_t>(offset - lineStarts_[line])};
}

void TextDocument::applyChange(std::optional<Range> const& range, std::u16string_view text) {
    if (!range) {
        text_.assign(text);
    } else {
        std::size_t const start = clampedOffsetAt(range->start);
        std::size_t const end = std::max(start, clampedOffsetAt(range->end));
        text_.replace(start, end - start, text);
    }
    indexLines();
}

}  // namespace korvex::lsp
