// The lexer's shortcuts: keywords found by a slot table, comments skipped
// several code units at a time.

#include <gtest/gtest.h>

#include <string>

#include "ParserTestSupport.hpp"

namespace {

using namespace lf::astapi;

// Words that share a keyword's slot (same first and last letter and length)
// or differ from one by a letter or its case are names.
TEST(LexerTest, WordsLikeKeywordsAreNames) {
    fe::astapi::AstNodeFactory factory;
    for (std::u16string const name : {u"bxxxk", u"cxxe", u"exd", u"en", u"ends", u"End", u"elsif",
                                      u"fxr", u"ix", u"wxxxe", u"parfors", u"switcH"}) {
        Program const* program = lf::parser::parse(name + u" = 1;", factory);
        ASSERT_EQ(program->elements.size(), 1u);
        auto const* assignment = nodeAs<Assignment>(program->elements[0]);
        ASSERT_NE(assignment, nullptr);
        EXPECT_EQ(assignment->target->name(), name);
    }
}

// Whatever the comment's length, reading resumes at its line break.
TEST(LexerTest, CommentsOfAnyLengthEndAtTheirLineBreak) {
    fe::astapi::AstNodeFactory factory;
    for (std::u16string const lineBreak : {u"\n", u"\r\n", u"\r"}) {
        for (std::size_t length = 0; length <= 12; ++length) {
            std::u16string const source =
                u"x = 1; %" + std::u16string(length, u'c') + lineBreak + u"y = 2;";
            Program const* program = lf::parser::parse(source, factory);
            ASSERT_EQ(program->elements.size(), 2u) << length;
            EXPECT_EQ(program->elements[1]->position(), source.find(u'y') + 1) << length;
        }
    }
}

}  // namespace
