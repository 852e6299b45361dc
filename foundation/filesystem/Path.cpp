#include "foundation/filesystem/Path.hpp"

#include <vector>

namespace fl::filesystem::detail {
namespace {

constexpr char16_t kSeparator = u'/';

bool isSeparator(char16_t c) {
    return c == u'/' || c == u'\\';
}

std::u16string normalizeSegments(std::u16string_view path) {
    bool absolute = isSeparator(path.front());
    std::vector<std::u16string_view> kept;
    while (!path.empty()) {
        std::size_t end = 0;
        while (end < path.size() && !isSeparator(path[end])) {
            ++end;
        }
        std::u16string_view segment = path.substr(0, end);
        path.remove_prefix(end == path.size() ? end : end + 1);
        if (segment.empty() || segment == u".") {
            continue;
        }
        if (segment == u".." && !kept.empty() && kept.back() != u"..") {
            kept.pop_back();
        } else if (segment != u".." || !absolute) {
            kept.push_back(segment);
        }
    }
    std::u16string out(absolute ? u"/" : u"");
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) {
            out.push_back(kSeparator);
        }
        out += kept[i];
    }
    return out.empty() ? u"." : out;
}

}  // namespace

std::u16string make_native_form(std::u16string_view path, bool normalize) {
    if (path.empty()) {
        return {};
    }
    if (normalize) {
        return normalizeSegments(path);
    }
    std::u16string out(path);
    for (char16_t& c : out) {
        if (isSeparator(c)) {
            c = kSeparator;
        }
    }
    return out;
}

std::u16string extract_stem(std::u16string_view path) {
    std::size_t lastSeparator = path.find_last_of(u"/\\");
    std::u16string_view name =
        lastSeparator == std::u16string_view::npos ? path : path.substr(lastSeparator + 1);
    if (name == u"..") {
        return std::u16string(name);
    }
    std::size_t dot = name.rfind(u'.');
    if (dot == std::u16string_view::npos || dot == 0) {
        return std::u16string(name);
    }
    return std::u16string(name.substr(0, dot));
}

}  // namespace fl::filesystem::detail
