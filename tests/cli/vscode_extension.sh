#!/usr/bin/env bash
# Checks editors/vscode without VS Code: the script parses, and the
# manifest contributes each custom token type and modifier of the legend
# that `korvex-nr lsp` announces at initialize.
#
#   vscode_extension.sh TOOL EXTENSION_DIR
set -u
tool=$1
extension=$2
node --check "$extension/extension.js" || exit 1
frame() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
{
    frame '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}'
    frame '{"jsonrpc":"2.0","method":"exit"}'
} | "$tool" lsp | node -e '
const fs = require("fs");
const output = fs.readFileSync(0, "utf8");
const answer = JSON.parse(output.slice(output.indexOf("{")));
const legend = answer.result.capabilities.semanticTokensProvider.legend;
const manifest = JSON.parse(fs.readFileSync(process.argv[1] + "/package.json", "utf8"));
const standard = new Set(["variable", "parameter", "namespace", "function", "declaration"]);
const contributed = new Set([...manifest.contributes.semanticTokenTypes,
                             ...manifest.contributes.semanticTokenModifiers].map((t) => t.id));
const missing = [...legend.tokenTypes, ...legend.tokenModifiers]
    .filter((name) => !standard.has(name) && !contributed.has(name));
if (missing.length > 0) {
    console.error("not contributed by the extension: " + missing.join(", "));
    process.exit(1);
}
' "$extension"
