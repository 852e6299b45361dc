#!/usr/bin/env bash
# Runs the language server's end-to-end test (tests/node/lsp-end-to-end.js),
# which drives `korvex-nr lsp` with the npm protocol client library.
#
#   lsp_end_to_end.sh TOOL
set -u
tool=$1
node_dir=$(cd "$(dirname "$0")/../node" && pwd)
if [ ! -d "$node_dir/node_modules/vscode-languageserver-protocol" ]; then
    echo "missing npm test packages: run scripts/install-deps.sh" >&2
    exit 1
fi
exec node "$node_dir/lsp-end-to-end.js" "$tool"
