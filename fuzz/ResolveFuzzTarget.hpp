#pragma once
// One fuzzing step: parse arbitrary bytes as a Korvex file and, when they
// parse, resolve the tree fully and locally; parse them in the recovering
// mode too (which must agree with the strict parse on whether there is an
// error, and report the strict parse's error) and resolve what it recovered.
// Anything but a tree, a syntax error, a user error or the refusal of a
// class file is a defect and aborts. Answers whether the bytes parsed.

#include <cstddef>
#include <cstdint>

namespace korvex::fuzz {

bool resolveArbitrarySource(std::uint8_t const* data, std::size_t size);

}  // namespace korvex::fuzz
