#pragma once
// Lexical path helpers on UTF-16 paths. They never touch the file system.

#include <string>
#include <string_view>

namespace fl::filesystem::detail {

// The path with every separator ('/' or '\\') written as the native '/'. With
// `normalize`, also removes empty and "." segments and folds "x/.." pairs:
// "a//b/./c/../d/" becomes "a/b/d", "/.." becomes "/", "../a" stays "../a"
// and a path that folds away completely becomes ".". The empty path stays
// empty.
std::u16string make_native_form(std::u16string_view path, bool normalize);

// The file name without folder and extension: "dir/sub/f.kx" -> "f",
// "a.b.kx" -> "a.b", "f" -> "f". A leading dot does not start an extension,
// so ".kx" -> ".kx" and "dir/.hidden.kx" -> ".hidden"; "." and ".." stay as
// they are. A path ending in a separator has an empty stem.
std::u16string extract_stem(std::u16string_view path);

}  // namespace fl::filesystem::detail
