#!/bin/bash
# Every ```console block of the README is a transcript: `$ ` lines are
# commands, the lines after them what the command prints, standard output and
# standard error together.  Each block runs in a fresh directory with the
# built clippers first on PATH, and must print what it shows.  Before
# comparing, the private temporary directory reads as /tmp, and random name
# parts as X, as the README writes them.
# Usage: readme.sh CLIPPERS_BINARY README
set -u
bin=$1 readme=$2
. "$(dirname "$0")/lib.sh"
export TMPDIR="$tmp" PATH="$(dirname "$bin"):$PATH" LC_ALL=C
unset VISUAL EDITOR GIT_EDITOR NO_COLOR CLICOLOR CLICOLOR_FORCE

awk -v dir="$TMPDIR" '/^```console$/ { n++; inside = 1; next }
  inside && /^```$/ { inside = 0; next }
  inside { print > (dir "/block" n) }' "$readme"
[ -e "$TMPDIR/block1" ] || { echo "FAIL: no console blocks in $readme"; exit 1; }
status=0
for block in "$TMPDIR"/block*; do
  (cd "$(mktemp -d)" && while IFS= read -r line; do
    case $line in '$ '*) printf '%s\n' "$line" && eval "${line#'$ '}" </dev/null 2>&1 ;; esac
  done <"$block") | sed -E -e "s|$TMPDIR|/tmp|g" -e 's/clippers-[A-Za-z0-9]{6}/clippers-XXXXXX/g' \
    -e 's/tmp\.[A-Za-z0-9]{10}/tmp.XXXXXXXXXX/g' >"$TMPDIR/actual"
  diff -u --label "README console ${block##*/}" --label "what it printed" "$block" "$TMPDIR/actual" || status=1
done
echo "$(ls "$TMPDIR"/block* | wc -l) console blocks checked"
exit $status
