#include "tools/korvex-nr/SearchPathCallbacks.hpp"

#include <gtest/gtest.h>

#include "foundation/i18n/Messages.hpp"
#include "foundation/text/Utf.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "tests/unit/tool/TemporaryFolder.hpp"
#include "tools/korvex-nr/CallerOptions.hpp"

namespace korvex::tool {
namespace {

using korvex::testing::TemporaryFolder;

class SearchPathCallbacksTest : public ::testing::Test {
  protected:
    SearchPathCallbacksTest() {
        library.addFile("plot.kx");
        library.addFile("+geometry/area.kx");
        library.addFile("+geometry/plot.kx");
        library.addFile("+geometry/+solid/volume.kx");
        library.addFile("+draw/area.kx");
    }

    std::unique_ptr<fe::nr::INameResolutionCallbacks> callbacks(CallerModel model = {}) {
        model.searchPath.push_back(library.root());
        return createSearchPathCallbacks(std::move(model));
    }

    std::u16string mapped(std::vector<std::string> const& imports, std::u16string_view name) {
        auto list = imports.empty() ? nullptr : buildImportList(imports, false);
        return std::u16string(callbacks()->resolveImportedName(list, name, factory));
    }

    TemporaryFolder library;
    fe::astapi::AstNodeFactory factory;
};

TEST_F(SearchPathCallbacksTest, KnowsTheSearchPathAndTheModelsNames) {
    CallerModel model;
    model.knownNames = {u"disp", u"sys.io.print"};
    auto known = callbacks(std::move(model));
    for (char16_t const* name : {u"plot", u"geometry", u"geometry.solid.volume", u"disp",
                                 u"sys.io.print", u"sys", u"sys.io"}) {
        EXPECT_TRUE(known->isKnownExternalName(name)) << fl::text::toUtf8(name);
    }
    for (char16_t const* name : {u"area", u"sys.print", u"sys.io.print.x", u"disp.x", u""}) {
        EXPECT_FALSE(known->isKnownExternalName(name)) << fl::text::toUtf8(name);
    }
}

TEST_F(SearchPathCallbacksTest, MapsNamesThroughImportsToNamesThatExist) {
    EXPECT_EQ(mapped({"geometry.area"}, u"area"), u"geometry.area");
    EXPECT_EQ(mapped({"geometry.*"}, u"area"), u"geometry.area");
    EXPECT_EQ(mapped({"geometry.*"}, u"solid.volume"), u"geometry.solid.volume");
    EXPECT_EQ(mapped({"geometry.*", "draw.*"}, u"area"), u"geometry.area") << "statement order";
    EXPECT_EQ(mapped({"geometry.*"}, u"plot"), u"geometry.plot") << "imports come first";
    EXPECT_EQ(mapped({"geometry.*"}, u"missing"), u"");
    EXPECT_EQ(mapped({"geometry.*"}, u"geometry.solid"), u"geometry.solid");
    EXPECT_EQ(mapped({}, u"plot"), u"plot");
    EXPECT_EQ(mapped({}, u"geometry.solid.volume"), u"geometry.solid.volume");
    EXPECT_EQ(mapped({}, u"area"), u"");
    EXPECT_EQ(mapped({"draw.area"}, u"area.x"), u"") << "draw.area.x names nothing";
}

TEST_F(SearchPathCallbacksTest, TheMappedNameLivesInTheTreesAllocator) {
    auto list = buildImportList({"geometry.*"}, false);
    std::u16string_view const first = callbacks()->resolveImportedName(list, u"area", factory);
    std::u16string_view const second = callbacks()->resolveImportedName(list, u"area", factory);
    EXPECT_EQ(first, u"geometry.area");
    EXPECT_EQ(first.data(), second.data()) << "interned once by the factory";
    EXPECT_EQ(first.data(), factory.intern(u"geometry.area").data());
}

TEST_F(SearchPathCallbacksTest, ChecksPackagesOnThePathAndBehindKnownNames) {
    CallerModel model;
    // A known name is a package too when a known dotted name lies below it,
    // whichever comes first.
    model.knownNames = {u"tool", u"sys.io.print", u"disp", u"tool.run", u"sys.io"};
    auto known = callbacks(std::move(model));
    for (char16_t const* package : {u"geometry", u"geometry.solid", u"sys", u"sys.io", u"tool"}) {
        EXPECT_FALSE(known->checkPackage(lf::import::PackageSpecifier(package)))
            << fl::text::toUtf8(package);
    }
    for (char16_t const* notPackage :
         {u"plot", u"geometry.area", u"disp", u"sys.io.print", u"tool.run"}) {
        auto message = known->checkPackage(lf::import::PackageSpecifier(notPackage));
        ASSERT_TRUE(message) << fl::text::toUtf8(notPackage);
        EXPECT_EQ(message->msgId().errorId(), "KORVEX:tool:PackageNotFound");
        EXPECT_EQ(std::get<std::u16string>(message->msgId().arguments().at(0)), notPackage);
    }
}

TEST_F(SearchPathCallbacksTest, KnowsEveryNameUnderAnExternalPackage) {
    CallerModel model;
    model.externalPackages = {u"java"};
    auto known = callbacks(std::move(model));
    for (char16_t const* name : {u"java", u"java.awt", u"java.awt.Robot"}) {
        EXPECT_TRUE(known->isKnownExternalName(name)) << fl::text::toUtf8(name);
        EXPECT_FALSE(known->checkPackage(lf::import::PackageSpecifier(name)))
            << fl::text::toUtf8(name);
    }
    for (char16_t const* name : {u"javax", u"javax.swing", u"jav"}) {
        EXPECT_FALSE(known->isKnownExternalName(name)) << fl::text::toUtf8(name);
    }
    EXPECT_EQ(std::u16string(known->resolveImportedName(buildImportList({"java.awt.*"}, false),
                                                        u"Robot", factory)),
              u"java.awt.Robot");
}

TEST_F(SearchPathCallbacksTest, AnswersWorkspaceQuestionsFromTheModel) {
    CallerModel model;
    model.workspaceVariables = {u"x"};
    model.staticClassifications[u"f"] = {fe::nr::IdKind::LOCAL_FUNCTION, 1, 2};
    model.evalSwitchB = true;
    auto known = callbacks(std::move(model));
    EXPECT_TRUE(known->isWorkspaceVariable(u"x"));
    EXPECT_FALSE(known->isWorkspaceVariable(u"f"));
    auto answer = known->lookupStaticClassification(u"f");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->kind, fe::nr::IdKind::LOCAL_FUNCTION);
    EXPECT_EQ(answer->info, 1u);
    EXPECT_EQ(answer->unsettled, 2u);
    EXPECT_FALSE(known->lookupStaticClassification(u"x"));
    EXPECT_TRUE(known->evalSwitchB());
    EXPECT_FALSE(known->evalSwitchA());
}

}  // namespace
}  // namespace korvex::tool
