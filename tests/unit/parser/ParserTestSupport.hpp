#pragma once
// Helpers shared by the parser tests.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/parser/Parser.hpp"

namespace korvex::testing {

// "LINE:COL" of a 1-based position in `source`.
inline std::string lineColumn(std::u16string_view source, std::uint32_t position) {
    auto const where = lf::util::LineInfo(source).lineAndColumn(position);
    return std::to_string(where.line) + ":" + std::to_string(where.column);
}

// Parses `source` and returns the syntax error it raises; fails the test
// when it parses or raises anything else.
inline lf::parser::SyntaxError syntaxErrorOf(std::u16string_view source) {
    fe::astapi::AstNodeFactory factory;
    try {
        lf::parser::parse(source, factory);
    } catch (lf::parser::SyntaxError const& error) {
        return error;
    }
    ADD_FAILURE() << "no syntax error";
    return lf::parser::SyntaxError("", 0, "");
}

}  // namespace korvex::testing
