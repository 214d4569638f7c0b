#!/usr/bin/env bash
# Starts a private, headless sound server (PipeWire with its PulseAudio front end) for
# tests and benchmarks, isolated from any other server on the machine.
#
#   eval "$(tests/audio/start-sound-server.sh)"     # exports the variables below
#   ... play into "nullsink", record "nullsink.monitor", speak into "micsink" ...
#   tests/audio/stop-sound-server.sh                 # uses LESNOR_SOUND_SERVER_DIR
#   tests/audio/start-sound-server.sh <folder>       # a new server in a stopped one's
#                                                    # folder: the same socket (restart)
#
# Devices: sink "nullsink" (the default; what programs play into), sink "micsink"
# (16 kHz mono; whatever is played into it is heard from the default source "mic").
# Prints the export lines on stdout, progress on stderr. Every process started is
# recorded in $LESNOR_SOUND_SERVER_DIR/pids and stopped by that id only. Exit status 1
# (after stopping what was started) when the server does not come up.
set -uo pipefail

for tool in dbus-daemon pipewire wireplumber pipewire-pulse pactl; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "start-sound-server: $tool is not installed" >&2
    exit 1
  fi
done

if [ -n "${1:-}" ]; then
  dir=$1
  mkdir -p "$dir" || exit 1
else
  dir=$(mktemp -d "${TMPDIR:-/tmp}/lesnor-sound-XXXXXX") || exit 1
fi
chmod 700 "$dir"
mkdir -p "$dir/state" "$dir/config"
export XDG_RUNTIME_DIR="$dir"
export XDG_STATE_HOME="$dir/state"
export XDG_CONFIG_HOME="$dir/config"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/bus"
export PULSE_SERVER="unix:$dir/pulse/native"
unset PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR
: >"$dir/pids"

fail() {
  echo "start-sound-server: $*" >&2
  "$(dirname "$0")/stop-sound-server.sh" "$dir" >&2
  exit 1
}

# Waits up to $1 tenths of a second for the command that follows to succeed.
wait_for() {
  local tries=$1
  shift
  while ((tries-- > 0)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

dbus_pid=$(dbus-daemon --session --fork --print-pid --address="$DBUS_SESSION_BUS_ADDRESS" 2>"$dir/dbus.log") ||
  fail "dbus-daemon did not start"
echo "$dbus_pid" >>"$dir/pids"

pipewire >"$dir/pipewire.log" 2>&1 &
echo $! >>"$dir/pids"
wait_for 50 test -S "$dir/pipewire-0" || fail "pipewire did not start (see $dir/pipewire.log)"

wireplumber >"$dir/wireplumber.log" 2>&1 &
echo $! >>"$dir/pids"
pipewire-pulse >"$dir/pipewire-pulse.log" 2>&1 &
echo $! >>"$dir/pids"
wait_for 50 pactl info || fail "the PulseAudio front end did not answer (see $dir/pipewire-pulse.log)"

pactl load-module module-null-sink sink_name=nullsink >/dev/null || fail "cannot create nullsink"
pactl load-module module-null-sink sink_name=micsink rate=16000 channels=1 >/dev/null ||
  fail "cannot create micsink"
pactl load-module module-remap-source master=micsink.monitor source_name=mic >/dev/null ||
  fail "cannot create the mic source"
wait_for 50 sh -c 'pactl list short sinks | grep -q nullsink' || fail "nullsink did not appear"
wait_for 50 sh -c 'pactl list short sources | grep -qw mic' || fail "mic did not appear"
pactl set-default-sink nullsink || fail "cannot make nullsink the default sink"
pactl set-default-source mic || fail "cannot make mic the default source"
wait_for 50 sh -c 'pactl get-default-sink | grep -qx nullsink' || fail "nullsink is not the default sink"

echo "start-sound-server: running in $dir" >&2
for var in XDG_RUNTIME_DIR XDG_STATE_HOME XDG_CONFIG_HOME DBUS_SESSION_BUS_ADDRESS PULSE_SERVER; do
  printf 'export %s=%q\n' "$var" "${!var}"
done
printf 'export LESNOR_SOUND_SERVER_DIR=%q\n' "$dir"
