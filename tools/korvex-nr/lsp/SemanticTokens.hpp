#pragma once
// The semantic-token legend of the server and the protocol's encoding of
// tokens: five integers a token (line and start relative to the previous
// token, length, type index, modifier bits), and the edit that turns one
// encoding into the next for delta requests.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace korvex::lsp {

// Indices into kTokenTypes; the order is the legend's, fixed by the
// protocol's encoding, so new types go at the end.
enum class TokenType : std::uint32_t {
    Variable,
    Parameter,
    NestedFunction,
    LocalFunction,
    ExternalFunction,
    Package,
    UnknownName,
    Function,  // a function defined in the file that nothing introduces (its primary one)
};
inline constexpr std::array<std::string_view, 8> kTokenTypes = {
    "variable",         "parameter", "nestedFunction", "localFunction",
    "externalFunction", "namespace", "unknownName",    "function"};

// Bits of the modifier set, in the legend's order.
namespace modifiers {
inline constexpr std::uint32_t kShared = 1U << 0;
inline constexpr std::uint32_t kGlobal = 1U << 1;
inline constexpr std::uint32_t kPersistent = 1U << 2;
inline constexpr std::uint32_t kDeclaration = 1U << 3;
inline constexpr std::uint32_t kImported = 1U << 4;
}  // namespace modifiers
inline constexpr std::array<std::string_view, 5> kTokenModifiers = {
    "sharedWithNested", "global", "persistent", "declaration", "imported"};

struct SemanticToken {
    std::uint32_t line = 0;       // 0-based
    std::uint32_t character = 0;  // 0-based, UTF-16
    std::uint32_t length = 0;     // UTF-16 code units, within the line
    TokenType type = TokenType::Variable;
    std::uint32_t modifiers = 0;
};

// The protocol's integers for `tokens`, which are in position order.
std::vector<std::uint32_t> encodeTokens(std::vector<SemanticToken> const& tokens);

// One edit of a delta: replace `deleteCount` integers at `start` by `data`.
struct TokenEdit {
    std::uint32_t start = 0;
    std::uint32_t deleteCount = 0;
    std::vector<std::uint32_t> data;
};

// The single edit from `previous` to `current` (what lies between their
// common prefix and suffix); none when they are equal.
std::vector<TokenEdit> tokenEdits(std::vector<std::uint32_t> const& previous,
                                  std::vector<std::uint32_t> const& current);

}  // namespace korvex::lsp
