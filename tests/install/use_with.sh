#!/bin/bash
# The README's "Use with" recipes, run for real with the programs they name,
# a scripted editor standing in for the person.  The system files they edit
# (crontabs, /etc/passwd) are copies in a mount namespace of the test's own,
# so those recipes need root; a recipe whose program or rights are missing is
# skipped (status 77).
# Usage: use_with.sh crontab|sudoedit|vipw|gui CLIPPERS_BINARY
set -u
recipe=$1 bin=$2
export LC_ALL=C PATH="$(dirname "$bin"):$PATH"
unset VISUAL EDITOR CLIPPERS_EDITOR SUDO_EDITOR
. "$(dirname "$0")/lib.sh"
fail() { echo "FAIL: $recipe: $*"; status=1; }
needs_root() { [ "$(id -u)" = 0 ] || skip "the $recipe recipe needs root: $1"; }
needs_namespace() { unshare -m true 2>/dev/null || skip "no mount namespace can be made here"; }
cd "$tmp" && chmod 755 "$tmp" || exit 1
# Drafts a run keeps stay with the test.
export TMPDIR=$tmp
status=0

# editor NAME SCRIPT: an editor at $tmp/NAME that runs the sh SCRIPT with "$1"
# the file it is given.  Programs that tell an edit by the file's time stamp
# in seconds (crontab, vipw) see none within the second they copied the file
# in, so the editors that change something wait for the next one.
editor() { printf '#!/bin/sh\nfor f; do :; done; set -- "$f"\n%s\n' "$2" >"$tmp/$1" && chmod 755 "$tmp/$1"; }
editor add-job 'sleep 1; sed -i "1i 0 3 * * * true" "$1"'
editor empty ': >"$1"'

# in_private_mounts DIR_ON_TOP:DIR... -- COMMAND: COMMAND in a mount namespace
# where each DIR shows the other's contents, so nothing outside changes.
in_private_mounts() {
  local binds=()
  while [ "$1" != -- ]; do binds+=("$1"); shift; done
  shift
  unshare -m bash -c 'for b in "${@:2:$1}"; do mount --bind "${b%%:*}" "${b#*:}" || exit 99; done; shift $(($1 + 1)); "$@"' \
    bash "${#binds[@]}" "${binds[@]}" "$@"
}

case $recipe in
crontab)
  # VISUAL=clippers CLIPPERS_EDITOR=... crontab -e: an approved edit is
  # installed; an aborted one leaves the crontab as it was.
  needs_root "it edits the crontab spool (a copy, in a mount namespace of its own)" && needs crontab unshare && needs_namespace
  mkdir spool && chmod 1730 spool
  run() { VISUAL=clippers CLIPPERS_EDITOR="$tmp/$1" crontab -e >"$tmp/out" 2>&1; echo "status $? $(crontab -l 2>&1 | grep -v '^#' | paste -sd '|')"; }
  export -f run
  got=$(in_private_mounts "$tmp/spool:/var/spool/cron/crontabs" -- bash -c 'export tmp=$1; run add-job; run empty' bash "$tmp")
  want="status 0 0 3 * * * true
status 1 0 3 * * * true"
  [ "$got" = "$want" ] || fail "got:
$got
want:
$want
$(cat "$tmp/out")" ;;
sudoedit)
  # SUDO_EDITOR with clippers' full path: the edit is approved through it.
  # With the bare name sudo does not find it (it does not search the
  # caller's PATH) and opens VISUAL without clippers, as the README warns.
  needs_root "sudo would ask an ordinary user for a password" && needs sudo sudoedit
  editor change 'sed -i s/old/new/ "$1"'
  for editor_setting in "$(command -v clippers)" clippers; do
    printf 'old\n' >file
    SUDO_EDITOR=$editor_setting VISUAL=$tmp/change sudoedit -n "$tmp/file" >out 2>&1
    echo "$editor_setting: status $? $(cat file) $(grep -c '^clippers: editing' out)"
  done >got
  printf '%s\n' "$(command -v clippers): status 0 new 1" "clippers: status 0 new 0" >want
  diff -u want got || { cat out; fail "SUDO_EDITOR"; } ;;
vipw)
  # VISUAL=clippers CLIPPERS_EDITOR=... vipw: the approved edit lands in
  # /etc/passwd (here a copy of /etc), its mode kept.
  needs_root "it edits /etc/passwd (a copy, in a mount namespace of its own)" && needs vipw unshare && needs_namespace
  editor rename-nobody 'sleep 1; sed -i "s/^nobody:x:65534:65534:[^:]*:/nobody:x:65534:65534:clippers:/" "$1"'
  mkdir etc && cp -a /etc/. etc/
  in_private_mounts "$tmp/etc:/etc" -- env VISUAL=clippers CLIPPERS_EDITOR="$tmp/rename-nobody" vipw >out 2>&1 ||
    { cat out; fail "vipw"; }
  grep -q '^nobody:x:65534:65534:clippers:' etc/passwd || { cat out; fail "/etc/passwd was not changed"; }
  [ "$(stat -c %a:%U etc/passwd)" = "$(stat -c %a:%U /etc/passwd)" ] || fail "/etc/passwd's mode or owner changed" ;;
gui)
  # A GUI editor on an X display, with its wait flag, approves the edit.
  # (Without the flag clippers refuses it before it starts: the end-to-end
  # launcher rows.)
  needs xvfb-run gvim
  got=$(printf 'Draft\n' | VISUAL='gvim -f -c %s/Draft/Final/ -c wq' xvfb-run -a clippers 2>err; echo "status $?")
  [ "$got" = "Final
status 0" ] || { cat err; fail "got: $got"; } ;;
*) echo "usage: use_with.sh crontab|sudoedit|vipw|gui CLIPPERS_BINARY"; exit 2 ;;
esac
exit $status
