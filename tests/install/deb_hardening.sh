#!/bin/sh
# The packaged binary is hardened as Debian's own are: hardening-check
# (package devscripts) finds no "no" but two.  Fortify: the tool has no call
# it could check (CMakeLists.txt).  Control flow integrity: the linker marks a
# program only when every object in it is marked, and where the C library's
# start files are not (Debian 12), no program is; there, every object of the
# tool's own must be.  Skipped (status 77) where hardening-check is not
# installed.
# Usage: deb_hardening.sh OUTPUT_DIR BUILD_DIR CXX_COMPILER (OUTPUT_DIR holds the .deb of deb.sh)
set -eu
out=$1 build=$2 cxx=$3
. "$(dirname "$0")/lib.sh"
needs hardening-check
dpkg-deb -x "$(echo "$out"/*.deb)" "$tmp"

report=$(hardening-check "$tmp/usr/bin/clippers") || true
printf '%s\n' "$report"
allowed='Fortify Source functions'
marked() { readelf -n "$@" | grep -c 'x86 feature: IBT, SHSTK' || true; }
if [ "$(uname -m)" != x86_64 ]; then
  allowed="$allowed|Control flow integrity"
elif [ "$(marked "$("$cxx" -print-file-name=Scrt1.o)")" = 0 ]; then
  allowed="$allowed|Control flow integrity"
  objects=$(($(for lib in "$build"/libclippers_*.a; do ar t "$lib"; done | wc -l) + 1))
  [ "$(marked "$build/CMakeFiles/clippers.dir/src/main/main.cc.o" "$build"/libclippers_*.a)" = "$objects" ] ||
    fail "not every object of the tool is built with control flow protection"
fi
! printf '%s\n' "$report" | grep -E '^ [^:]+: no(,|$)' | grep -vE "^ ($allowed):" || fail "hardening-check says no"
# Where no function needs a probe, hardening-check cannot see stack clash protection.
grep -q -- -fstack-clash-protection "$build/compile_commands.json" || fail "built without -fstack-clash-protection"
