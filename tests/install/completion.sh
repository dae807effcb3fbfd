#!/bin/bash
# Shell completions: bash's is driven through its completion function; zsh's
# and fish's are syntax-checked by their shells, skipped (status 77) where the
# shell is not installed.
# Usage: completion.sh bash|zsh|fish COMPLETIONS_DIR
set -u
shell=$1 dir=$2

if [ "$shell" != bash ]; then
  command -v "$shell" >/dev/null || { echo "SKIP: $shell is not installed, its completion is not checked"; exit 77; }
  if [ "$shell" = zsh ]; then zsh -n "$dir/_clippers"; else fish --no-execute "$dir/clippers.fish"; fi
  exit
fi

tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT && cd "$tmp" || exit 1
touch notes.md -- -notes && mkdir drafts
. "$dir/clippers.bash" || exit 1
export LC_ALL=C
status=0

# check EXPECTED WORD...: completing the last word of `clippers WORD...`
# offers exactly EXPECTED (sorted, space-separated).
check() {
  local want=$1 got
  shift
  COMP_WORDS=(clippers "$@") COMP_CWORD=$#
  _clippers
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' ')
  [ "$got" = "$want" ] || { echo "FAIL: clippers $*<TAB> offers '$got', want '$want'"; status=1; }
}

check '--context' --co
check '--context --help --version --yes' --yes --
check '-notes drafts notes.md' --yes ''
check 'notes.md' --context x no
check '' --context ''
check '' --context = ''
check '-notes' -- -

# Registered for clippers, and without nospace, so that readline puts a space
# after a single candidate (`--co` becomes `--context `).
registered=$(complete -p clippers 2>&1)
[[ $registered == *"-F _clippers"* && $registered != *nospace* ]] || { echo "FAIL: complete -p clippers: $registered"; status=1; }
exit $status
