#!/bin/sh
# lintian finds no error in the package that deb.sh left in OUTPUT_DIR; skipped
# (status 77) where lintian is not installed.
# Usage: deb_lintian.sh OUTPUT_DIR
set -eu
if ! command -v lintian >/dev/null; then
  echo "SKIP: lintian is not installed, the package is not checked"
  exit 77
fi
lintian --fail-on error --tag-display-limit 0 "$1"/*.deb
