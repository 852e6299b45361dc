#!/usr/bin/env bash
# check reads a file that starts with a byte-order mark, or two, as parse
# does: the marks are no characters of the program and count nothing in
# positions. check parses the bytes it read while parse takes the converted
# text, so the two could drift apart.
set -u
tool=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1
printf '\xef\xbb\xbfa = (;\n' > one.kx
printf '\xef\xbb\xbf\xef\xbb\xbfc = 1;\n' > two.kx

expected="one.kx:1:6: error: expected an expression, found ';' [KORVEX:parse:unexpectedToken]"
checked=$("$tool" check -q . 2>&1)
parsed=$("$tool" parse one.kx 2>&1 >/dev/null)
status=0
if [ "$checked" != "$expected" ]; then
    printf 'check printed:\n%s\nexpected:\n%s\n' "$checked" "$expected" >&2
    status=1
fi
if [ "$parsed" != "$expected" ]; then
    printf 'parse printed:\n%s\nexpected:\n%s\n' "$parsed" "$expected" >&2
    status=1
fi
if ! "$tool" parse two.kx > /dev/null; then
    echo "parse did not read two.kx" >&2
    status=1
fi
exit $status
