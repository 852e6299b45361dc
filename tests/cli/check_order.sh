#!/usr/bin/env bash
# check hands files to its threads as the folder walk finds them, so the
# walk itself must meet them in the byte order of their paths, the order the
# diagnostics are printed in: a name followed by '/' below a folder sorts
# after `a.kx` and `a-b.kx` but before `a0.kx`. Every file here has a syntax
# error, so each is printed once, in that order, for any number of threads.
set -u
tool=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1
for name in a.kx a/b.kx a-b.kx a0.kx A.kx "a b.kx" é.kx a.kx.d/c.kx ab/c.kx +p/f.kx @C/C.kx \
        private/p.kx z/y/x.kx a/a.kx/q.kx; do
    mkdir -p "tree/$(dirname "$name")"
    printf 'x = (\n' > "tree/$name"
done
ln -s a.kx tree/link.kx

expected=$(cd tree && find . -name '*.kx' ! -type d | sed 's#^\./#tree/#' | LC_ALL=C sort)
status=0
for jobs in 1 3; do
    printed=$("$tool" check -q --no-config -j "$jobs" tree 2>&1 | cut -d: -f1)
    if [ "$printed" != "$expected" ]; then
        printf 'with -j %s, check printed the files in this order:\n%s\nexpected:\n%s\n' \
            "$jobs" "$printed" "$expected" >&2
        status=1
    fi
done
exit $status
