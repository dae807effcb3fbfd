#!/bin/sh
# On a machine without GoogleTest the tool still configures, builds, installs
# and uninstalls (tests left out), while asking for the tests fails with a
# reason.
# GoogleTest is hidden with CMAKE_DISABLE_FIND_PACKAGE_GTest.
# Usage: install_without_gtest.sh SOURCE_DIR GENERATOR CXX_COMPILER
set -eu
src=$1 generator=$2 cxx=$3
. "$(dirname "$0")/lib.sh"
configure() { cmake -S "$src" -G "$generator" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON "$@"; }

if configure -B "$tmp/on" -DCLIPPERS_TESTS=ON >"$tmp/on.log" 2>&1; then
  fail "CLIPPERS_TESTS=ON configured without GoogleTest"
fi
grep -q 'GoogleTest was not found' "$tmp/on.log" || { cat "$tmp/on.log"; fail "no reason given"; }

# No build type: an unoptimised build of the one target is the cheapest.
quietly configure configure -B "$tmp/build"
[ ! -e "$tmp/build/CTestTestfile.cmake" ] || fail "tests were configured without GoogleTest"
quietly build cmake --build "$tmp/build" --target clippers -j2

# The README's install and uninstall, into a new prefix and into one that has
# files of its own, with the package built in between (which once rewrote the
# install manifest with /usr paths): the uninstall leaves each prefix as it was.
mkdir -p "$tmp/shared/bin" "$tmp/shared/share/man/man1"
touch "$tmp/shared/bin/other"
for prefix in "$tmp/prefix" "$tmp/shared"; do
  before=$(find "$prefix" 2>/dev/null | sort)
  cmake --install "$tmp/build" --prefix "$prefix" >/dev/null
  for file in bin/clippers share/man/man1/clippers.1 share/bash-completion/completions/clippers \
      share/zsh/site-functions/_clippers share/fish/vendor_completions.d/clippers.fish; do
    [ -f "$prefix/$file" ] || fail "cmake --install did not install $file"
  done
  "$prefix/bin/clippers" --version
  quietly cpack cpack -G DEB --config "$tmp/build/CPackConfig.cmake" -B "$tmp/deb"
  quietly uninstall cmake -P "$tmp/build/uninstall.cmake"
  after=$(find "$prefix" 2>/dev/null | sort)
  [ "$after" = "$before" ] || { cat "$tmp/uninstall.log"; fail "the uninstall changed $prefix: before:
$before
after:
$after"; }
done
