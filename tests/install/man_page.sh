#!/bin/bash
# The man page renders without a groff warning, its footer names the version
# the binary reports, and it documents every entry that `clippers -h` lists:
# each option name and its help text.
# Usage: man_page.sh CLIPPERS_BINARY MAN_PAGE
set -u
bin=$1 page=$2
. "$(dirname "$0")/lib.sh"

warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
[ -z "$warnings" ] || { printf 'FAIL: groff warns about %s:\n%s\n' "$page" "$warnings"; exit 1; }
footer=$(groff -man -Tascii -P-cbou "$page" | grep . | tail -n 1)
[[ $footer == "$("$bin" --version)"" "* ]] || { echo "FAIL: the man page's footer '$footer' does not begin with the version"; exit 1; }
# Without hyphenation and with a very long line every paragraph is one line,
# so a help text can be found whole.
text=$(groff -man -Tascii -rHY=0 -rLL=5000n -P-cbou "$page" | tr -s ' ')

# An entry of -h is an option or argument, two or more spaces, its help text.
status=0 count=0
while IFS=$'\t' read -r entry help; do
  count=$((count + 1))
  for option in $(grep -o -- '--*[A-Za-z][A-Za-z-]*' <<<"$entry"); do
    grep -q -e "$option" <<<"$text" || { echo "FAIL: the man page does not mention $option"; status=1; }
  done
  grep -qF -e "$(tr -s ' ' <<<"$help")" <<<"$text" || { echo "FAIL: the man page lacks the help text of $entry: $help"; status=1; }
done < <("$bin" -h | sed -n -E 's/^ +((-|\[)([^ ]| [^ ])*) {2,}(.*)/\1\t\4/p')
[ "$count" -ge 5 ] || { echo "FAIL: found only $count entries in clippers -h"; exit 1; }
exit $status
