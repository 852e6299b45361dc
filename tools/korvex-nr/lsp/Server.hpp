#pragma once
// The language server: LSP 3.17 over a pair of byte streams.

#include <iosfwd>

namespace korvex::lsp {

// Serves the client on `in` and `out` until `exit` or the end of `in`.
// Returns the process's exit status: 0 after `shutdown` then `exit`, 1 when
// the stream ends or `exit` comes without `shutdown` first. `in` is read on
// a thread of its own, which may stay blocked on a read after the call
// returns, so `in` must live as long as the process (standard input does).
int runLanguageServer(std::istream& in, std::ostream& out);

}  // namespace korvex::lsp
