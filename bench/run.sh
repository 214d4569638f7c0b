#!/usr/bin/env bash
# Runs every benchmark program built under <build>/bench and prints its figures.
# A private headless sound server (tests/audio/start-sound-server.sh) runs for the
# duration, for the benchmarks that measure what is heard; without one they say
# "skipped".
set -euo pipefail
BUILD_DIR="${1:-build}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"

if server_env=$("$ROOT/tests/audio/start-sound-server.sh" 2>/dev/null); then
  eval "$server_env"
  trap '"$ROOT/tests/audio/stop-sound-server.sh" "$LESNOR_SOUND_SERVER_DIR"' EXIT
else
  echo "(no sound server could be started; the playback benchmarks skip)"
fi

# The programs measured keep their learner's record here, never in the user's own.
export LESNOR_LEARNER_DB="$BUILD_DIR/bench/learner.sqlite"

shopt -s nullglob
for b in "$BUILD_DIR"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$b"
done

# The sync analysis checked against a deliberately late player (every sentence sounds
# 150 ms late): its errors must read as 150 ms, not slip by a marker period, and every
# sentence must be placed; otherwise it fails (late_player_verdict). Sentences with
# silence heard inside (dropouts: a loaded machine) are left out of the verdict, which
# then says the load was too high to measure them.
if [ -x "$BUILD_DIR/bench/bench_sync" ]; then
  echo "== bench_sync late"
  QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$BUILD_DIR/bench/bench_sync" late
fi

# The whole program on a desktop: its own virtual X server, window manager and sound
# server (tests/e2e/run-e2e.sh). When that desktop cannot start, the figures say why.
if [ -x "$BUILD_DIR/bench/desktop_cpu" ]; then
  echo "== desktop_cpu"
  log=$(mktemp)
  status=0
  bash "$ROOT/tests/e2e/run-e2e.sh" "$BUILD_DIR/bench/desktop_cpu" >"$log" 2>&1 || status=$?
  grep -v '^start-sound-server: running' "$log" || true
  if [ "$status" -ne 0 ]; then
    why=$(grep '^run-e2e:' "$log" | tail -n1)
    for name in idle_pct reading_pct after_reading_pct reading_vs_mpv; do
      echo "desktop_cpu_$name: skipped (${why:-the desktop did not start, exit status $status})"
    done
  fi
  rm -f "$log"
fi

# The window's event loop while the whole program is used, on the same kind of desktop.
if [ -x "$BUILD_DIR/bench/desktop_stall" ]; then
  echo "== desktop_stall"
  bash "$ROOT/tests/e2e/run-e2e.sh" "$BUILD_DIR/bench/desktop_stall" 2>&1 | grep -v '^start-sound-server: running' || true
fi

# Peers measured on the same marker sentences, same server, same analysis.
for peer in "$ROOT"/bench/peers/*.sh; do
  echo "== peers/$(basename "$peer")"
  bash "$peer" "$BUILD_DIR"
done
