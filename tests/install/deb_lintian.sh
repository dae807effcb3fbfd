#!/bin/sh
# lintian, pedantic and informational tags included, finds nothing to say
# about the package that deb.sh left in OUTPUT_DIR; skipped (status 77) where
# lintian is not installed.
# Usage: deb_lintian.sh OUTPUT_DIR
set -eu
. "$(dirname "$0")/lib.sh"
needs lintian
deb=$(echo "$1"/*.deb)
# Built where nobody set DEBFULLNAME and DEBEMAIL, the package names the
# builder's login at this host, which lintian rightly calls no address; that
# says who built it, not what was built, so it is noted and left out.
suppress=
login=$(id -un)
maintainer=$(dpkg-deb -f "$deb" Maintainer)
case $maintainer in
  "$login <$login@"*)
    echo "NOTE: maintainer '$maintainer' is the login and host name; its address is not checked"
    suppress=--suppress-tags=bogus-mail-host,bogus-mail-host-in-debian-changelog,root-in-contact ;;
esac
# lintian warns on standard error that it runs as root, which CI does.
report=$(lintian --display-info --pedantic --fail-on none --tag-display-limit 0 $suppress "$deb") || fail "lintian did not run"
printf '%s\n' "$report"
# Whether the optimiser packs message texts the way lintian misreads as
# misspellings depends on the compiler and its library (packaging/lintian-overrides):
# that override may go unused.  Any other tag fails.
! printf '%s\n' "$report" | grep -E '^[EWIPX]: ' | grep -v ': unused-override spelling-error-in-binary ' ||
  fail "lintian has something to say about the package"
