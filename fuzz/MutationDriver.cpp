// A fuzzing driver that needs no fuzzing engine: it runs every `.kx` file
// under the given paths, then a fixed number of random mutations of each
// (deleted, duplicated and swapped pieces, inserted keywords and
// punctuation), through the fuzz target. The mutations are reproducible from
// the seed; a defect aborts with the input that caused it.
//
//   korvex-fuzz-mutations [--mutations N] [--seed S] PATH...

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/ResolveFuzzTarget.hpp"

namespace {

constexpr std::array<std::string_view, 40> kFragments = {"end",        "function ",
                                                         "\nend\n",    "(",
                                                         ")",          "[",
                                                         "]",          "{",
                                                         "}",          "@",
                                                         "@(x) ",      ".",
                                                         ",",          ";",
                                                         "=",          "==",
                                                         "'",          "\"",
                                                         "%",          "%{\n",
                                                         "\n%}\n",     "...\n",
                                                         "import p.",  "import p.*",
                                                         ".*",         "persistent x\n",
                                                         "global x\n", "parfor k = 1:2\n",
                                                         "spmd\n",     "load data.txt a\n",
                                                         "x.y.z",      "p.q.f(1)",
                                                         "end\n",      "~",
                                                         ":",          "ans",
                                                         "varargin",   "classdef C\n",
                                                         "\r\n",       "nested = 1;\n"};

std::string mutate(std::string source, std::mt19937& random) {
    auto pick = [&](std::size_t bound) {
        return bound == 0 ? std::size_t{0}
                          : std::uniform_int_distribution<std::size_t>(0, bound - 1)(random);
    };
    int steps = 1 + static_cast<int>(pick(4));
    for (int step = 0; step < steps; ++step) {
        std::size_t at = pick(source.size() + 1);
        std::size_t length = std::min<std::size_t>(1 + pick(24), source.size() - at);
        switch (pick(5)) {
            case 0:
                source.erase(at, length);
                break;
            case 1:
                source.insert(at, source.substr(at, length));
                break;
            case 2:
                source.insert(at, kFragments[pick(kFragments.size())]);
                break;
            case 3:
                if (at < source.size()) {
                    source[at] = static_cast<char>(' ' + pick(95));
                }
                break;
            default: {
                std::size_t other = pick(source.size() + 1);
                std::size_t otherLength = std::min<std::size_t>(length, source.size() - other);
                std::string piece = source.substr(other, otherLength);
                source.insert(at, piece);
                break;
            }
        }
    }
    return source;
}

std::vector<std::filesystem::path> sourceFiles(std::vector<std::string> const& paths) {
    std::vector<std::filesystem::path> files;
    for (std::string const& path : paths) {
        if (std::filesystem::is_directory(path)) {
            for (auto const& entry : std::filesystem::recursive_directory_iterator(path)) {
                if (entry.is_regular_file() && entry.path().extension() == ".kx") {
                    files.push_back(entry.path());
                }
            }
        } else {
            files.emplace_back(path);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool run(std::string const& source) {
    return korvex::fuzz::resolveArbitrarySource(
        reinterpret_cast<std::uint8_t const*>(source.data()), source.size());
}

}  // namespace

int main(int argc, char** argv) {
    int mutations = 100;
    unsigned seed = 1;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--mutations" && i + 1 < argc) {
            mutations = std::atoi(argv[++i]);
        } else if (argument == "--seed" && i + 1 < argc) {
            seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            paths.emplace_back(argument);
        }
    }
    std::vector<std::filesystem::path> files = sourceFiles(paths);
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s [--mutations N] [--seed S] PATH...\n", argv[0]);
        return 2;
    }
    std::size_t inputs = 0;
    std::size_t parsed = 0;
    for (std::size_t index = 0; index < files.size(); ++index) {
        std::ifstream in(files[index], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", files[index].c_str());
            return 2;
        }
        std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        parsed += run(source) ? 1 : 0;
        std::mt19937 random(seed * 7919u + static_cast<unsigned>(index));
        for (int m = 0; m < mutations; ++m) {
            parsed += run(mutate(source, random)) ? 1 : 0;
        }
        inputs += 1 + static_cast<std::size_t>(mutations);
    }
    std::printf("%zu inputs from %zu files (%zu of them parsed and resolved) without a defect\n",
                inputs, files.size(), parsed);
    return 0;
}
