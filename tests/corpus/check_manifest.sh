#!/usr/bin/env bash
# Checks the corpus with korvex-nr (with no options but -j: korvex.toml
# holds the settings) and compares the errors it reports with
# the MANIFEST beside this script.
#
#   check_manifest.sh TOOL
#
# Fails when an error is missing or unexpected, when any warning or internal
# error is reported, when the exit status is not 1, or when the diagnostics
# differ between one thread and several (their order must not depend on the
# threads).
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 TOOL" >&2
    exit 2
fi
tool=$1
cd "$(dirname "$0")" || exit 2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_check() {
    "$tool" check -j "$1" . \
        > "$work/summary.$1" 2> "$work/diagnostics.$1"
    echo $? > "$work/status.$1"
}
run_check 1
run_check 4

status=0
if ! diff -u --label "diagnostics with -j 1" --label "diagnostics with -j 4" \
        "$work/diagnostics.1" "$work/diagnostics.4"; then
    status=1
fi
if [ "$(cat "$work/status.4")" != 1 ]; then
    echo "exit status $(cat "$work/status.4"), expected 1 (errors found)" >&2
    status=1
fi
if grep -v ': error: ' "$work/diagnostics.4" >&2; then
    echo "the lines above are not errors (warnings or internal errors)" >&2
    status=1
fi

grep -v '^#' MANIFEST | sed '/^[[:space:]]*$/d' | sort > "$work/expected"
sed -nE 's/^(.*):([0-9]+):([0-9]+): error: .* \[([^]]+)\]$/\1 \2:\3 \4/p' \
    "$work/diagnostics.4" | sed 's#^\./##' | sort > "$work/actual"
if ! diff -u --label "MANIFEST" --label "reported errors" "$work/expected" "$work/actual"; then
    status=1
fi
cat "$work/summary.4"
exit $status
