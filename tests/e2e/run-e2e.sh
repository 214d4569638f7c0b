#!/usr/bin/env bash
# Runs the end-to-end driver with what a desktop gives a learner: a private X server
# (Xvfb) with a window manager (openbox) and a private headless sound server
# (tests/audio/), all stopped again by their process ids afterwards.
#   tests/e2e/run-e2e.sh <driver> [test functions...]
# Exit status 77 (skipped) only where the machine lacks the X server or the sound server
# packages; under CI (CI set) that is a failure, as tools/setup-debian.sh installs them.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
audio="$here/../audio"

missing=()
for tool in Xvfb openbox xdotool xprop dbus-daemon pipewire wireplumber pipewire-pulse pactl parec paplay; do
  command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "run-e2e: not installed: ${missing[*]} (tools/setup-debian.sh installs them); skipped"
  [ -n "${CI:-}" ] && exit 1
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/lesnor-e2e-XXXXXX") || exit 1
x_pids=()
sound_dir=""
cleanup() {
  for pid in "${x_pids[@]}"; do kill -TERM "$pid" 2>/dev/null; done
  for pid in "${x_pids[@]}"; do wait "$pid" 2>/dev/null; done
  [ -n "$sound_dir" ] && "$audio/stop-sound-server.sh" "$sound_dir"
  rm -rf "$work"
}
trap cleanup EXIT

# The X server chooses a free display number and writes it to the file.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
x_pids+=($!)
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "run-e2e: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
x_pids+=($!)
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
  echo "run-e2e: openbox did not start:" >&2
  cat "$work/openbox.log" >&2
  exit 1
fi

if ! server_env=$("$audio/start-sound-server.sh"); then
  echo "run-e2e: the sound server did not start" >&2
  exit 1
fi
eval "$server_env"
sound_dir=$LESNOR_SOUND_SERVER_DIR

export QT_QPA_PLATFORM=xcb
# The program keeps its learner's record here, never in the user's own.
export LESNOR_LEARNER_DB="$work/learner.sqlite"
unset LESNOR_AUDIO_SINK
"$@"
