// UTF-8 text that is all ASCII is read as bytes, anything else as UTF-16:
// both readings give the same trees, positions, names and errors.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "ParserTestSupport.hpp"
#include "foundation/text/Utf.hpp"
#include "tools/korvex-nr/TreePrinter.hpp"

namespace {

using namespace lf::astapi;
using korvex::testing::utf8SyntaxErrorOf;

// The printed tree of the UTF-8 text `utf8`, with lines and columns, or the
// errors of its recovering parse when it has any.
std::string readingOf(std::string_view utf8) {
    fe::astapi::AstNodeFactory factory;
    lf::parser::RecoveredParse const parsed = lf::parser::parseUtf8Recovering(utf8, factory, 20);
    std::ostringstream printed;
    for (lf::parser::SyntaxError const& error : parsed.errors) {
        printed << error.position() << " " << error.identifier() << ": " << error.what() << "\n";
    }
    korvex::tool::printTree(printed, *parsed.program, lf::util::LineInfo(fl::text::toUtf16(utf8)));
    return printed.str();
}

// The same text read as UTF-16 from the start.
std::string utf16ReadingOf(std::string_view utf8) {
    std::u16string const source = fl::text::toUtf16(utf8);
    fe::astapi::AstNodeFactory factory;
    lf::parser::RecoveredParse const parsed = lf::parser::parseRecovering(source, factory, 20);
    std::ostringstream printed;
    for (lf::parser::SyntaxError const& error : parsed.errors) {
        printed << error.position() << " " << error.identifier() << ": " << error.what() << "\n";
    }
    korvex::tool::printTree(printed, *parsed.program, lf::util::LineInfo(source));
    return printed.str();
}

std::vector<std::string> corpusSources() {
    std::vector<std::string> sources;
    for (auto const& entry :
         std::filesystem::recursive_directory_iterator(KORVEX_PARSE_CORPUS_DIR)) {
        if (entry.path().extension() == ".kx") {
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream content;
            content << in.rdbuf();
            sources.push_back(content.str());
        }
    }
    return sources;
}

// A non-ASCII character in a last comment sends the whole file the UTF-16
// way without moving anything before it.
TEST(AsciiSourceTest, AsciiFilesReadAsBytesGiveTheTreesOfUtf16) {
    std::vector<std::string> const sources = corpusSources();
    ASSERT_FALSE(sources.empty());
    for (std::string const& source : sources) {
        ASSERT_TRUE(fl::text::isAscii(source));
        std::string const tree = readingOf(source);
        EXPECT_EQ(tree, utf16ReadingOf(source));
        EXPECT_EQ(readingOf(source + "\n% r\xc3\xa9sum\xc3\xa9\n"), tree);
    }
}

// Every lexical and syntax error the byte reading meets, and where it goes
// on, is the UTF-16 reading's, also where the text ends early.
TEST(AsciiSourceTest, ErrorsAndRecoveryMatchTheUtf16Reading) {
    for (std::string_view source : {
             "x = [1 2\ny = 3;\n",
             "s = 'open\nt = \"open\n",
             "x = 1 $ 2;\ny = #;\n",
             "x = 0x;\ny = 1e+;\nz = 12abc;\n",
             "%{\nnever closed\n",
             "function f\nx = 1;\nend\nfunction g\nend\nend\n",
             "if x\n  y = (1;\nelse\n  z = ];\nend\n",
             "x = a.if.end + b';\ny = a'';\nz = [a' b'];\nc = {1 'a' \"b\"};\n",
             "cd ../dir 'with space' (a, b) ...\n  more\n!echo hi\nhold on\n",
             "classdef C < handle\n  properties\n    p = 1\n  end\n  methods\n"
             "    function m(o)\n      o.p@super();\n    end\n  end\nend\n",
         }) {
        // Every prefix too: each form of token cut off by the end of the text.
        for (std::size_t length = 0; length <= source.size(); ++length) {
            SCOPED_TRACE(source.substr(0, length));
            EXPECT_EQ(readingOf(source.substr(0, length)),
                      utf16ReadingOf(source.substr(0, length)));
        }
    }
}

TEST(AsciiSourceTest, NonAsciiTextInCommentsAndTextsIsKept) {
    fe::astapi::AstNodeFactory factory;
    std::string const source = "s = '\xc3\xa9\xf0\x9f\x98\x80'; % \xc3\xbc\ny = \"\xc3\xa9\";";
    Program const* program = lf::parser::parseUtf8(source, factory);
    ASSERT_EQ(program->elements.size(), 2u);
    auto const* first = nodeAs<Assignment>(program->elements[0]);
    auto const* second = nodeAs<Assignment>(program->elements[1]);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(nodeAs<TextLiteral>(first->value)->text, u"\u00e9\U0001F600");
    EXPECT_EQ(nodeAs<TextLiteral>(second->value)->text, u"\u00e9");
    // The emoji counts two units; the comment's character one.
    EXPECT_EQ(second->target->position(), 16u);
}

TEST(AsciiSourceTest, NonAsciiCharacterWhereANameGoesIsAnError) {
    lf::parser::SyntaxError const error = utf8SyntaxErrorOf("x = 1;\ny = \xc3\xa9;");
    EXPECT_EQ(std::string_view(error.identifier()), lf::parser::errors::kInvalidCharacter);
    EXPECT_EQ(error.position(), 12u);
    EXPECT_NE(std::string(error.what()).find("U+00E9"), std::string::npos) << error.what();
}

// The byte-order mark does not count, once; a second one is text.
TEST(AsciiSourceTest, ByteOrderMarkIsSkippedOnce) {
    fe::astapi::AstNodeFactory factory;
    Program const* program = lf::parser::parseUtf8("\xef\xbb\xbfx = 1;", factory);
    ASSERT_EQ(program->elements.size(), 1u);
    EXPECT_EQ(program->elements[0]->position(), 1u);
    lf::parser::SyntaxError const error = utf8SyntaxErrorOf("\xef\xbb\xbf\xef\xbb\xbfx = 1;");
    EXPECT_EQ(std::string_view(error.identifier()), lf::parser::errors::kInvalidCharacter);
    EXPECT_EQ(error.position(), 1u);
}

// Names read from bytes and from UTF-16 are one interned name.
TEST(AsciiSourceTest, NamesFromBothReadingsMeet) {
    fe::astapi::AstNodeFactory factory;
    auto targetOf = [](Program const* program) {
        return nodeAs<Assignment>(program->elements[0])->target->name();
    };
    std::u16string_view const fromBytes =
        targetOf(lf::parser::parseUtf8("averyLongName_12 = 1;", factory));
    std::u16string_view const fromUnits =
        targetOf(lf::parser::parseUtf8("averyLongName_12 = '\xc3\xa9';", factory));
    EXPECT_EQ(fromBytes, u"averyLongName_12");
    EXPECT_EQ(fromBytes.data(), fromUnits.data());
}

}  // namespace
