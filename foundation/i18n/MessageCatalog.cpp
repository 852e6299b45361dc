#include "foundation/i18n/MessageCatalog.hpp"

#include <algorithm>

#include "foundation/text/Utf.hpp"

namespace fl::i18n {
namespace {

constexpr MessageEntry kEntries[] = {
#define KORVEX_MESSAGE(component_, id_, kind_, arguments_, text_)       \
    {KORVEX::component_::id_::kComponent, KORVEX::component_::id_::kId, \
     KORVEX::component_::id_::kKind, KORVEX::component_::id_::kArguments, u"" text_},
#include "foundation/i18n/Messages.def"
#undef KORVEX_MESSAGE
};

constexpr std::u16string_view kLocationPrefix = u"{0}: ";

MessageEntry const* findEntry(std::string_view component, std::string_view id) {
    auto found = std::find_if(std::begin(kEntries), std::end(kEntries), [&](MessageEntry const& e) {
        return e.component == component && e.id == id;
    });
    return found == std::end(kEntries) ? nullptr : found;
}

std::u16string toText(resource_core::MsgArgument const& argument) {
    if (auto const* narrow = std::get_if<std::string>(&argument)) {
        return fl::text::toUtf16(*narrow);
    }
    return std::get<std::u16string>(argument);
}

// The argument index and the length of a placeholder "{N}" at the start of
// `text`. Longer digit runs than any message could need are not placeholders.
std::optional<std::pair<std::size_t, std::size_t>> placeholderAt(std::u16string_view text) {
    constexpr std::size_t kMaxDigits = 6;
    if (text.empty() || text[0] != u'{') {
        return std::nullopt;
    }
    std::size_t index = 0;
    std::size_t length = 1;
    while (length < text.size() && length <= kMaxDigits && text[length] >= u'0' &&
           text[length] <= u'9') {
        index = index * 10 + (text[length] - u'0');
        ++length;
    }
    if (length == 1 || length >= text.size() || text[length] != u'}') {
        return std::nullopt;
    }
    return std::pair{index, length + 1};
}

std::u16string substitute(std::u16string_view pattern,
                          std::vector<resource_core::MsgArgument> const& arguments) {
    std::u16string out;
    while (!pattern.empty()) {
        auto placeholder = placeholderAt(pattern);
        if (placeholder && placeholder->first < arguments.size()) {
            out += toText(arguments[placeholder->first]);
            pattern.remove_prefix(placeholder->second);
        } else {
            out.push_back(pattern.front());
            pattern.remove_prefix(1);
        }
    }
    return out;
}

std::u16string unknownMessageText(resource_core::BaseMsgID const& message) {
    std::u16string text = u"message '" + fl::text::toUtf16(message.key()) + u"' has no text";
    char16_t const* separator = u": ";
    for (auto const& argument : message.arguments()) {
        text += separator + toText(argument);
        separator = u", ";
    }
    return text;
}

}  // namespace

QzLocale const& QzLocale::global() {
    static QzLocale const locale("en");
    return locale;
}

MessageCatalog::MessageCatalog(QzLocale const& locale) : locale_(locale) {}

std::u16string MessageCatalog::get_message(resource_core::BaseMsgID const& message) const {
    MessageEntry const* entry = findEntry(message.component(), message.id());
    return entry ? substitute(entry->text, message.arguments()) : unknownMessageText(message);
}

LocatedText MessageCatalog::get_located_message(resource_core::BaseMsgID const& message) const {
    MessageEntry const* entry = findEntry(message.component(), message.id());
    if (!entry || !entry->text.starts_with(kLocationPrefix) || message.arguments().empty()) {
        return {u"", get_message(message)};
    }
    return {toText(message.arguments().front()),
            substitute(entry->text.substr(kLocationPrefix.size()), message.arguments())};
}

std::optional<std::u16string_view> MessageCatalog::find_text(std::string_view key) const {
    std::size_t colon = key.rfind(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    MessageEntry const* entry = findEntry(key.substr(0, colon), key.substr(colon + 1));
    return entry ? std::optional(entry->text) : std::nullopt;
}

std::span<MessageEntry const> MessageCatalog::entries() {
    return kEntries;
}

}  // namespace fl::i18n
