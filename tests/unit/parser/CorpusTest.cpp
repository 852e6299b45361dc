// The realistic programs of tests/corpus-parse parse without error, and to
// the same tree with CRLF line breaks (the printed trees show lines and
// columns, which CRLF must not change) and in the recovering mode.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "foundation/text/Utf.hpp"
#include "front_end/parser/Parser.hpp"
#include "tools/korvex-nr/TreePrinter.hpp"

namespace {

std::string printedTree(std::u16string const& source, bool recovering = false) {
    fe::astapi::AstNodeFactory factory;
    lf::astapi::Program const* program = nullptr;
    if (recovering) {
        lf::parser::RecoveredParse recovered = lf::parser::parseRecovering(source, factory);
        EXPECT_TRUE(recovered.errors.empty());
        program = recovered.program;
    } else {
        program = lf::parser::parse(source, factory);
    }
    std::ostringstream printed;
    korvex::tool::printTree(printed, *program, lf::util::LineInfo(source));
    return printed.str();
}

TEST(CorpusTest, RealisticProgramsParse) {
    std::size_t programs = 0;
    for (auto const& entry :
         std::filesystem::recursive_directory_iterator(KORVEX_PARSE_CORPUS_DIR)) {
        if (entry.path().extension() != ".kx") {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        ++programs;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        std::u16string const source = fl::text::toUtf16(content.str());
        std::u16string crlf;
        for (char16_t c : source) {
            crlf += c == u'\n' ? std::u16string(u"\r\n") : std::u16string(1, c);
        }
        try {
            std::string const tree = printedTree(source);
            EXPECT_GT(std::count(tree.begin(), tree.end(), '\n'), 500);
            EXPECT_EQ(tree, printedTree(crlf));
            EXPECT_EQ(tree, printedTree(source, true));
        } catch (lf::parser::SyntaxError const& error) {
            ADD_FAILURE() << error.identifier() << " at " << error.position() << ": "
                          << error.what();
        }
    }
    EXPECT_EQ(programs, 9u);
}

}  // namespace
