#!/usr/bin/env bash
# Checks the corpus with --format json and --format sarif and validates the
# documents: the JSON against docs/check-output.schema.json, the SARIF
# against the published SARIF 2.1.0 schema (shipped by an npm package), both
# with Ajv. Also checks that both hold the corpus's errors, and the syntax
# errors that --all-syntax-errors reports.
#
#   validate_formats.sh TOOL
set -u
tool=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
node_dir=$root/tests/node
sarif_schema=$node_dir/node_modules/@microsoft/jest-sarif/lib/schemas/sarif-2.1.0-rtm.5.json
if [ ! -f "$sarif_schema" ]; then
    echo "missing npm test packages: run scripts/install-deps.sh" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cd "$root/tests/corpus" || exit 1
"$tool" check --format json . > "$work/check.json"
json_status=$?
"$tool" check --format sarif . > "$work/check.sarif"
sarif_status=$?
status=0
for pair in "json:$json_status" "sarif:$sarif_status"; do
    if [ "${pair#*:}" != 1 ]; then
        echo "check --format ${pair%%:*} exited with ${pair#*:}, expected 1" >&2
        status=1
    fi
done
# Validates the documents WORK/NAME.json and WORK/NAME.sarif against their
# schemas, then runs the JavaScript CHECKS over them, with `json`, `sarif`
# (its run) and `fail` defined.
#   check_documents NAME CHECKS
check_documents() {
    node "$node_dir/validate-json.js" "$root/docs/check-output.schema.json" "$work/$1.json" ||
        status=1
    node "$node_dir/validate-json.js" "$sarif_schema" "$work/$1.sarif" || status=1
    node -e '
const fs = require("fs");
const json = JSON.parse(fs.readFileSync(process.argv[1], "utf8"));
const sarif = JSON.parse(fs.readFileSync(process.argv[2], "utf8")).runs[0];
const fail = (text) => { console.error(text); process.exit(1); };
'"$2" "$work/$1.json" "$work/$1.sarif" || status=1
}

# Both documents hold the seven errors of the MANIFEST, the SARIF log with a
# rule for each.
check_documents check '
if (json.diagnostics.length !== 7 || json.summary.errors !== 7) fail("json: expected 7 errors");
if (sarif.results.length !== 7) fail("sarif: expected 7 results");
for (const result of sarif.results) {
  const rule = sarif.tool.driver.rules[result.ruleIndex];
  if (!rule || rule.id !== result.ruleId || !rule.help.text) fail("sarif: bad rule for " + result.ruleId);
}
const plot = json.diagnostics.find((d) => d.file === "drafts/orbit_plot.kx");
if (!plot || plot.line !== 11 || plot.column !== 43) fail("json: orbit_plot.kx is not at 11:43");
'

# With --all-syntax-errors, both documents hold the six syntax errors of the
# golden case, in order.
cd "$root/tests/golden/check" || exit 1
for format in json sarif; do
    "$tool" check --no-config --all-syntax-errors --format $format all_syntax_errors.kx \
        > "$work/syntax.$format"
done
check_documents syntax '
const lines = [8, 9, 10, 11, 12, 18];
if (json.diagnostics.map((d) => d.line).join() !== lines.join()) fail("json: not the six syntax errors");
if (sarif.results.map((r) => r.locations[0].physicalLocation.region.startLine).join() !== lines.join())
  fail("sarif: not the six syntax errors");
if (!json.diagnostics.every((d) => d.identifier.startsWith("KORVEX:parse:"))) fail("json: not syntax errors");
'
exit $status
