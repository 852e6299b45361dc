#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/i18n/MessageCatalog.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/import/Features.hpp"
#include "front_end/import/ImportArgumentParser.hpp"

namespace {

using namespace lf::import;
using lf::astapi::AstNodeFactory;
using lf::astapi::ImportCommandView;
using lf::astapi::ImportStatement;
using lf::astapi::NodeKind;
using lf::astapi::TextLiteral;

// Builds `import <words...>` and parses it.
class ImportParsing : public ::testing::Test {
  protected:
    void TearDown() override { lf::features::setPackageImportsFeature(false); }

    ImportCommandView statement(std::vector<std::u16string_view> const& words) {
        std::vector<TextLiteral*> arguments;
        std::uint32_t position = 8;
        for (auto word : words) {
            arguments.push_back(factory_.create<TextLiteral>(NodeKind::CharArrayLiteral, position,
                                                             factory_.intern(word)));
            position += word.size() + 1;
        }
        auto* node = factory_.create<ImportStatement>(NodeKind::Import, 1);
        node->arguments = factory_.createList<TextLiteral>(arguments);
        return ImportCommandView(*node);
    }

    std::vector<ImportEntry> parse(
        std::vector<std::u16string_view> const& words,
        ImportParserBehaviour behaviour = ImportParserBehaviour::Strict) {
        return createImportArgumentParser(statement(words), behaviour)->parse();
    }

    AstNodeFactory factory_;
};

std::u16string textOf(resource_core::BaseMsgID const& message) {
    return fl::i18n::MessageCatalog(fl::i18n::QzLocale::global()).get_message(message);
}

TEST_F(ImportParsing, ValidFormsInArgumentOrder) {
    auto entries = parse({u"pkg.sub.fcn", u"pkg.sub.*", u"a.B_2"});
    ASSERT_EQ(entries.size(), 3u);

    auto const& qualified = std::get<FullyQualifiedImportEntry>(entries[0]);
    EXPECT_EQ(qualified.getArgumentIndex(), 0u);
    EXPECT_EQ(qualified.getRawArgument(), u"pkg.sub.fcn");
    EXPECT_EQ(qualified.getIntroducedName(), u"fcn");
    EXPECT_EQ(qualified.getPackageName(), u"pkg.sub");

    auto const& wildcard = std::get<WildcardImportEntry>(entries[1]);
    EXPECT_EQ(wildcard.getArgumentIndex(), 1u);
    EXPECT_EQ(wildcard.getPackageName(), u"pkg.sub");

    EXPECT_EQ(std::get<FullyQualifiedImportEntry>(entries[2]).getIntroducedName(), u"B_2");
    EXPECT_EQ(commonPartOf(entries[2]).getArgumentIndex(), 2u);
}

TEST_F(ImportParsing, SingleNameDependsOnThePackageImportsFeature) {
    EXPECT_FALSE(lf::features::isPackageImportsFeatureOn()) << "off by default";
    auto off = parse({u"geom"});
    auto const& ignored = std::get<InvalidImportEntry>(off.at(0));
    EXPECT_TRUE(ignored.isWarning());
    EXPECT_EQ(ignored.getMsgHolder().msgId().key(), "KORVEX:import:PackageImportIgnored");
    EXPECT_EQ(textOf(ignored.getMsgHolder().msgId()),
              u"'geom' names a package, which can be imported only when package imports are on; "
              u"the argument is ignored");

    lf::features::setPackageImportsFeature(true);
    auto on = parse({u"geom", u"geom.area"});
    auto const& package = std::get<PackageImportEntry>(on.at(0));
    EXPECT_EQ(package.getIntroducedName(), u"geom");
    EXPECT_EQ(package.getPackageSpecifier(), PackageSpecifier(u"geom"));
    EXPECT_TRUE(std::holds_alternative<FullyQualifiedImportEntry>(on.at(1)));
}

TEST_F(ImportParsing, TheSwitchIsReadWhenTheParserIsCreated) {
    auto parser = createImportArgumentParser(statement({u"geom"}), ImportParserBehaviour::Strict);
    lf::features::setPackageImportsFeature(true);
    EXPECT_TRUE(std::holds_alternative<InvalidImportEntry>(parser->parse().at(0)));
}

struct Malformed {
    std::u16string_view argument;
    std::string messageId;
    std::vector<std::u16string> messageArguments;
};

TEST_F(ImportParsing, MalformedArgumentsAreErrorsWithTheirOwnMessage) {
    std::vector<Malformed> const cases = {
        {u"", "EmptyImportArgument", {}},
        {u".f", "ImportNameMissingAroundDot", {u".f"}},
        {u"a..b", "ImportNameMissingAroundDot", {u"a..b"}},
        {u"a.", "ImportNameMissingAroundDot", {u"a."}},
        {u"a.*.b", "ImportWildcardMisplaced", {u"a.*.b"}},
        {u"*", "ImportWildcardMisplaced", {u"*"}},
        {u"a.b*", "ImportWildcardMisplaced", {u"a.b*"}},
        {u"a.**", "ImportWildcardMisplaced", {u"a.**"}},
        {u"1a.b", "ImportNamePartBadStart", {u"1a.b", u"1a"}},
        {u"a._b", "ImportNamePartBadStart", {u"a._b", u"_b"}},
        {u"caf\u00e9.f", "ImportArgumentBadCharacter", {u"caf\u00e9.f", u"\u00e9"}},
        {u"a.\U0001F600", "ImportArgumentBadCharacter", {u"a.\U0001F600", u"\U0001F600"}},
        {u"a.b;", "ImportArgumentBadCharacter", {u"a.b;", u";"}},
        {u"a.b(1)", "ImportArgumentBadCharacter", {u"a.b(1)", u"("}},
        {u"a.\xD800x", "ImportArgumentBadCharacter", {u"a.\xD800x", u"\xD800"}},
    };
    for (bool packageImportsOn : {false, true}) {
        lf::features::setPackageImportsFeature(packageImportsOn);
        for (auto const& malformed : cases) {
            SCOPED_TRACE(std::string(malformed.messageId) + (packageImportsOn ? " on" : " off"));
            auto entries = parse({u"ok.f", malformed.argument});
            ASSERT_EQ(entries.size(), 2u);
            auto const& invalid = std::get<InvalidImportEntry>(entries[1]);
            EXPECT_FALSE(invalid.isWarning());
            EXPECT_EQ(invalid.getArgumentIndex(), 1u);
            EXPECT_EQ(invalid.getRawArgument(), malformed.argument);
            auto const& message = invalid.getMsgHolder().msgId();
            EXPECT_EQ(message.component(), "KORVEX:import");
            EXPECT_EQ(message.id(), malformed.messageId);
            std::vector<std::u16string> arguments;
            for (auto const& argument : message.arguments()) {
                arguments.push_back(std::get<std::u16string>(argument));
            }
            EXPECT_EQ(arguments, malformed.messageArguments);
        }
    }
}

TEST_F(ImportParsing, StatementWithoutArgumentsDependsOnTheBehaviour) {
    EXPECT_TRUE(parse({}, ImportParserBehaviour::Lenient).empty());

    auto strict = parse({}, ImportParserBehaviour::Strict);
    ASSERT_EQ(strict.size(), 1u);
    auto const& invalid = std::get<InvalidImportEntry>(strict[0]);
    EXPECT_EQ(invalid.getArgumentIndex(), kNoArgument);
    EXPECT_FALSE(invalid.isWarning());
    EXPECT_EQ(invalid.getMsgHolder().msgId().errorId(), "KORVEX:import:NoImportArgument");

    EXPECT_THROW(createImportArgumentParser(statement({u"a.b"}), ImportParserBehaviour{1}),
                 std::invalid_argument);
}

TEST_F(ImportParsing, ArgumentsOutsideATreeParseAlike) {
    auto entry = parseImportArgument(u"p.*", 7, false);
    EXPECT_EQ(std::get<WildcardImportEntry>(entry).getArgumentIndex(), 7u);
    EXPECT_TRUE(std::holds_alternative<PackageImportEntry>(parseImportArgument(u"p", 0, true)));
}

TEST(ImportMessages, EveryMessageHasACatalogTextThatShowsItsArguments) {
    fl::i18n::MessageCatalog catalog(fl::i18n::QzLocale::global());
    std::size_t count = 0;
    for (auto const& entry : fl::i18n::MessageCatalog::entries()) {
        if (entry.component != "KORVEX:import") {
            continue;
        }
        ++count;
        SCOPED_TRACE(std::string(entry.id));
        std::vector<resource_core::MsgArgument> arguments;
        for (std::size_t i = 0; i < entry.arguments.size(); ++i) {
            arguments.push_back(u"ARG" + std::u16string(1, char16_t(u'0' + i)));
        }
        resource_core::BaseMsgID message(std::string(entry.component), std::string(entry.id),
                                         arguments);
        auto text = catalog.get_message(message);
        EXPECT_EQ(text.find(u'{'), std::u16string::npos) << "unfilled placeholder";
        for (auto const& argument : arguments) {
            EXPECT_NE(text.find(std::get<std::u16string>(argument)), std::u16string::npos);
        }
    }
    EXPECT_GT(count, 0u);
}

}  // namespace
