#!/bin/sh
# Installs a build into a temporary prefix and checks what a user of the
# installed files gets: the library (SONAME, link name, its six exports),
# mifread and its manual page, and two programs built outside the tree from
# the installed files alone, one through find_package and one through
# pkg-config and cc, that each read the sample and look for its text.
#
#   check_install.sh BUILD_DIR VERSION LIBDIR MANDIR SAMPLE
set -eu
build=$1 version=$2 libdir=$3 mandir=$4 sample=$5
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/mif-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
work=$(cd "$work" && pwd -P)
prefix=$work/prefix
fail() { echo "check_install: $*" >&2; exit 1; }
# Text of the sample as any host sees it, a variable expanded in the second.
read_sample() { "$@" "$sample" "A Sample Document" "Printed for The Corner Shop." >"$work/out" || fail "$* failed"; }

cmake --install "$build" --prefix "$prefix" >/dev/null

# ---- The library
lib=$prefix/$libdir/libmifreader.so
if ! [ -L "$lib" ] || ! [ -L "$lib.1" ] || ! [ -f "$lib.$version" ]; then
    fail "expected $lib -> $lib.1 -> $lib.$version"
fi
soname=$(objdump -p "$lib.$version" | awk '$1 == "SONAME" { print $2 }')
[ "$soname" = "libmifreader.so.${version%%.*}" ] || fail "SONAME is '$soname'"
exports=$(nm -D --defined-only "$lib" | awk '{ print $NF }' | sort | tr '\n' ' ')
[ "$exports" = "mifAllocateContext mifCharSet mifFillBuffer mifFreeContext mifGetReaderInterface mifInitDoc " ] ||
    fail "the library exports: $exports"

# ---- mifread: the version, the library it loads, the manual page
mifread=$prefix/bin/mifread
[ "$("$mifread" --version)" = "mifread $version" ] || fail "mifread --version says '$("$mifread" --version)'"
LD_DEBUG=files "$mifread" "$sample" >"$work/out" 2>"$work/ld"
grep -q "A Sample Document" "$work/out" || fail "installed mifread did not print the sample's text"
grep -qF "file=$lib.1 " "$work/ld" || fail "installed mifread did not load $lib.1: $(grep -o 'file=[^ ]*mifreader[^ ]*' "$work/ld")"

page=$prefix/$mandir/man1/mifread.1
grep -q "^\.TH MIFREAD 1 .*mifreader $version" "$page" || fail "$page does not name version $version"
for opt in $("$mifread" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -qF -- "$(printf '%s' "$opt" | sed 's/-/\\-/g')" "$page" || fail "mifread --help has $opt, the manual page does not"
done
if command -v groff >/dev/null 2>&1; then
    warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
fi

# ---- A CMake project: find_package(mifreader CONFIG), mifreader::mifreader
mkdir "$work/cmake"
cp "$here/consumer.c" "$here/cmake_consumer/CMakeLists.txt" "$work/cmake/"
cmake -S "$work/cmake" -B "$work/cmake/build" -DCMAKE_PREFIX_PATH="$prefix" >"$work/log" 2>&1 ||
    fail "configuring the CMake consumer failed: $(cat "$work/log")"
grep -q "^mifreader_DIR:PATH=$prefix/" "$work/cmake/build/CMakeCache.txt" || fail "find_package found another mifreader"
cmake --build "$work/cmake/build" >"$work/log" 2>&1 || fail "building the CMake consumer failed: $(cat "$work/log")"
read_sample "$work/cmake/build/mif_consumer"

# ---- A plain C program: pkg-config and cc
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
[ "$(pkg-config --modversion mifreader)" = "$version" ] || fail "pkg-config --modversion mifreader is not $version"
mkdir "$work/pc"
cp "$here/consumer.c" "$work/pc/"
# shellcheck disable=SC2046
cc -std=c11 -Wall -Wextra -Werror -pedantic -o "$work/pc/consumer" "$work/pc/consumer.c" \
    $(pkg-config --cflags --libs mifreader) -Wl,-rpath,"$(pkg-config --variable=libdir mifreader)" ||
    fail "building the pkg-config consumer failed"
read_sample "$work/pc/consumer"
for program in "$work/cmake/build/mif_consumer" "$work/pc/consumer"; do
    ldd "$program" | grep -qF "$lib.1" || fail "$program does not load $lib.1"
done
echo "check_install: library, mifread, manual page and both consumers work from $prefix"
