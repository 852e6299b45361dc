#!/usr/bin/env bash
# Installs the build into a fresh prefix, builds the README's example
# ("Using the library from C++") out of tree against the installed CMake
# package, links it again with the flags of the pkg-config file, and runs
# both on a file.
#
#   consumer_test.sh BUILD_DIR [EXTRA_CXX_FLAGS]
set -eu
build_dir=$1
extra_flags=${2:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build_dir" --prefix "$prefix" > "$work/install.log"
for installed in bin/korvex-nr lib/libkorvex_nr.so lib/cmake/KorvexNR/KorvexNRConfig.cmake \
                 lib/pkgconfig/korvex-nr.pc include/korvex/front_end/name_resolution/include/INameResolver.hpp; do
    [ -e "$prefix/$installed" ] || { echo "not installed: $installed" >&2; exit 1; }
done

mkdir "$work/src"
cp "$root/tests/install/consumer/CMakeLists.txt" "$work/src/"
# The first C++ block after the README's heading.
awk '/^## Using the library from C\+\+/ { section = 1 }
     section && /^```cpp$/ { code = 1; next }
     code && /^```$/ { exit }
     code { print }' "$root/README.md" > "$work/src/classify.cpp"
[ -s "$work/src/classify.cpp" ] || { echo "no C++ example in README.md" >&2; exit 1; }

cmake -S "$work/src" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_CXX_FLAGS="$extra_flags" -DCMAKE_EXE_LINKER_FLAGS="$extra_flags" > "$work/configure.log"
cmake --build "$work/build" > "$work/build.log" || { cat "$work/build.log" >&2; exit 1; }

cat > "$work/area.kx" <<'KX'
function a = area(r)
    a = helper(r) + sqrt(r);
end
function h = helper(r)
    h = zeros(r);
end
KX
# sqrt and zeros are EXTERNAL: the example's Workspace provides them.
expected='area#14: UNKNOWN No introduction node
r#19: VARIABLE Introduced#19
a#10: VARIABLE Introduced#10
a#26: VARIABLE Introduced#10
helper#30: LOCAL_FUNCTION Introduced#68
r#37: VARIABLE Introduced#19
sqrt#42: EXTERNAL Introduced#42
r#47: VARIABLE Introduced#19
helper#68: LOCAL_FUNCTION Introduced#68
r#75: VARIABLE Introduced#75
h#64: VARIABLE Introduced#64
h#82: VARIABLE Introduced#64
zeros#86: EXTERNAL Introduced#86
r#92: VARIABLE Introduced#75'
status=0
actual=$("$work/build/classify" "$work/area.kx")
if [ "$actual" != "$expected" ]; then
    echo "the CMake-built example printed:" >&2
    echo "$actual" >&2
    status=1
fi

# The same object linked with the pkg-config file's flags.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
object=$(find "$work/build" -name 'classify.cpp.o')
# shellcheck disable=SC2046,SC2086
g++ $extra_flags "$object" -o "$work/classify-pc" $(pkg-config --libs korvex-nr)
if [ "$("$work/classify-pc" "$work/area.kx")" != "$expected" ]; then
    echo "the example linked with pkg-config's flags printed something else" >&2
    status=1
fi
pkg-config --cflags korvex-nr | grep -q -- "-I$prefix/lib/pkgconfig/../../include/korvex" ||
    { echo "pkg-config --cflags: $(pkg-config --cflags korvex-nr)" >&2; status=1; }
exit $status
