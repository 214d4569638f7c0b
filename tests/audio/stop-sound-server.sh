#!/usr/bin/env bash
# Stops a sound server started by start-sound-server.sh: ends the processes recorded in
# its folder by their ids (never by name), then removes the folder.
#   tests/audio/stop-sound-server.sh [folder]      # default: $LESNOR_SOUND_SERVER_DIR
set -uo pipefail

dir="${1:-${LESNOR_SOUND_SERVER_DIR:-}}"
if [ -z "$dir" ] || [ ! -f "$dir/pids" ]; then
  echo "stop-sound-server: no server folder given" >&2
  exit 1
fi

# Last started first: the PulseAudio front end, the session manager, PipeWire, D-Bus.
mapfile -t pids < <(tac "$dir/pids")
for pid in "${pids[@]}"; do
  [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null
done
for _ in $(seq 30); do
  alive=0
  for pid in "${pids[@]}"; do
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && alive=1
  done
  [ "$alive" -eq 0 ] && break
  sleep 0.1
done
for pid in "${pids[@]}"; do
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
done
# Reap children of this shell, if any (harmless otherwise).
wait 2>/dev/null
rm -rf "$dir"
