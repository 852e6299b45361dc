// The language server's protocol pieces: message framing, documents under
// incremental edits with UTF-16 positions, and the token encoding.

#include <gtest/gtest.h>

#include <sstream>

#include "tools/korvex-nr/lsp/SemanticTokens.hpp"
#include "tools/korvex-nr/lsp/TextDocument.hpp"
#include "tools/korvex-nr/lsp/Transport.hpp"

namespace korvex::lsp {
namespace {

TEST(Framing, ReadsMessagesBackToBackWhateverTheHeaders) {
    std::istringstream in(
        "Content-Length: 2\r\n\r\n{}"
        "content-type: application/vscode-jsonrpc; charset=utf-8\r\n"
        "CONTENT-LENGTH:  7 \r\n\r\n[1,2,3]"
        "Content-Length: 4\n\n\"é\"");  // bare LF; the length counts bytes
    MessageReader reader(in);
    EXPECT_EQ(reader.read(), "{}");
    EXPECT_EQ(reader.read(), "[1,2,3]");
    EXPECT_EQ(reader.read(), "\"é\"");
    EXPECT_EQ(reader.read(), std::nullopt);
}

TEST(Framing, BadHeadersAreErrorsAfterWhichReadingGoesOn) {
    std::istringstream in(
        "Content-Type: text\r\n\r\n"
        "Content-Length: ten\r\n\r\n"
        "no colon here\r\nContent-Length: 2\r\n\r\n{}"
        "Content-Length: 2\r\n\r\n[]"
        "Content-Length: 99999999999\r\n\r\n");
    MessageReader reader(in);
    EXPECT_THROW(reader.read(), FramingError);
    EXPECT_THROW(reader.read(), FramingError);
    EXPECT_THROW(reader.read(), FramingError);  // its body is skipped with it
    EXPECT_EQ(reader.read(), "[]");
    EXPECT_THROW(reader.read(), FramingError);
    EXPECT_EQ(reader.read(), std::nullopt);
}

TEST(Framing, AStreamEndingInsideAMessageEndsTheReading) {
    std::istringstream cutBody("Content-Length: 10\r\n\r\n{\"a\"");
    EXPECT_EQ(MessageReader(cutBody).read(), std::nullopt);
    std::istringstream cutHeader("Content-Length: 10\r\n");
    EXPECT_EQ(MessageReader(cutHeader).read(), std::nullopt);
}

TEST(Framing, WritesTheByteLength) {
    std::ostringstream out;
    writeMessage(out, "{\"x\":\"é\"}");
    EXPECT_EQ(out.str(), "Content-Length: 10\r\n\r\n{\"x\":\"é\"}");
}

TEST(TextDocument, PositionsCountUtf16UnitsAndEveryKindOfLineBreak) {
    // "😀" is two UTF-16 units; lines end with CRLF, CR and LF.
    TextDocument document(u"a😀b\r\nc\rd\n", 1);
    EXPECT_EQ(document.lineCount(), 4U);
    EXPECT_EQ(document.offsetAt({0, 3}), 3U);  // before b
    EXPECT_EQ(document.offsetAt({0, 4}), 4U);  // the line's end, before CRLF
    EXPECT_EQ(document.offsetAt({0, 5}), std::nullopt);
    EXPECT_EQ(document.offsetAt({1, 0}), 6U);
    EXPECT_EQ(document.offsetAt({2, 0}), 8U);
    EXPECT_EQ(document.offsetAt({3, 0}), 10U);  // the empty last line
    EXPECT_EQ(document.offsetAt({4, 0}), std::nullopt);
    EXPECT_EQ(document.positionAt(3), (Position{0, 3}));
    EXPECT_EQ(document.positionAt(8), (Position{2, 0}));
    EXPECT_EQ(document.positionAt(1000), (Position{3, 0}));
}

TEST(TextDocument, IncrementalEditsApplyInOrder) {
    TextDocument document(u"x = 1;\ny😀 = x;\n", 1);
    // Replace the second line's "x" (after the two-unit emoji), then add a
    // line in front, whose positions the first edit already moved.
    document.applyChange(Range{{1, 6}, {1, 7}}, u"total");
    EXPECT_EQ(document.text(), u"x = 1;\ny😀 = total;\n");
    document.applyChange(Range{{0, 0}, {0, 0}}, u"% top\n");
    EXPECT_EQ(document.text(), u"% top\nx = 1;\ny😀 = total;\n");
    EXPECT_EQ(document.offsetAt({2, 6}), 19U);
    // A deletion across lines joins them.
    document.applyChange(Range{{0, 5}, {1, 0}}, u" ");
    EXPECT_EQ(document.text(), u"% top x = 1;\ny😀 = total;\n");
    EXPECT_EQ(document.lineCount(), 3U);
    document.applyChange(std::nullopt, u"whole");
    EXPECT_EQ(document.text(), u"whole");
}

TEST(TextDocument, EditsOutOfTheTextAreClamped) {
    TextDocument document(u"ab\ncd", 1);
    document.applyChange(Range{{0, 10}, {0, 12}}, u"!");  // past the line's end
    EXPECT_EQ(document.text(), u"ab!\ncd");
    document.applyChange(Range{{9, 0}, {9, 0}}, u"?");  // below the last line
    EXPECT_EQ(document.text(), u"ab!\ncd?");
    document.applyChange(Range{{1, 2}, {0, 0}}, u"-");  // an end before the start
    EXPECT_EQ(document.text(), u"ab!\ncd-?");
}

TEST(SemanticTokens, EncodesEachTokenRelativeToThePreviousOne) {
    std::vector<SemanticToken> const tokens = {
        {0, 4, 3, TokenType::Variable, modifiers::kDeclaration},
        {0, 10, 2, TokenType::LocalFunction, 0},
        {2, 1, 5, TokenType::Package, 0},
        {2, 7, 2, TokenType::ExternalFunction, modifiers::kImported | modifiers::kShared},
    };
    std::vector<std::uint32_t> const expected = {0, 4, 3, 0, 8,  //
                                                 0, 6, 2, 3, 0,  //
                                                 2, 1, 5, 5, 0,  //
                                                 0, 6, 2, 4, 17};
    EXPECT_EQ(encodeTokens(tokens), expected);
}

TEST(SemanticTokens, DeltaIsOneEditBetweenCommonPrefixAndSuffix) {
    std::vector<std::uint32_t> const before = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_TRUE(tokenEdits(before, before).empty());

    std::vector<std::uint32_t> const inserted = {1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 6, 7, 8, 9, 10};
    auto edits = tokenEdits(before, inserted);
    ASSERT_EQ(edits.size(), 1U);
    EXPECT_EQ(edits[0].start, 5U);
    EXPECT_EQ(edits[0].deleteCount, 0U);
    EXPECT_EQ(edits[0].data, (std::vector<std::uint32_t>{0, 0, 0, 0, 0}));

    // Prefix and suffix must not overlap when the new data repeats values.
    std::vector<std::uint32_t> const repeated = {1, 1, 1};
    edits = tokenEdits(repeated, {1, 1, 1, 1, 1});
    ASSERT_EQ(edits.size(), 1U);
    EXPECT_EQ(edits[0].start, 3U);
    EXPECT_EQ(edits[0].deleteCount, 0U);
    EXPECT_EQ(edits[0].data.size(), 2U);

    edits = tokenEdits(before, {});
    ASSERT_EQ(edits.size(), 1U);
    EXPECT_EQ(edits[0].deleteCount, 10U);
}

}  // namespace
}  // namespace korvex::lsp
