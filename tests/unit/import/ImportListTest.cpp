#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "front_end/import/ImportArgumentParser.hpp"
#include "front_end/import/ImportList.hpp"

namespace {

using namespace lf::import;

// The valid entry `argument` parses to, with package imports on.
ValidImportEntry entry(std::u16string_view argument) {
    return std::visit(
        [](auto&& parsed) -> ValidImportEntry {
            if constexpr (std::is_same_v<std::decay_t<decltype(parsed)>, InvalidImportEntry>) {
                throw std::invalid_argument("not a valid import");
            } else {
                return parsed;
            }
        },
        parseImportArgument(argument, 0, true));
}

std::vector<std::u16string> rawArguments(ImportEntryRange range) {
    std::vector<std::u16string> arguments;
    for (auto const& held : range) {
        arguments.push_back(commonPartOf(held).getRawArgument());
    }
    return arguments;
}

std::vector<std::u16string> messageArguments(resource_core::MsgIDHolder const& holder) {
    std::vector<std::u16string> arguments;
    for (auto const& argument : holder.msgId().arguments()) {
        arguments.push_back(std::get<std::u16string>(argument));
    }
    return arguments;
}

TEST(ImportList, RefusesTwoMeaningsOfOneShortNameInOneScope) {
    auto list = createImportList(nullptr);
    EXPECT_FALSE(list->add(entry(u"a.f")));
    EXPECT_FALSE(list->add(entry(u"a.f"))) << "the same import twice is accepted";

    auto refusal = list->add(entry(u"b.f"));
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->msgId().key(), "KORVEX:import:ConflictingImports");
    EXPECT_EQ(messageArguments(*refusal), (std::vector<std::u16string>{u"f", u"a.f", u"b.f"}));

    EXPECT_FALSE(list->add(entry(u"geom")));
    auto functionAfterPackage = list->add(entry(u"shapes.geom"));
    ASSERT_TRUE(functionAfterPackage);
    EXPECT_EQ(functionAfterPackage->msgId().id(), "PackageAndFunctionImportConflict");
    EXPECT_EQ(messageArguments(*functionAfterPackage),
              (std::vector<std::u16string>{u"geom", u"shapes.geom"}));
    auto packageAfterFunction = list->add(entry(u"f"));
    ASSERT_TRUE(packageAfterFunction);
    EXPECT_EQ(messageArguments(*packageAfterFunction), (std::vector<std::u16string>{u"f", u"a.f"}));

    EXPECT_FALSE(list->add(entry(u"a.*")));
    EXPECT_FALSE(list->add(entry(u"a.*")));
    EXPECT_FALSE(list->add(entry(u"geom")));
    EXPECT_EQ(rawArguments(list->enumerate(ImportSelection::OwnEntries)),
              (std::vector<std::u16string>{u"a.f", u"geom", u"a.*"}))
        << "refused entries and repeats leave the list unchanged";
}

TEST(ImportList, LookupsSearchOutwardsAndANestedScopeMayShadow) {
    auto outer = createImportList(nullptr);
    outer->add(entry(u"a.f"));
    outer->add(entry(u"load"));
    auto inner = createImportList(outer);
    EXPECT_FALSE(inner->add(entry(u"b.f"))) << "no refusal across scopes";

    EXPECT_EQ(inner->lookupFullyQualified(u"f")->getRawArgument(), u"b.f");
    EXPECT_EQ(outer->lookupFullyQualified(u"f")->getRawArgument(), u"a.f");
    EXPECT_EQ(inner->lookupPackage(u"load")->getPackageSpecifier().dottedName(), u"load");
    EXPECT_EQ(inner->lookupFullyQualified(u"load"), nullptr);
    EXPECT_EQ(inner->lookupPackage(u"f"), nullptr);
    EXPECT_EQ(inner->lookupFullyQualified(u"a"), nullptr) << "only short names are looked up";
    EXPECT_EQ(inner->parent(), outer);
}

TEST(ImportList, EntriesStayPutWhileTheListGrows) {
    auto list = createImportList(nullptr);
    list->add(entry(u"p.first"));
    auto const* first = list->lookupFullyQualified(u"first");
    for (int i = 0; i < 500; ++i) {
        std::string name = "p.f" + std::to_string(i);
        list->add(entry(std::u16string(name.begin(), name.end())));
    }
    EXPECT_EQ(first->getRawArgument(), u"p.first");
    EXPECT_EQ(list->ownEntryCount(), 501u);
}

TEST(ImportList, CloneCopiesTheOwnEntriesAndKeepsTheParent) {
    auto outer = createImportList(nullptr);
    outer->add(entry(u"o.g"));
    auto original = createImportList(outer);
    original->add(entry(u"a.f"));

    auto copy = original->clone();
    EXPECT_EQ(copy->parent(), outer);
    EXPECT_TRUE(copy->add(entry(u"b.f"))) << "the copied entries still refuse conflicts";
    EXPECT_FALSE(copy->add(entry(u"c.h")));
    EXPECT_EQ(original->lookupFullyQualified(u"h"), nullptr);
    EXPECT_EQ(rawArguments(copy->enumerate(ImportSelection::InForce)),
              (std::vector<std::u16string>{u"a.f", u"c.h", u"o.g"}));
}

TEST(ImportList, EnumerationVisitsOwnEntriesOrAllInForceNearestFirst) {
    auto top = createImportList(nullptr);
    top->add(entry(u"t.*"));
    top->add(entry(u"t.f"));
    auto empty = createImportList(top);
    auto nested = createImportList(empty);
    nested->add(entry(u"n.g"));

    EXPECT_EQ(rawArguments(nested->enumerate(ImportSelection::InForce)),
              (std::vector<std::u16string>{u"n.g", u"t.*", u"t.f"}));
    EXPECT_EQ(rawArguments(nested->enumerate(ImportSelection::OwnEntries)),
              (std::vector<std::u16string>{u"n.g"}));

    auto it = nested->enumerate(ImportSelection::InForce).begin();
    EXPECT_EQ(it.scopeDepth(), 0u);
    ++it;
    EXPECT_EQ(it.scopeDepth(), 2u) << "the empty middle list is skipped";

    EXPECT_TRUE(empty->enumerate(ImportSelection::OwnEntries).empty());
    EXPECT_FALSE(empty->enumerate(ImportSelection::InForce).empty());
    auto none = createImportList(createImportList(nullptr))->enumerate(ImportSelection::InForce);
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(none.begin() == none.end());
    EXPECT_THROW(*none.begin(), std::out_of_range);
    EXPECT_THROW(top->enumerate(ImportSelection{2}), std::invalid_argument);
}

TEST(ImportList, CandidateNamesFollowScopesThenWildcards) {
    auto outer = createImportList(nullptr);
    outer->add(entry(u"o.*"));
    outer->add(entry(u"a.f"));
    auto inner = createImportList(outer);
    inner->add(entry(u"i.*"));
    inner->add(entry(u"j.*"));
    inner->add(entry(u"geom"));

    EXPECT_EQ(candidateQualifiedNames(*inner, u"f"),
              (std::vector<std::u16string>{u"i.f", u"j.f", u"a.f", u"o.f"}));
    EXPECT_EQ(candidateQualifiedNames(*outer, u"f.Inner"),
              (std::vector<std::u16string>{u"a.f.Inner", u"o.f.Inner"}));
    EXPECT_EQ(candidateQualifiedNames(*inner, u"geom.area").front(), u"geom.area");
    EXPECT_TRUE(candidateQualifiedNames(*createImportList(nullptr), u"f").empty());
    EXPECT_TRUE(candidateQualifiedNames(*inner, u"").empty());
}

}  // namespace
