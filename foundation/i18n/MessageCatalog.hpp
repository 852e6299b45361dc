#pragma once
// Message texts by message identifier, and the locale that selects them.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "foundation/Visibility.hpp"
#include "foundation/i18n/Messages.hpp"
#include "foundation/resource/BaseMsgID.hpp"

namespace fl::i18n {

// The language messages are shown in. Only English texts exist, so every
// locale currently reads the English catalog.
class KORVEX_VISIBLE QzLocale {
  public:
    explicit QzLocale(std::string name) : name_(std::move(name)) {}

    // The process locale ("en").
    static QzLocale const& global();

    std::string const& name() const { return name_; }

  private:
    std::string name_;
};

// One message of the catalog, as listed in Messages.def.
struct MessageEntry {
    std::string_view component;
    std::string_view id;
    MessageKind kind;
    std::span<ArgumentKind const> arguments;
    std::u16string_view text;
};

// A message text split into the location it starts with and the rest, for
// output formats that show the location apart from the text.
struct LocatedText {
    std::u16string location;  // empty when the message does not start with one
    std::u16string body;
};

class KORVEX_VISIBLE MessageCatalog {
  public:
    explicit MessageCatalog(QzLocale const& locale);

    QzLocale const& locale() const { return locale_; }

    // The text of the message with "{N}" replaced by argument N. Placeholders
    // without an argument stay as written. A message the catalog does not know
    // gives a text naming its key and listing its arguments.
    std::u16string get_message(resource_core::BaseMsgID const& message) const;

    // get_message split at the location: for a message whose text starts with
    // "{0}: " and that has an argument 0, the location is that argument and the
    // body the rest of the text.
    LocatedText get_located_message(resource_core::BaseMsgID const& message) const;

    // The text with its placeholders, by "component:id" (for example
    // "KORVEX:lang:Prepend").
    std::optional<std::u16string_view> find_text(std::string_view key) const;

    // Every message, in the order of Messages.def.
    static std::span<MessageEntry const> entries();

  private:
    QzLocale locale_;
};

}  // namespace fl::i18n
