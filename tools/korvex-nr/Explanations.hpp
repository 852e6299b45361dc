#pragma once
// What each diagnostic means, a minimal program that raises it and how to
// fix it. The texts live in data/explanations.toml, built into the tool.

#include <map>
#include <string>
#include <string_view>

namespace korvex::tool {

struct Explanation {
    std::string meaning;
    std::string example;
    std::string fix;
};

// Every explanation, by identifier (`KORVEX:...`).
std::map<std::string, Explanation, std::less<>> const& explanations();

// The explanation of `identifier`, given with or without its `KORVEX:`
// prefix; nullptr when there is none.
Explanation const* findExplanation(std::string_view identifier);

// "error" or "warning": the catalog's kind of the message, "error" for
// syntax errors and identifiers the catalog does not hold.
std::string_view severityOf(std::string_view identifier);

}  // namespace korvex::tool
