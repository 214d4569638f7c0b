#!/usr/bin/env bash
# Runs a command with a private headless sound server started for it, then stops the
# server. Exit status 77 (CTest's "skipped") when no server can be started here; under
# CI (CI set), where tools/setup-debian.sh installs the server, that is a failure.
#   tests/audio/run-with-sound-server.sh <command> [args...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if ! server_env=$("$here/start-sound-server.sh"); then
  echo "run-with-sound-server: no sound server could be started; skipped"
  [ -n "${CI:-}" ] && exit 1
  exit 77
fi
eval "$server_env"
trap '"$here/stop-sound-server.sh" "$LESNOR_SOUND_SERVER_DIR"' EXIT
"$@"
