#include "tools/korvex-nr/SearchPath.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <thread>
#include <vector>

#include "foundation/text/Utf.hpp"
#include "tests/unit/tool/TemporaryFolder.hpp"

namespace korvex::tool {
namespace {

using korvex::testing::TemporaryFolder;

class SearchPathTest : public ::testing::Test {
  protected:
    SearchPathTest() {
        first.addFile("area.kx");
        first.addFile("notes.txt");
        first.addFolder("@Shape");
        first.addFile("+geometry/circle.kx");
        first.addFile("+geometry/+solid/volume.kx");
        first.addFolder("+geometry/@Point");
        first.addFile("+geometry/private/helper.kx");
        first.addFolder("plain/sub.kx");
        second.addFile("+geometry/square.kx");
        second.addFile("area2.kx");
    }

    SearchPath both() const { return SearchPath({first.root(), second.root()}); }

    TemporaryFolder first;
    TemporaryFolder second;
};

TEST_F(SearchPathTest, FindsFunctionsClassesAndPackagesAtEveryLevel) {
    SearchPath const path = both();
    for (char16_t const* name : {u"area", u"Shape", u"geometry", u"geometry.circle",
                                 u"geometry.solid", u"geometry.solid.volume", u"geometry.Point"}) {
        EXPECT_TRUE(path.names(name)) << fl::text::toUtf8(name);
    }
    for (char16_t const* name :
         {u"notes", u"Area", u"circle", u"geometry.volume", u"geometry.circle.x", u"area.x",
          u"Shape.Shape", u"plain", u"sub", u"geometry.helper", u"helper", u"geometry.private"}) {
        EXPECT_FALSE(path.names(name)) << fl::text::toUtf8(name);
    }
}

TEST_F(SearchPathTest, PackagesSpreadOverSeveralFoldersMerge) {
    SearchPath const path = both();
    EXPECT_TRUE(path.names(u"geometry.square"));
    EXPECT_TRUE(path.names(u"geometry.circle"));
    EXPECT_TRUE(path.names(u"area2"));
    EXPECT_FALSE(SearchPath({second.root()}).names(u"geometry.circle"));
}

TEST_F(SearchPathTest, OnlyPackageFoldersArePackages) {
    SearchPath const path = both();
    EXPECT_TRUE(path.namesPackage(u"geometry"));
    EXPECT_TRUE(path.namesPackage(u"geometry.solid"));
    EXPECT_FALSE(path.namesPackage(u"geometry.circle"));
    EXPECT_FALSE(path.namesPackage(u"Shape"));
    EXPECT_FALSE(path.namesPackage(u"geometry.Point"));
    EXPECT_FALSE(path.namesPackage(u"missing"));
}

TEST_F(SearchPathTest, PrivateFolderHoldsPlainNamesForItsFileOnly) {
    TemporaryFolder own;
    own.addFile("private/secret.kx");
    own.addFolder("private/@Hidden");
    own.addFolder("private/+pkg");
    std::filesystem::path const privateFolder = own.root() / "private";
    SearchPath const path({first.root()});
    SearchPath::PrivateFolder const besideFile(path, privateFolder);
    EXPECT_TRUE(path.names(u"secret", &besideFile));
    EXPECT_TRUE(path.names(u"Hidden", &besideFile));
    EXPECT_TRUE(path.names(u"area", &besideFile));
    EXPECT_FALSE(path.names(u"pkg", &besideFile)) << "a private folder holds no packages";
    EXPECT_FALSE(path.namesPackage(u"secret"));
    EXPECT_FALSE(path.names(u"secret")) << "another file's private folder is not searched";
    SearchPath const empty({});
    SearchPath::PrivateFolder const missing(empty, own.root() / "missing");
    EXPECT_FALSE(empty.names(u"secret", &missing));
}

TEST_F(SearchPathTest, OneObjectServesManyThreads) {
    SearchPath const path = both();
    std::vector<std::thread> threads;
    std::atomic<int> found = 0;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&] {
            for (int round = 0; round < 100; ++round) {
                found += path.names(u"geometry.solid.volume") ? 1 : 0;
                found += path.namesPackage(u"geometry") ? 1 : 0;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(found, 800);
}

TEST_F(SearchPathTest, MalformedNamesNameNothing) {
    first.addFile("+a/x.kx");
    SearchPath const path = both();
    for (char16_t const* name : {u"", u".", u"a.", u".a", u"a..x", u"..", u"+a", u"a/x", u"@Shape",
                                 u"area.kx", u"_x", u"1a", u"a.x\u00e9"}) {
        EXPECT_FALSE(path.names(name)) << fl::text::toUtf8(name);
        EXPECT_FALSE(path.namesPackage(name)) << fl::text::toUtf8(name);
    }
    EXPECT_TRUE(path.names(u"a.x"));
}

TEST_F(SearchPathTest, ListsEachFolderOnceAtItsFirstUse) {
    SearchPath const path = both();
    EXPECT_FALSE(path.names(u"late"));
    EXPECT_TRUE(path.names(u"geometry.circle"));
    first.addFile("late.kx");
    first.addFile("+geometry/later.kx");
    first.addFile("+geometry/+solid/latest.kx");
    EXPECT_FALSE(path.names(u"late")) << "the listing of a folder is kept";
    EXPECT_FALSE(path.names(u"geometry.later"));
    EXPECT_TRUE(path.names(u"geometry.solid.latest")) << "a folder not used before is listed now";
    EXPECT_TRUE(both().names(u"late"));
}

TEST_F(SearchPathTest, ListingsMadeByTheCallerStandInForTheFolders) {
    SearchPath const path = both();
    std::error_code error;
    std::filesystem::path const spelledOtherwise = first.root() / "." / "+geometry" / ".";
    path.recordListing(spelledOtherwise, listFolder(spelledOtherwise, error));
    ASSERT_FALSE(error);
    first.addFile("+geometry/added.kx");
    first.addFile("+geometry/private/helper.kx");
    first.addFile("private/secret.kx");
    EXPECT_TRUE(path.names(u"geometry.circle"));
    EXPECT_FALSE(path.names(u"geometry.added")) << "the recorded listing answers, whatever its "
                                                   "spelling of the folder";
    EXPECT_TRUE(path.names(u"geometry.square")) << "other folders of the package still count";
    SearchPath::PrivateFolder const packagePrivate(path, first.root() / "+geometry" / "private");
    EXPECT_TRUE(path.names(u"helper", &packagePrivate))
        << "a private folder in the listing is listed when used";

    path.recordListing(first.root(), {});
    SearchPath::PrivateFolder const rootPrivate(path, first.root() / "private");
    EXPECT_FALSE(path.names(u"secret", &rootPrivate))
        << "a private folder absent from the listing holds nothing";
    EXPECT_TRUE(path.names(u"area")) << "a folder already listed keeps its first listing";
}

TEST(ListFolderTest, ListsEveryEntryOrReportsTheFolderUnreadable) {
    TemporaryFolder folder;
    folder.addFile("a.kx");
    folder.addFolder("+p");
    std::error_code error;
    std::vector<FolderEntry> const entries = listFolder(folder.root(), error);
    EXPECT_FALSE(error);
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_TRUE(listFolder(folder.root() / "absent", error).empty());
    EXPECT_TRUE(error);
}

TEST(ListFolderTest, LinksCountAsWhatTheyPointTo) {
    TemporaryFolder folder;
    std::filesystem::path const root = folder.root();
    folder.addFile("a.kx");
    folder.addFolder("+p");
    std::filesystem::create_symlink(root / "+p", root / "+q");
    std::filesystem::create_symlink(root / "a.kx", root / "b.kx");
    std::filesystem::create_symlink(root / "absent.kx", root / "c.kx");
    std::error_code error;
    std::vector<FolderEntry> entries = listFolder(root, error);
    ASSERT_FALSE(error);
    std::ranges::sort(entries, {}, &FolderEntry::name);
    auto described = [](FolderEntry const& entry) {
        char const* kinds[] = {"file", "folder", "other"};
        return entry.name + ' ' + kinds[static_cast<int>(entry.kind)] + (entry.link ? " link" : "");
    };
    std::vector<std::string> descriptions;
    std::ranges::transform(entries, std::back_inserter(descriptions), described);
    EXPECT_EQ(descriptions, (std::vector<std::string>{"+p folder", "+q folder link", "a.kx file",
                                                      "b.kx file link", "c.kx other link"}));
}

TEST_F(SearchPathTest, MissingFoldersHoldNothing) {
    SearchPath const path({first.root() / "absent", first.root() / "area.kx"});
    EXPECT_FALSE(path.names(u"area"));
    EXPECT_FALSE(path.names(u"x"));
}

}  // namespace
}  // namespace korvex::tool
