#include <gtest/gtest.h>

#include <utility>

#include "foundation/filesystem/Path.hpp"
#include "foundation/text/Utf.hpp"

namespace {

using fl::filesystem::detail::extract_stem;
using fl::filesystem::detail::make_native_form;

TEST(Path, StemIsTheFileNameWithoutFolderAndLastExtension) {
    std::pair<std::u16string_view, std::u16string_view> const cases[] = {
        {u"dir/sub/f.kx", u"f"},
        {u"dir\\f.kx", u"f"},
        {u"f", u"f"},
        {u"a.b.kx", u"a.b"},
        {u"f.", u"f"},
        {u".kx", u".kx"},  // a leading dot does not start an extension
        {u"dir/.hidden.kx", u".hidden"},
        {u"..", u".."},
        {u"dir/", u""},
        {u"", u""},
    };
    for (auto const& [path, stem] : cases) {
        EXPECT_EQ(extract_stem(path), stem) << fl::text::toUtf8(path);
    }
}

TEST(Path, NativeFormUsesForwardSlashes) {
    EXPECT_EQ(make_native_form(u"a\\b//c", false), u"a/b//c");
    EXPECT_EQ(make_native_form(u"", true), u"");
}

TEST(Path, NormalizingFoldsDotsAndEmptySegments) {
    EXPECT_EQ(make_native_form(u"a//b/./c/../d/", true), u"a/b/d");
    EXPECT_EQ(make_native_form(u"\\x\\..\\..\\y", true), u"/y");
    EXPECT_EQ(make_native_form(u"../a/../../b", true), u"../../b");
    EXPECT_EQ(make_native_form(u"a/..", true), u".");
    EXPECT_EQ(make_native_form(u"/..", true), u"/");
}

}  // namespace
