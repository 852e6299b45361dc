#include "front_end/langutil/LineInfo.hpp"

#include <algorithm>

#include "foundation/text/Utf.hpp"

namespace lf::util {

void LineInfo::prepare() const {
    if (prepared_.load(std::memory_order_acquire)) {
        return;
    }
    std::lock_guard const lock(preparing_);
    if (prepared_.load(std::memory_order_relaxed)) {
        return;
    }
    if (!utf8_.empty()) {
        text_ = fl::text::toUtf16(utf8_);
        std::string().swap(utf8_);
    }
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
    prepared_.store(true, std::memory_order_release);
}

std::vector<std::size_t> const& LineInfo::lineStarts() const {
    prepare();
    return lineStarts_;
}

std::u16string_view LineInfo::text() const {
    prepare();
    return text_;
}

LineAndColumn LineInfo::lineAndColumn(uint32_t position) const {
    std::vector<std::size_t> const& starts = lineStarts();
    std::size_t offset = std::min<std::size_t>(std::max<uint32_t>(position, 1) - 1, text_.size());
    auto after = std::upper_bound(starts.begin(), starts.end(), offset);
    auto line = static_cast<uint32_t>(after - starts.begin());
    auto column = static_cast<uint32_t>(offset - *(after - 1) + 1);
    return {line, column};
}

std::u16string_view LineInfo::lineText(uint32_t line) const {
    std::vector<std::size_t> const& starts = lineStarts();
    if (line == 0 || line > starts.size()) {
        return {};
    }
    std::size_t begin = starts[line - 1];
    std::size_t end = line < starts.size() ? starts[line] : text_.size();
    std::u16string_view lineWithBreak = std::u16string_view(text_).substr(begin, end - begin);
    std::size_t contentEnd = lineWithBreak.find_first_of(u"\r\n");
    return lineWithBreak.substr(0, contentEnd);
}

}  // namespace lf::util
