#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "foundation/text/Utf.hpp"
#include "front_end/langutil/DottedIdentifier.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/langutil/NameCharacters.hpp"

namespace {

using lf::util::LineAndColumn;
using lf::util::LineInfo;

TEST(LineInfo, PositionsMapToLineAndColumnInUtf16Units) {
    struct Case {
        std::u16string_view text;
        uint32_t position;
        LineAndColumn expected;
    };
    Case const cases[] = {
        {u"a\r\nb", 2, {1, 2}},  // a CRLF belongs to the line it ends
        {u"a\r\nb", 3, {1, 3}},
        {u"a\r\nb", 4, {2, 1}},
        {u"a\rb\nc", 3, {2, 1}},  // a lone CR breaks the line
        {u"a\rb\nc", 5, {3, 1}},
        {u"x\r\r", 3, {2, 1}},
        {u"\U0001F600x", 3, {1, 3}},  // a surrogate pair takes two columns
        {u"\u00e9\n\U0001F600y", 5, {2, 3}},
        {u"ab\n", 0, {1, 1}},           // 0 means the first character
        {u"ab\n", 4, {2, 1}},           // just past the end
        {u"ab\n", 0xFFFFFFFF, {2, 1}},  // far past the end is clamped
        {u"", 7, {1, 1}},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(LineInfo(c.text).lineAndColumn(c.position), c.expected)
            << fl::text::toUtf8(c.text) << " at " << c.position;
    }
}

TEST(LineInfo, LinesAreCountedAndReturnedWithoutTheirBreaks) {
    LineInfo info(u"a\r\nb\rc\nd");
    EXPECT_EQ(info.lineCount(), 4u);
    EXPECT_EQ(info.lineText(1), u"a");
    EXPECT_EQ(info.lineText(2), u"b");
    EXPECT_EQ(info.lineText(4), u"d");
    EXPECT_EQ(info.lineText(0), u"");
    EXPECT_EQ(info.lineText(5), u"");

    EXPECT_EQ(LineInfo(u"\r\r\n").lineCount(), 3u);
    EXPECT_EQ(LineInfo(u"\n\r").lineCount(), 3u);
    EXPECT_EQ(LineInfo(u"ab\n").lineText(2), u"");
    EXPECT_EQ(LineInfo(u"").lineCount(), 1u);
}

TEST(LineInfo, Utf8TextAnswersAsItsUtf16FormAlsoWhenAskedFromManyThreads) {
    // A two-byte and a four-byte character, a CRLF, a lone CR, a stray
    // continuation byte and a truncated sequence (each one U+FFFD).
    std::string_view const utf8 = "\xC3\xA9t\xC3\xA9\r\n\xF0\x9F\x98\x80x\ry\x80z\n\xE2\x82";
    std::u16string const utf16 = fl::text::toUtf16(utf8);
    LineInfo const fromUtf16(utf16);
    LineInfo const fromUtf8(utf8);
    std::vector<std::thread> askers;
    std::vector<std::vector<LineAndColumn>> answers(4);
    for (std::vector<LineAndColumn>& answer : answers) {
        askers.emplace_back([&fromUtf8, &answer, &utf16] {
            for (uint32_t position = 0; position <= utf16.size() + 1; ++position) {
                answer.push_back(fromUtf8.lineAndColumn(position));
            }
        });
    }
    for (std::thread& asker : askers) {
        asker.join();
    }
    for (uint32_t position = 0; position <= utf16.size() + 1; ++position) {
        for (std::vector<LineAndColumn> const& answer : answers) {
            EXPECT_EQ(answer[position], fromUtf16.lineAndColumn(position)) << position;
        }
    }
    EXPECT_EQ(fromUtf8.text(), utf16);
    ASSERT_EQ(fromUtf8.lineCount(), fromUtf16.lineCount());
    for (uint32_t line = 1; line <= fromUtf16.lineCount(); ++line) {
        EXPECT_EQ(fromUtf8.lineText(line), fromUtf16.lineText(line)) << line;
    }
}

TEST(DottedIdentifier, AcceptsOnlyIdentifiersJoinedBySingleDots) {
    for (auto text : {u"a", u"pkg.sub.f", u"x_1.Y2", u"A"}) {
        EXPECT_TRUE(lf::util::isValidDottedIdentifier(text)) << fl::text::toUtf8(text);
    }
    for (auto text :
         {u"", u".", u"a.", u".a", u"a..b", u"_a", u"1a", u"a.1b", u"a b", u"a-b", u"\u00e9"}) {
        EXPECT_FALSE(lf::util::isValidDottedIdentifier(text)) << fl::text::toUtf8(text);
    }
}

TEST(NameCharacters, NamesStartWithALetterAndGoOnWithLettersDigitsAndUnderscores) {
    for (std::u16string_view name : {u"x", u"x_1", u"Total2", u"a_b_c"}) {
        EXPECT_TRUE(lf::util::isValidName(name)) << fl::text::toUtf8(name);
    }
    for (std::u16string_view notName : {u"", u"_a", u"1a", u"a.b", u"a-b", u"\u00e9t\u00e9"}) {
        EXPECT_FALSE(lf::util::isValidName(notName)) << fl::text::toUtf8(notName);
    }
}

}  // namespace
