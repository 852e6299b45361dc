#!/usr/bin/env bash
# What check shows on a terminal (run under `script`, which gives it one):
# colour unless NO_COLOR is set, the source line with a caret under the
# column, a progress line for many files; and none of it in a pipe, in CI or
# with --quiet.
#
#   terminal_output.sh TOOL
set -u
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    echo "FAILED: $*" >&2
    status=1
}
# Runs the tool on a pseudo-terminal; its output (stdout and stderr) goes to
# the file $1.
on_terminal() {
    local out=$1
    shift
    script -qec "$(printf '%q ' "$@")" /dev/null > "$out" < /dev/null
}

printf 'function r = f(x)\n    r = x;\n    persistent r\nend\n' > "$work/f.kx"
esc=$'\x1b['

on_terminal "$work/colour" env -u NO_COLOR -u CI "$tool" check --no-config "$work/f.kx"
grep -qF "${esc}1;31merror:" "$work/colour" || fail "no red 'error:' on a terminal"
grep -q '^    persistent r' "$work/colour" || fail "no source line on a terminal"
grep -qF "               ${esc}1;32m^${esc}0m" "$work/colour" || fail "no caret under column 16"

on_terminal "$work/no_colour" env NO_COLOR=1 "$tool" check --no-config "$work/f.kx"
grep -qF "$esc" "$work/no_colour" && fail "colour although NO_COLOR is set"
grep -q '^               \^' "$work/no_colour" || fail "no caret with NO_COLOR"

"$tool" check --no-config "$work/f.kx" > "$work/pipe" 2>&1
grep -qF -e "$esc" -e '^' "$work/pipe" && fail "colour or caret in a pipe"
"$tool" check --no-config --color always "$work/f.kx" > "$work/forced" 2>&1
grep -qF "${esc}1;31merror:" "$work/forced" || fail "--color always gives no colour"

# Enough files for a progress line.
mkdir "$work/many"
for index in $(seq 1 320); do
    printf 'function r = g%d(x)\n    r = x;\nend\n' "$index" > "$work/many/g$index.kx"
done
on_terminal "$work/progress" env -u CI "$tool" check --no-config "$work/many"
grep -q 'checked [0-9]*/320 files' "$work/progress" || fail "no progress line on a terminal"
on_terminal "$work/ci" env CI=true "$tool" check --no-config "$work/many"
grep -q 'checked [0-9]*/320' "$work/ci" && fail "a progress line in CI"
on_terminal "$work/quiet" env -u CI "$tool" check --quiet --no-config "$work/many"
[ -s "$work/quiet" ] && fail "--quiet printed something for a clean folder: $(cat "$work/quiet")"
exit $status
