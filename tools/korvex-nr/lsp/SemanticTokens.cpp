// A typing edit changes the tokens around the cursor and shifts the lines
// after it, which the relative encoding absorbs, so one edit between the
// common prefix and suffix is small and costs one pass.

#include "tools/korvex-nr/lsp/SemanticTokens.hpp"

#include <algorithm>

namespace korvex::lsp {

std::vector<std::uint32_t> encodeTokens(std::vector<SemanticToken> const& tokens) {
    std::vector<std::uint32_t> data;
    data.reserve(tokens.size() * 5);
    SemanticToken previous;
    for (SemanticToken const& token : tokens) {
        std::uint32_t const deltaLine = token.line - previous.line;
        data.push_back(deltaLine);
        data.push_back(deltaLine == 0 ? token.character - previous.character : token.character);
        data.push_back(token.length);
        data.push_back(static_cast<std::uint32_t>(token.type));
        data.push_back(token.modifiers);
        previous = token;
    }
    return data;
}

std::vector<TokenEdit> tokenEdits(std::vector<std::uint32_t> const& previous,
                                  std::vector<std::uint32_t> const& current) {
    auto const prefix =
        static_cast<std::size_t>(std::ranges::mismatch(previous, current).in1 - previous.begin());
    if (prefix == previous.size() && prefix == current.size()) {
        return {};
    }
    std::size_t const room = std::min(previous.size(), current.size()) - prefix;
    std::size_t suffix = 0;
    while (suffix < room &&
           previous[previous.size() - 1 - suffix] == current[current.size() - 1 - suffix]) {
        ++suffix;
    }
    return {{static_cast<std::uint32_t>(prefix),
             static_cast<std::uint32_t>(previous.size() - prefix - suffix),
             {current.begin() + static_cast<std::ptrdiff_t>(prefix),
              current.end() - static_cast<std::ptrdiff_t>(suffix)}}};
}

}  // namespace korvex::lsp
