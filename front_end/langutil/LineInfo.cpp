#include "front_end/langutil/LineInfo.hpp"

#include <algorithm>

namespace lf::util {

LineInfo::LineInfo(std::u16string_view text) : text_(text) {
    lineStarts_.push_back(0);
    for (std::size_t i = 0; i < text_.size(); ++i) {
        if (text_[i] == u'\r' && i + 1 < text_.size() && text_[i + 1] == u'\n') {
            ++i;
        }
        if (text_[i] == u'\r' || text_[i] == u'\n') {
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
