#!/bin/sh
# Runs COMMAND with HOME and the XDG base directories in a fresh directory of
# its own, removed afterwards: what the test starts (shells, editors, git, the
# tool) neither reads the user's settings nor writes into the user's home.
# Usage: private_home.sh COMMAND [ARGUMENT...]
home=$(mktemp -d) || exit 1
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
  XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state"
"$@"
status=$?
rm -rf "$home"
exit $status
