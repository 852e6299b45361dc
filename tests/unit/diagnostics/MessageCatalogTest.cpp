#include <gtest/gtest.h>

#include <set>
#include <string>
#include <type_traits>

#include "foundation/i18n/MessageCatalog.hpp"
#include "foundation/i18n/Messages.hpp"
#include "foundation/text/Utf.hpp"

namespace {

using fl::i18n::ArgumentKind;
using fl::i18n::MessageCatalog;
using fl::i18n::QzLocale;
using resource_core::BaseMsgID;
using resource_core::composeErrorId;

static_assert(std::is_constructible_v<KORVEX::front_end::tal_error_repeated_input,
                                      std::u16string_view, std::u16string_view>);
static_assert(
    !std::is_constructible_v<KORVEX::front_end::tal_error_repeated_input, std::u16string_view>);
static_assert(!std::is_constructible_v<KORVEX::lang::AnsAsImportedFunctionOrClass,
                                       std::u16string_view, std::u16string_view>);
static_assert(!std::is_constructible_v<KORVEX::front_end::m_doclink, std::u16string_view,
                                       std::u16string_view, std::u16string_view>);

std::string key(fl::i18n::MessageEntry const& entry) {
    return std::string(entry.component) + ":" + std::string(entry.id);
}

TEST(MessageCatalog, EveryTextUsesExactlyItsArgumentsWithTheLocationFirst) {
    std::set<std::string> keys;
    for (auto const& entry : MessageCatalog::entries()) {
        SCOPED_TRACE(key(entry));
        EXPECT_TRUE(keys.insert(key(entry)).second) << "listed twice";
        EXPECT_TRUE(entry.component.starts_with("KORVEX:"));
        EXPECT_FALSE(entry.text.empty());
        for (std::size_t i = 0; i <= entry.arguments.size(); ++i) {
            std::u16string placeholder = u"{" + fl::text::toUtf16(std::to_string(i)) + u"}";
            bool expected = i < entry.arguments.size();
            EXPECT_EQ(entry.text.find(placeholder) != std::u16string_view::npos, expected)
                << "placeholder " << i;
        }
        bool located = !entry.arguments.empty() && entry.arguments[0] == ArgumentKind::location;
        EXPECT_EQ(entry.text.starts_with(u"{0}: "), located);
    }
}

TEST(MessageCatalog, FillsNarrowAndUtf16Arguments) {
    MessageCatalog catalog(QzLocale::global());
    KORVEX::front_end::m_doclink link("/map.map", "topic", u"r\u00e9sum\u00e9");
    EXPECT_EQ(catalog.get_message(link), u"r\u00e9sum\u00e9 <help:/map.map#topic>");
    EXPECT_EQ(catalog.get_message(KORVEX::lang::Prepend(u"{1}", u"{0}")), u"{1}: {0}")
        << "argument text is not searched for placeholders again";
}

TEST(MessageCatalog, MissingArgumentsAndUnknownMessagesGiveReadableText) {
    MessageCatalog catalog(QzLocale::global());
    EXPECT_EQ(catalog.get_message(BaseMsgID("KORVEX:lang", "Prepend", {u"only"})), u"only: {1}");
    EXPECT_EQ(catalog.get_message(BaseMsgID("KORVEX:lang", "NoSuchMessage", {"a", u"b"})),
              u"message 'KORVEX:lang:NoSuchMessage' has no text: a, b");
    EXPECT_FALSE(catalog.find_text("KORVEX:lang:NoSuchMessage"));
    EXPECT_FALSE(catalog.find_text("no colon"));
    EXPECT_EQ(catalog.find_text("KORVEX:lang:Prepend"), u"{0}: {1}");
}

TEST(MessageCatalog, SplitsTheLocationFromLocatedMessagesOnly) {
    MessageCatalog catalog(QzLocale::global());
    auto located = catalog.get_located_message(KORVEX::lang::Prepend(u"f.kx:1:2", u"text"));
    EXPECT_EQ(located.location, u"f.kx:1:2");
    EXPECT_EQ(located.body, u"text");

    auto plain = catalog.get_located_message(KORVEX::lang::BraceIndexingFunctionOrClass(u"g"));
    EXPECT_EQ(plain.location, u"");
    EXPECT_EQ(plain.body, catalog.get_message(KORVEX::lang::BraceIndexingFunctionOrClass(u"g")));
}

TEST(ErrorId, FrontEndAndLegacyComponentsGiveTwoPartsOthersThree) {
    EXPECT_EQ(composeErrorId("KORVEX:front_end", "x"), "KORVEX:x");
    EXPECT_EQ(composeErrorId("KORVEX:legacy_two_part", "x"), "KORVEX:x");
    EXPECT_EQ(composeErrorId("KORVEX:lang", "x"), "KORVEX:lang:x");
    EXPECT_EQ(composeErrorId("OTHER:legacy_two_part", "x"), "OTHER:legacy_two_part:x");
    EXPECT_EQ(composeErrorId("KORVEX:front_end:sub", "x"), "KORVEX:front_end:sub:x");
    EXPECT_EQ(KORVEX::lang::SharedVariablesDocId().errorId(), "KORVEX:lang:SharedVariablesDocId");
}

}  // namespace
