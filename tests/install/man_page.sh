#!/bin/sh
# The man page renders without a groff warning and documents every entry that
# `clippers -h` lists: each option name and its help text.
# Usage: man_page.sh CLIPPERS_BINARY MAN_PAGE
set -eu
bin=$1 page=$2

warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
if [ -n "$warnings" ]; then
  printf 'FAIL: groff warns about %s:\n%s\n' "$page" "$warnings"
  exit 1
fi

# Without hyphenation and with a very long line every paragraph is one line,
# so a help text can be found whole.
text=$(groff -man -Tascii -rHY=0 -rLL=5000n -P-cbou "$page" | tr -s ' ')

# Entries of the Arguments and Options sections: the entry, two or more
# spaces, its help text.
entries=$("$bin" -h | awk '
  /^[A-Za-z]+:$/ { listing = ($0 == "Arguments:" || $0 == "Options:"); next }
  listing && /^  / {
    sub(/^ +/, "")
    if (match($0, /  +/)) print substr($0, 1, RSTART - 1) "\t" substr($0, RSTART + RLENGTH)
  }')
[ "$(printf '%s\n' "$entries" | grep -c -- '--')" -ge 4 ] || {
  printf 'FAIL: could not find the options in clippers -h:\n%s\n' "$entries"; exit 1; }

status=0
tab=$(printf '\t')
while IFS=$tab read -r entry help; do
  for option in $(printf '%s\n' "$entry" | grep -o -- '--*[A-Za-z][A-Za-z-]*'); do
    printf '%s\n' "$text" | grep -q -e "$option" ||
      { echo "FAIL: the man page does not mention $option"; status=1; }
  done
  help=$(printf '%s\n' "$help" | tr -s ' ')
  printf '%s\n' "$text" | grep -qF -e "$help" ||
    { echo "FAIL: the man page lacks the help text of $entry: $help"; status=1; }
done <<END
$entries
END
exit $status
