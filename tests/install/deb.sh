#!/bin/sh
# `cpack -G DEB` makes a package whose control fields are filled in, whose
# binary runs once unpacked, and whose man page is compressed the Debian way.
# Usage: deb.sh BUILD_DIR CLIPPERS_BINARY OUTPUT_DIR (the .deb is left there)
set -eu
build=$1 bin=$2 out=$3
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$out"
mkdir -p "$out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; fail "cpack"; }
set -- "$out"/*.deb
[ $# = 1 ] && [ -f "$1" ] || fail "expected one .deb in $out, found: $*"
deb=$1

info=$(dpkg-deb -I "$deb")
printf '%s\n' "$info"
version=$("$bin" --version | sed 's/^clippers //')
for field in "Package: clippers" "Version: $version" "Section: utils" "Maintainer: .*<.*@.*>" \
    "Description: [a-z]" "Depends: .*libc6"; do
  printf '%s\n' "$info" | grep -q "^ *$field" || fail "dpkg-deb -I lacks '$field'"
done

root=$out/root
dpkg-deb -x "$deb" "$root"
[ "$("$root/usr/bin/clippers" --version)" = "$("$bin" --version)" ] || fail "unpacked --version"
gzip -t "$root/usr/share/man/man1/clippers.1.gz" || fail "man page not gzipped"
