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

// The syntax error that `parseText` raises when handed a factory; fails the
// test when it parses or raises anything else.
template <class ParseText>
lf::parser::SyntaxError syntaxErrorRaisedBy(ParseText parseText) {
    fe::astapi::AstNodeFactory factory;
    try {
        parseText(factory);
    } catch (lf::parser::SyntaxError const& error) {
        return error;
    }
    ADD_FAILURE() << "no syntax error";
    return lf::parser::SyntaxError("", 0, "");
}

// The syntax error that parsing `source` raises.
inline lf::parser::SyntaxError syntaxErrorOf(std::u16string_view source) {
    return syntaxErrorRaisedBy(
        [source](fe::astapi::AstNodeFactory& factory) { lf::parser::parse(source, factory); });
}
inline lf::parser::SyntaxError utf8SyntaxErrorOf(std::string_view source) {
    return syntaxErrorRaisedBy(
        [source](fe::astapi::AstNodeFactory& factory) { lf::parser::parseUtf8(source, factory); });
}

}  // namespace korvex::testing
