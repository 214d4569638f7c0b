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

shopt -s nullglob
for b in "$BUILD_DIR"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$b"
done

# Peers measured on the same marker sentences, same server, same analysis.
for peer in "$ROOT"/bench/peers/*.sh; do
  echo "== peers/$(basename "$peer")"
  bash "$peer" "$BUILD_DIR"
done
