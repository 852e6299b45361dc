#include "tools/korvex-nr/Explanations.hpp"

#include <toml++/toml.h>
#include <stdexcept>

#include "foundation/i18n/MessageCatalog.hpp"
#include "foundation/resource/BaseMsgID.hpp"

namespace korvex::tool {

// data/explanations.toml, built in by CMake (ExplanationsData.cpp.in).
extern std::string_view const kExplanationsToml;

namespace {

std::string text(toml::table const& entry, std::string_view key, std::string_view identifier) {
    std::optional<std::string> value = entry[key].value<std::string>();
    if (!value || value->empty()) {
        throw std::logic_error("explanations.toml: '" + std::string(identifier) + "' has no " +
                               std::string(key));
    }
    // Multi-line texts start after the newline that follows `"""`, and end
    // with one; the printing adds its own.
    while (!value->empty() && value->back() == '\n') {
        value->pop_back();
    }
    return std::move(*value);
}

std::map<std::string, Explanation, std::less<>> parseExplanations() {
    std::map<std::string, Explanation, std::less<>> all;
    toml::table const document =
        toml::parse(kExplanationsToml, std::string_view("explanations.toml"));
    for (auto const& [key, node] : document) {
        toml::table const* entry = node.as_table();
        if (entry == nullptr) {
            throw std::logic_error("explanations.toml: '" + std::string(key.str()) +
                                   "' is not a table");
        }
        all.emplace(std::string(key.str()), Explanation{text(*entry, "meaning", key.str()),
                                                        text(*entry, "example", key.str()),
                                                        text(*entry, "fix", key.str())});
    }
    return all;
}

}  // namespace

std::map<std::string, Explanation, std::less<>> const& explanations() {
    static std::map<std::string, Explanation, std::less<>> const all = parseExplanations();
    return all;
}

Explanation const* findExplanation(std::string_view identifier) {
    auto const& all = explanations();
    auto found = all.find(identifier);
    if (found == all.end() && !identifier.starts_with("KORVEX:")) {
        found = all.find("KORVEX:" + std::string(identifier));
    }
    return found == all.end() ? nullptr : &found->second;
}

std::string_view severityOf(std::string_view identifier) {
    for (fl::i18n::MessageEntry const& entry : fl::i18n::MessageCatalog::entries()) {
        if (entry.kind == fl::i18n::MessageKind::warning &&
            resource_core::composeErrorId(entry.component, entry.id) == identifier) {
            return "warning";
        }
    }
    return "error";
}

}  // namespace korvex::tool
