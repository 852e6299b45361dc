#include "front_end/import/ImportEntries.hpp"

namespace lf::import {

std::u16string_view ImportEntryBase::beforeLastDot() const {
    std::u16string_view text = rawArgument_;
    auto dot = text.rfind(u'.');
    return dot == std::u16string_view::npos ? std::u16string_view() : text.substr(0, dot);
}

std::u16string_view ImportEntryBase::afterLastDot() const {
    std::u16string_view text = rawArgument_;
    auto dot = text.rfind(u'.');
    return dot == std::u16string_view::npos ? text : text.substr(dot + 1);
}

}  // namespace lf::import
