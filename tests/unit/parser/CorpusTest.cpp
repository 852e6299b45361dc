// The realistic programs of tests/corpus-parse parse without error, also
// with CRLF line breaks.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "front_end/astapi/AstDispatcher.hpp"
#include "front_end/langutil/Utf.hpp"
#include "front_end/parser/Parser.hpp"

namespace {

class NodeCounter
    : public fe::astapi::AstDispatcher<NodeCounter, fe::astapi::KorvexTree, fe::astapi::Const> {
  public:
    template <class T>
    void visit(T const& node) {
        ++count;
        walkChildren(node);
    }
    std::size_t count = 0;
};

std::size_t countNodes(lf::astapi::Node const& root) {
    NodeCounter counter;
    counter.dispatch(root);
    return counter.count;
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
        std::u16string const source = lf::util::toUtf16(content.str());
        std::u16string crlf;
        for (char16_t c : source) {
            crlf += c == u'\n' ? std::u16string(u"\r\n") : std::u16string(1, c);
        }
        fe::astapi::AstNodeFactory factory;
        try {
            auto const* program = lf::parser::parse(source, factory);
            auto const* withCrlf = lf::parser::parse(crlf, factory);
            EXPECT_GT(countNodes(*program), 500u);
            EXPECT_EQ(countNodes(*program), countNodes(*withCrlf));
        } catch (lf::parser::SyntaxError const& error) {
            ADD_FAILURE() << error.identifier() << " at " << error.position() << ": "
                          << error.what();
        }
    }
    EXPECT_EQ(programs, 4u);
}

}  // namespace
