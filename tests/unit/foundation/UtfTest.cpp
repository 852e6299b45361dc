#include <gtest/gtest.h>

#include <string>

#include "foundation/text/Utf.hpp"

namespace {

TEST(Utf, ConvertsEveryPlaneBothWays) {
    std::u16string utf16 = u"a\u00e9\u20ac\U0001F600z";
    std::string utf8 = "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80z";
    EXPECT_EQ(fl::text::toUtf8(utf16), utf8);
    EXPECT_EQ(fl::text::toUtf16(utf8), utf16);
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacters) {
    std::u16string text = {u'a', 0xD800, u'b', 0xDC00, 0xDC00, 0xD800, 0xD83D};
    EXPECT_EQ(fl::text::toUtf8(text), "a\uFFFDb\uFFFD\uFFFD\uFFFD\uFFFD");
}

TEST(Utf, EachMaximalInvalidUtf8SubsequenceBecomesOneReplacement) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
    };
    Case const cases[] = {
        {"\xff", u"\uFFFD"},
        {"\x80x", u"\uFFFDx"},                              // stray continuation byte
        {"\xc0\xaf", u"\uFFFD\uFFFD"},                      // overlong lead
        {"\xe0\x80\xaf", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
        {"\xed\xa0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xe2\x82", u"\uFFFD"},                            // truncated at the end
        {"\xf0\x9f\x98x", u"\uFFFDx"},                      // truncated before ASCII
        {"\xe2\x82\xe2\x82\xac", u"\uFFFD\u20ac"},          // truncated before a valid sequence
    };
    for (Case const& c : cases) {
        EXPECT_EQ(fl::text::toUtf16(c.utf8), c.utf16) << testing::PrintToString(c.utf8);
    }
}

// ASCII is widened sixteen bytes at a time: sequences and ill-formed bytes
// after runs of every length up to two blocks must still be found.
TEST(Utf, SequencesAfterAsciiRunsOfAnyLength) {
    struct Piece {
        std::string utf8;
        std::u16string utf16;
    };
    Piece const pieces[] = {
        {"\xc3\xa9", u"\u00e9"},
        {"\xf0\x9f\x98\x80", u"\U0001F600"},
        {"\xff", u"\uFFFD"},
        {"\xe2\x82", u"\uFFFD"},
    };
    for (Piece const& piece : pieces) {
        for (std::size_t run = 0; run <= 33; ++run) {
            std::string const ascii(run, 'k');
            std::u16string const wide(run, u'k');
            std::string const utf8 = ascii + piece.utf8 + ascii;
            std::u16string const expected = wide + piece.utf16 + wide;
            EXPECT_EQ(fl::text::toUtf16(utf8), expected) << run;
            std::u16string buffer(utf8.size(), u'\0');
            buffer.resize(fl::text::toUtf16(utf8, buffer.data()));
            EXPECT_EQ(buffer, expected) << run;
        }
    }
}

// Texts of every length up to past the point where the comparison hands
// over to memcmp, differing in one unit at a time: the first, one in each
// block of four, and the last, which the overlapping final load covers.
TEST(Utf, SameUnitsSeesADifferenceAnywhereInTextsOfAnyLength) {
    for (std::size_t length = 0; length <= 40; ++length) {
        std::u16string const text(length, u'a');
        EXPECT_TRUE(fl::text::sameUnits(text, std::u16string(length, u'a'))) << length;
        EXPECT_FALSE(fl::text::sameUnits(text, text + u'a')) << length;
        for (std::size_t at = 0; at < length; ++at) {
            std::u16string other = text;
            other[at] = u'\u0161';  // differs from 'a' in the high byte only
            EXPECT_FALSE(fl::text::sameUnits(text, other)) << length << " at " << at;
            EXPECT_FALSE(fl::text::sameUnits(other, text)) << length << " at " << at;
        }
    }
}

// ASCII bytes hash and compare as the UTF-16 units they widen to, at every
// length the word-wise loads split differently, and a unit whose low byte
// matches the ASCII byte is no match.
TEST(Utf, AsciiTextsHashAndCompareAsTheirWidenedUnits) {
    for (std::size_t length = 0; length <= 40; ++length) {
        std::string ascii;
        for (std::size_t i = 0; i < length; ++i) {
            ascii.push_back(static_cast<char>('!' + (i * 7) % 90));
        }
        std::u16string const units = fl::text::toUtf16(ascii);
        std::uint32_t const unitsHash = fl::text::nameHash(units);
        EXPECT_EQ(fl::text::nameHash(ascii), unitsHash) << length;
        EXPECT_TRUE(fl::text::sameUnits(units, ascii)) << length;
        EXPECT_FALSE(fl::text::sameUnits(units + u'a', ascii)) << length;
        for (std::size_t at = 0; at < length; ++at) {
            std::u16string other = units;
            other[at] = static_cast<char16_t>(0x0100 | units[at]);
            EXPECT_FALSE(fl::text::sameUnits(other, ascii)) << length << " at " << at;
            std::string otherAscii = ascii;
            otherAscii[at] = ' ';
            EXPECT_FALSE(fl::text::sameUnits(units, otherAscii)) << length << " at " << at;
            EXPECT_NE(fl::text::nameHash(otherAscii), unitsHash) << length << " at " << at;
        }
    }
}

// One byte of 0x80 or above anywhere, at every length the vector and word
// loops split differently.
TEST(Utf, IsAsciiFindsAHighByteAnywhere) {
    for (std::size_t length = 0; length <= 140; ++length) {
        std::string const ascii(length, '\x7f');
        EXPECT_TRUE(fl::text::isAscii(ascii)) << length;
        for (std::size_t at = 0; at < length; ++at) {
            std::string other = ascii;
            other[at] = static_cast<char>(at % 2 == 0 ? 0x80 : 0xff);
            EXPECT_FALSE(fl::text::isAscii(other)) << length << " at " << at;
        }
    }
}

}  // namespace
