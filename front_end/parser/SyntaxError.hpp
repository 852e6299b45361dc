#pragma once
// The one error the parser raises: a malformed source text. It carries a
// message identifier under "KORVEX:parse:", the 1-based UTF-16 position of
// the offending character and a text naming what was expected and found.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace lf::parser {

// Message identifiers of syntax errors.
namespace errors {
inline constexpr char const* kUnexpectedToken = "KORVEX:parse:unexpectedToken";
inline constexpr char const* kUnbalancedBracket = "KORVEX:parse:unbalancedBracket";
inline constexpr char const* kMissingEnd = "KORVEX:parse:missingEnd";
inline constexpr char const* kMixedFunctionStyles = "KORVEX:parse:mixedFunctionStyles";
inline constexpr char const* kStatementAfterFunctions = "KORVEX:parse:statementAfterFunctions";
inline constexpr char const* kInvalidAssignmentTarget = "KORVEX:parse:invalidAssignmentTarget";
inline constexpr char const* kMisplacedIgnoredOutput = "KORVEX:parse:misplacedIgnoredOutput";
inline constexpr char const* kNestingTooDeep = "KORVEX:parse:nestingTooDeep";
inline constexpr char const* kUnterminatedString = "KORVEX:parse:unterminatedString";
inline constexpr char const* kUnterminatedBlockComment = "KORVEX:parse:unterminatedBlockComment";
inline constexpr char const* kInvalidNumber = "KORVEX:parse:invalidNumber";
inline constexpr char const* kInvalidCharacter = "KORVEX:parse:invalidCharacter";
inline constexpr char const* kSourceTooLarge = "KORVEX:parse:sourceTooLarge";
inline constexpr char const* kUnsupported = "KORVEX:parse:unsupported";
}  // namespace errors

class SyntaxError : public std::runtime_error {
  public:
    SyntaxError(char const* identifier, std::uint32_t position, std::string const& text)
        : std::runtime_error(text), identifier_(identifier), position_(position) {}

    // "KORVEX:parse:unexpectedToken" and the like.
    char const* identifier() const { return identifier_; }
    // 1-based UTF-16 offset; one past the last character for errors at the end.
    std::uint32_t position() const { return position_; }

  private:
    char const* identifier_;
    std::uint32_t position_;
};

}  // namespace lf::parser
