#!/bin/bash
# Shell completions, driven through each shell's own completion machinery:
# bash's function as readline would call it, zsh's completion system in an
# interactive zsh on a pseudo-terminal (zpty, compinit), fish's `complete -C`.
# zsh and fish are skipped (status 77) where the shell is not installed.
# Usage: completion.sh bash|zsh|fish COMPLETIONS_DIR
set -u
shell=$1 dir=$2
. "$(dirname "$0")/lib.sh"
needs "$shell"

# OFFERED|LINE: completing the last word of `clippers LINE` offers exactly
# OFFERED (sorted; a directory's / and an option's = left out).  Options may
# be given once, so they are not offered again; FILE completes to files, also
# after `--`; --context, --timeout and --suffix take a value of free text,
# --check a command.
rows='--context|--co
--check --context --help --json --require-save --suffix --timeout --version --yes|--
--check --context --help --json --require-save --suffix --timeout --version|--yes --
--check --help --json --require-save --suffix --timeout --version --yes|--context x --
--check --help --require-save --suffix --timeout --version|--yes --json --context=x --
--context --help --json --version --yes|--timeout=1h --require-save --suffix .md --check lint --
-notes drafts notes.md|--yes 
notes.md|--context x no
|--context 
|--context=
|--yes --context 
|--timeout 
|--suffix=
clippers-check-tool|--check clippers-check-
-notes|-- -'

cd "$tmp" && mkdir work drafts-offered && cd work && touch notes.md -- -notes && mkdir drafts || exit 1
# A command of its own on PATH, for --check's value.
mkdir "$tmp/bin" && printf '#!/bin/sh\n' >"$tmp/bin/clippers-check-tool" && chmod +x "$tmp/bin/clippers-check-tool" || exit 1
export PATH="$tmp/bin:$PATH"
export LC_ALL=C
tidy() { sed -e 's|/$||' -e 's|=$||' | sort -u | paste -sd ' '; }

# offered LINE...: one line per LINE, what the shell offers.
case $shell in
bash)
  . "$dir/clippers.bash" || exit 1
  # Registered for clippers, and without nospace, so that readline puts a
  # space after a single candidate (`--co` becomes `--context `).
  registered=$(complete -p clippers 2>&1)
  [[ $registered == *"-F _clippers"* && $registered != *nospace* ]] || { echo "FAIL: complete -p clippers: $registered"; exit 1; }
  offered() {
    local line
    for line; do
      # Words as readline splits them: at blanks, and around `=`.
      read -ra COMP_WORDS <<<"clippers ${line//=/ = }"
      [[ $line == *[\ =] ]] && COMP_WORDS+=('')
      COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
      COMPREPLY=()
      _clippers
      printf '%s\n' "${COMPREPLY[@]}" | tidy
    done
  } ;;
zsh)
  # Each completion's matches go to a file of its own, written by a compadd
  # that records what it is given instead of adding it (_arguments' own
  # queries, with -O, -A or -D, pass through).  Ctrl-T completes, clears the
  # line and prints a mark: zsh cuts a completion short when more input is
  # waiting, so each line is sent once the mark of the one before is seen.
  offered() {
    timeout 60 zsh -f /dev/stdin "$dir" "$tmp/drafts-offered" "$@" <<'EOF'
zmodload zsh/zpty || exit 1
dir=$1 out=$2; shift 2
zpty clippers zsh -f -i
zpty -w clippers "PS1='' RPS1=''; fpath=($dir \$fpath); autoload -Uz compinit; compinit -u -D"
zpty -w clippers 'compadd() {
  if [[ ${@[1,(i)(-|--)]} == *-(O|A|D)\ * ]]; then builtin compadd "$@"; return; fi
  local -a hits; builtin compadd -A hits "$@"
  (( $#hits )) && print -rl -- $hits >>$clippers_matches
}
clippers-complete() { zle complete-word; BUFFER=; print -rn -- "<done:${clippers_matches:t}>"; }
zle -N clippers-complete; bindkey "^T" clippers-complete'
n=0
for line; do
  n=$((n + 1))
  zpty -w clippers "clippers_matches=$out/$n; : >\$clippers_matches"
  zpty -w -n clippers "clippers $line"$'\x14'
  zpty -r clippers seen "*<done:$n>*" || exit 1
done
zpty -d clippers
EOF
    local n
    for ((n = 1; n <= $#; n++)); do tidy <"$tmp/drafts-offered/$n"; done
  } ;;
fish)
  offered() {
    local line
    for line; do
      fish --no-config -c 'source $argv[1]; complete -C "clippers $argv[2]"' "$dir/clippers.fish" "$line" | cut -f1 | tidy
    done
  } ;;
*) echo "usage: completion.sh bash|zsh|fish COMPLETIONS_DIR"; exit 2 ;;
esac

mapfile -t lines < <(cut -d'|' -f2 <<<"$rows")
mapfile -t wants < <(cut -d'|' -f1 <<<"$rows")
mapfile -t gots < <(offered "${lines[@]}")
status=0
for i in "${!lines[@]}"; do
  [ "${gots[i]-}" = "${wants[i]}" ] ||
    { echo "FAIL: $shell: clippers ${lines[i]}<TAB> offers '${gots[i]-}', want '${wants[i]}'"; status=1; }
done
echo "$shell: ${#lines[@]} completions checked"
exit $status
