// The realistic programs of tests/corpus-parse parse without error, also
// with CRLF line breaks.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "foundation/text/Utf.hpp"
#include "front_end/parser/Parser.hpp"

namespace {

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
        // The same tree in both: the same nodes, lists and names.
        fe::astapi::AstNodeFactory factory;
        fe::astapi::AstNodeFactory crlfFactory;
        try {
            lf::parser::parse(source, factory);
            lf::parser::parse(crlf, crlfFactory);
            EXPECT_GT(factory.allocator()->bytesAllocated(), 20000u);
            EXPECT_EQ(factory.allocator()->bytesAllocated(),
                      crlfFactory.allocator()->bytesAllocated());
        } catch (lf::parser::SyntaxError const& error) {
            ADD_FAILURE() << error.identifier() << " at " << error.position() << ": "
                          << error.what();
        }
    }
    EXPECT_EQ(programs, 9u);
}

}  // namespace
