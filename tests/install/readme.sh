#!/bin/bash
# Every ```console block of the README is a transcript: `$ ` lines are
# commands (a trailing backslash continues one), the lines after them what the
# command prints, standard output and standard error together.  Each block is
# run in a fresh directory with the built clippers first on PATH, and what it
# prints must match.  Before comparing, the private temporary directory reads
# as /tmp, and random name parts as X, as the README writes them.
# Usage: readme.sh CLIPPERS_BINARY README
set -u
bin=$1 readme=$2

export TMPDIR
TMPDIR=$(mktemp -d) || exit 1
trap 'rm -rf "$TMPDIR"' EXIT
export PATH="$(dirname "$bin"):$PATH" LC_ALL=C
unset VISUAL EDITOR GIT_EDITOR NO_COLOR CLICOLOR CLICOLOR_FORCE

blocks=$TMPDIR/blocks
mkdir "$blocks"
awk -v dir="$blocks" '
  /^```console$/ { n++; inside = 1; next }
  inside && /^```$/ { inside = 0; next }
  inside { print > (dir "/" n) }' "$readme"
count=$(ls "$blocks" | wc -l)
[ "$count" -gt 0 ] || { echo "FAIL: no console blocks in $readme"; exit 1; }

# Prints the transcript of running the commands of block $1.
run_block() {
  local line command=""
  cd "$(mktemp -d)" || return
  while IFS= read -r line || [ -n "$line" ]; do
    if [ -n "$command" ]; then
      command+=$'\n'$line
    elif [[ $line == '$ '* ]]; then
      command=${line#'$ '}
    fi
    if [ -n "$command" ] && [[ $line != *\\ ]]; then
      printf '$ %s\n' "$command"
      eval "$command" </dev/null >"$TMPDIR/out" 2>&1
      cat "$TMPDIR/out"
      # A command whose output lacks a final line feed is shown as a terminal
      # would before the next prompt.
      [ -s "$TMPDIR/out" ] && [ -n "$(tail -c1 "$TMPDIR/out")" ] && echo
      command=""
    fi
  done <"$1"
}

status=0
for block in $(ls "$blocks" | sort -n); do
  (run_block "$blocks/$block") 2>&1 |
    sed -E -e "s|$TMPDIR|/tmp|g" -e 's/clippers-[A-Za-z0-9]{6}/clippers-XXXXXX/g' \
      -e 's/tmp\.[A-Za-z0-9]{10}/tmp.XXXXXXXXXX/g' >"$TMPDIR/actual"
  if ! diff -u --label "README console block $block" --label "what it printed" \
      "$blocks/$block" "$TMPDIR/actual"; then
    status=1
  fi
done
echo "$count console blocks checked"
exit $status
