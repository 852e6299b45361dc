#include "front_end/langutil/LineInfo.hpp"

#include <algorithm>

namespace lf::util {

LineInfo::LineInfo(std::u16string_view text) : text_(text) {
    lineStarts_.push_back(0);
    std::size_t const size = text_.size();
    for (std::size_t i = 0; i < size; ++i) {
        char16_t const unit = text_[i];
        // Every line break is at most U+000D: one comparison passes over all
        // the other characters, which are nearly all of them.
        if (unit > u'\r') [[likely]] {
            continue;
        }
        if (unit == u'\r' && i + 1 < size && text_[i + 1] == u'\n') {
            ++i;
        }
        if (unit == u'\r' || unit == u'\n') {
            lineStarts_.push_back(i + 1);
        }
    }
}

LineAndColumn LineInfo::lineAndColumn(uint32_t position) const {
    std::size_t offset = std::min<std::size_t>(std::max<uint32_t>(position, 1) - 1, text_.size());
    auto after = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
    auto line = static_cast<uint32_t>(after - lineStarts_.begin());
    auto column = static_cast<uint32_t>(offset - *(after - 1) + 1);
    return {line, column};
}

std::u16string_view LineInfo::lineText(uint32_t line) const {
    if (line == 0 || line > lineStarts_.size()) {
        return {};
    }
    std::size_t begin = lineStarts_[line - 1];
    std::size_t end = line < lineStarts_.size() ? lineStarts_[line] : text_.size();
    std::u16string_view lineWithBreak = std::u16string_view(text_).substr(begin, end - begin);
    std::size_t contentEnd = lineWithBreak.find_first_of(u"\r\n");
    return lineWithBreak.substr(0, contentEnd);
}

}  // namespace lf::util
