# Sourced by every install test.  $tmp is a scratch directory and HOME and
# the XDG base directories are fresh ones inside it, all removed at exit: what
# a test starts (shells, editors, git, the tool) neither reads the user's
# settings nor writes into the user's home.
tmp=$(mktemp -d) || exit 1
trap 'chmod -R u+rwx "$tmp" 2>/dev/null; rm -rf "$tmp"' EXIT
export HOME="$tmp/.home" XDG_CONFIG_HOME="$tmp/.home/.config" XDG_DATA_HOME="$tmp/.home/.local/share" \
  XDG_CACHE_HOME="$tmp/.home/.cache" XDG_STATE_HOME="$tmp/.home/.local/state"
mkdir "$HOME"
fail() { echo "FAIL: $*"; exit 1; }
# quietly WHAT COMMAND...: the output goes to $tmp/WHAT.log, shown when COMMAND fails.
quietly() { local what=$1; shift; "$@" >"$tmp/$what.log" 2>&1 || { cat "$tmp/$what.log"; fail "$what"; }; }
# A check that needs what this machine lacks is skipped (status 77).
skip() { echo "SKIP: $*"; exit 77; }
needs() { for tool; do command -v "$tool" >/dev/null || skip "$tool is not installed"; done; }
