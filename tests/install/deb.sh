#!/bin/sh
# `cpack -G DEB` makes a package whose control fields are filled in, whose
# binary runs once unpacked, and whose man page is compressed the Debian way
# and names the build's fallback editor.
# Its maintainer is whoever configured the build.
# Usage: deb.sh BUILD_DIR CLIPPERS_BINARY OUTPUT_DIR SOURCE_DIR (the .deb is left in OUTPUT_DIR)
set -eu
build=$1 bin=$2 out=$3 src=$4
. "$(dirname "$0")/lib.sh"
rm -rf "$out"
mkdir -p "$out/configure"

# ENVIRONMENT|CACHE SETTING|MAINTAINER: configured in that environment, the
# package and its changelog name that maintainer, and the configure says so.
login=$(id -un)
echo 'cmake_host_system_information(RESULT host QUERY FQDN)
message("${host}")' >"$out/host.cmake"
host=$(cmake -P "$out/host.cmake" 2>&1)
while IFS='|' read -r environment setting want; do
  quietly configure env -u DEBFULLNAME -u DEBEMAIL $environment cmake -S "$src" -B "$out/configure" -DCLIPPERS_TESTS=OFF \
    -U CLIPPERS_DEB_MAINTAINER ${setting:+"$setting"}
  grep -qxF "set(CPACK_DEBIAN_PACKAGE_MAINTAINER \"$want\")" "$out/configure/CPackConfig.cmake" &&
    tail -n 1 "$out/configure/deb/changelog.Debian" | grep -qF -- " -- $want  " ||
    fail "configured with '$environment' '$setting', the maintainer is not '$want'"
  case $want in "$login <"*) from="the login and host name, since DEBFULLNAME or DEBEMAIL is unset" ;;
    cache*) from=CLIPPERS_DEB_MAINTAINER ;; *) from="DEBFULLNAME and DEBEMAIL" ;; esac
  grep -qF "Debian package maintainer: $want (from $from)" "$tmp/configure.log" ||
    { cat "$tmp/configure.log"; fail "the configure does not say '$want' from $from"; }
done <<ROWS
DEBFULLNAME=clippers-test DEBEMAIL=clippers-test@localhost||clippers-test <clippers-test@localhost>
DEBEMAIL=clippers-test<clippers-test@localhost>||clippers-test <clippers-test@localhost>
DEBFULLNAME=tester DEBEMAIL=clippers-test<clippers-test@localhost>||tester <clippers-test@localhost>
DEBEMAIL=clippers-test@localhost||$login <clippers-test@localhost>
||$login <$login@$host>
DEBFULLNAME=clippers-test DEBEMAIL=clippers-test@localhost|-DCLIPPERS_DEB_MAINTAINER=cache <cache@localhost>|cache <cache@localhost>
ROWS
rm -rf "$out/configure" "$out/host.cmake"

quietly cpack cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out"
set -- "$out"/*.deb
[ $# = 1 ] && [ -f "$1" ] || fail "expected one .deb in $out, found: $*"
deb=$1

info=$(dpkg-deb -I "$deb")
printf '%s\n' "$info"
version=$("$bin" --version | sed 's/^clippers //')
for field in "Package: clippers" "Version: $version-1$" "Section: utils" "Maintainer: .*<.*@.*>" \
    "Description: [a-z]" "Depends: .*libc6"; do
  printf '%s\n' "$info" | grep -q "^ *$field" || fail "dpkg-deb -I lacks '$field'"
done

root=$out/root
dpkg-deb -x "$deb" "$root"
[ "$("$root/usr/bin/clippers" --version)" = "$("$bin" --version)" ] || fail "unpacked --version"
# What Debian policy asks for in /usr/share/doc, and the built man page.
doc=$root/usr/share/doc/clippers
zcat "$doc/README.md.gz" | cmp -s - "$src/README.md" || fail "$doc/README.md.gz is not the README"
zcat "$doc/changelog.Debian.gz" | head -n 1 | grep -qF "clippers ($version-1) " || fail "changelog.Debian.gz"
grep -qx 'License: Expat' "$doc/copyright" || fail "the copyright names no licence"
zcat "$root/usr/share/man/man1/clippers.1.gz" | grep -q '^\.TH CLIPPERS 1 .* "clippers '"$version"'"' ||
  fail "the man page is not the built one"
fallback=$(sed -n 's/^CLIPPERS_FALLBACK_EDITOR:[A-Z]*=//p' "$build/CMakeCache.txt")
zcat "$root/usr/share/man/man1/clippers.1.gz" | grep -A1 -xF ".BR $fallback ," | grep -q 'fallback editor this build' ||
  fail "the man page does not name the fallback editor $fallback"
