// Positions are 1-based UTF-16 offsets: characters outside the basic plane
// count two, "\r\n" counts two, a byte-order mark counts nothing.

#include <gtest/gtest.h>

#include <string>

#include "ParserTestSupport.hpp"

namespace {

using namespace lf::astapi;

class PositionTest : public ::testing::Test {
  protected:
    // The second element of the program, which must be an assignment; its
    // target's position.
    std::uint32_t secondTargetPosition(Program const* program) {
        EXPECT_EQ(program->elements.size(), 2u);
        auto const* assignment = nodeAs<Assignment>(program->elements[1]);
        EXPECT_NE(assignment, nullptr);
        return assignment == nullptr ? 0 : assignment->target->position();
    }
    fe::astapi::AstNodeFactory factory;
};

TEST_F(PositionTest, CountsUtf16CodeUnitsOfNonAsciiTextAndSurrogatePairs) {
    // 'é' is one code unit, the emoji two.
    std::u16string const source = u"s = 'é😀'; % ünïcödé 😀\ny = 1;";
    Program const* program = lf::parser::parse(source, factory);
    EXPECT_EQ(secondTargetPosition(program), source.find(u'y') + 1);
    EXPECT_EQ(secondTargetPosition(program), 25u);
    auto const* text = nodeAs<TextLiteral>(nodeAs<Assignment>(program->elements[0])->value);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text, u"é😀");
}

TEST_F(PositionTest, CountsBothCharactersOfCrLfAndTreatsALoneCrAsALineBreak) {
    Program const* crlf = lf::parser::parse(u"x = 1;\r\ny = 2;", factory);
    EXPECT_EQ(secondTargetPosition(crlf), 9u);
    Program const* cr = lf::parser::parse(u"x = 1\ry = 2;", factory);
    EXPECT_EQ(secondTargetPosition(cr), 7u);
    EXPECT_TRUE(cr->elements[0]->displaysValue());
}

TEST_F(PositionTest, SkipsTheByteOrderMarkInBothEntries) {
    Program const* utf16 = lf::parser::parse(u"\uFEFFx = 1; y = 2;", factory);
    EXPECT_EQ(utf16->elements[0]->position(), 1u);
    EXPECT_EQ(secondTargetPosition(utf16), 8u);
    Program const* utf8 = lf::parser::parseUtf8("\xEF\xBB\xBFx = 1; y = 2;", factory);
    EXPECT_EQ(utf8->elements[0]->position(), 1u);
    EXPECT_EQ(secondTargetPosition(utf8), 8u);
}

TEST_F(PositionTest, Utf8InputIsPositionedInUtf16Units) {
    // Two bytes of 'é' and four of the emoji are one and two code units.
    Program const* program =
        lf::parser::parseUtf8("s = '\xC3\xA9\xF0\x9F\x98\x80'; y = 2;", factory);
    EXPECT_EQ(secondTargetPosition(program), 12u);
}

TEST_F(PositionTest, IllFormedUtf8IsAnInvalidCharacterOnlyOutsideTextAndComments) {
    Program const* inText = lf::parser::parseUtf8("s = '\xFF\xFE'; % \xC0\n", factory);
    EXPECT_EQ(nodeAs<TextLiteral>(nodeAs<Assignment>(inText->elements[0])->value)->text,
              u"\uFFFD\uFFFD");
    try {
        lf::parser::parseUtf8("x = \xFF;", factory);
        FAIL() << "no syntax error";
    } catch (lf::parser::SyntaxError const& error) {
        EXPECT_STREQ(error.identifier(), lf::parser::errors::kInvalidCharacter);
        EXPECT_EQ(error.position(), 5u);
    }
}

TEST_F(PositionTest, ErrorsAtTheEndPointJustPastTheLastCharacter) {
    std::u16string const source = u"x = (1 +\r\n";
    auto const error = korvex::testing::syntaxErrorOf(u"x = [1 2");
    EXPECT_EQ(error.position(), 9u);
    EXPECT_EQ(korvex::testing::syntaxErrorOf(source).position(), 9u);  // at the "\r\n"
}

}  // namespace
