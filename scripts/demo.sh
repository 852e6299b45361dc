#!/usr/bin/env bash
# Resolves each example program with korvex-nr over the examples' search path
# (examples/lib) and built-in names (examples/builtins.txt), and prints the
# classifications and diagnostics of each under a header; then resolves a
# line of eval text against a modelled workspace.
#
#   scripts/demo.sh BUILD_DIR
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
tool=$(cd "$1" 2>/dev/null && pwd)/tools/korvex-nr/korvex-nr
if [ ! -x "$tool" ]; then
    echo "$0: $tool is missing; build first (make build)" >&2
    exit 2
fi
cd "$(dirname "$0")/../examples" || exit 2

# The one example that must fail, to show how errors look.
deliberate_error=broken_scope.kx

diagnostics=$(mktemp)
trap 'rm -f "$diagnostics"' EXIT

status=0
for example in *.kx; do
    echo "=== $example"
    echo "\$ korvex-nr resolve -p lib --builtins builtins.txt $example"
    echo "--- classifications (NAME#POSITION: CLASSIFICATION and introducer)"
    "$tool" resolve -p lib --builtins builtins.txt "$example" 2> "$diagnostics"
    exit_status=$?
    echo "--- diagnostics"
    if [ -s "$diagnostics" ]; then
        cat "$diagnostics"
    else
        echo "(none)"
    fi
    if [ "$example" = "$deliberate_error" ]; then
        echo "exit $exit_status (this example contains a name error on purpose)"
        [ $exit_status -eq 1 ] || status=1
    else
        echo "exit $exit_status"
        [ $exit_status -eq 0 ] || status=1
    fi
    echo
done

# Text handed to eval, against a caller whose workspace holds `samples` and
# whose file has a local function `summarise` (indexed here like a variable).
eval_text='total = sum(samples); first = summarise{1};'
echo "=== eval text"
echo "\$ korvex-nr eval -p lib --builtins builtins.txt --workspace samples --static summarise=LOCAL_FUNCTION -e '$eval_text'"
"$tool" eval -p lib --builtins builtins.txt --workspace samples \
    --static summarise=LOCAL_FUNCTION -e "$eval_text" || status=1
echo
if [ $status -ne 0 ]; then
    echo "demo: an example did not resolve as expected" >&2
fi
exit $status
