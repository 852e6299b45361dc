#!/usr/bin/env bash
# Runs one golden case and compares the tool's output with the recorded one.
#
#   run_case.sh TOOL CASE.kx [--update]
#
# The first line of CASE.kx is a comment `% korvex-nr: SUBCOMMAND ARGS...`.
# The runner changes to the case's folder, runs `TOOL SUBCOMMAND ARGS...
# CASE.kx`, and compares stdout with CASE.stdout and stderr, followed by a
# line `[exit N]`, with CASE.stderr. With --update, or with
# KORVEX_GOLDEN_UPDATE=1 in the environment, it rewrites both files instead.
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 TOOL CASE.kx [--update]" >&2
    exit 2
fi
tool=$1
case_file=$2
update=${3:-}
if [ "${KORVEX_GOLDEN_UPDATE:-0}" = 1 ]; then
    update=--update
fi

directory=$(dirname "$case_file")
name=$(basename "$case_file" .kx)
marker='% korvex-nr:'
first_line=$(head -n 1 "$case_file" | tr -d '\r')
case "$first_line" in
    "$marker"*) ;;
    *)
        echo "$case_file: the first line must be '$marker SUBCOMMAND ARGS...'" >&2
        exit 2
        ;;
esac
read -r -a arguments <<< "${first_line#"$marker"}"

cd "$directory" || exit 2
actual_stdout=$(mktemp)
actual_stderr=$(mktemp)
trap 'rm -f "$actual_stdout" "$actual_stderr"' EXIT

"$tool" "${arguments[@]}" "$name.kx" > "$actual_stdout" 2> "$actual_stderr"
echo "[exit $?]" >> "$actual_stderr"

if [ "$update" = --update ]; then
    cp "$actual_stdout" "$name.stdout"
    cp "$actual_stderr" "$name.stderr"
    echo "updated $directory/$name.stdout and $name.stderr"
    exit 0
fi

status=0
for stream in stdout stderr; do
    actual=$actual_stdout
    [ "$stream" = stderr ] && actual=$actual_stderr
    if [ ! -f "$name.$stream" ]; then
        echo "missing $directory/$name.$stream (record it with --update)" >&2
        status=1
    elif ! diff -u --label "expected $name.$stream" --label "actual $stream" \
            "$name.$stream" "$actual"; then
        status=1
    fi
done
exit $status
