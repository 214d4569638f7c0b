#!/usr/bin/env bash
# The peer comparison: mpv plays the same marker sentences into the same sound server,
# analysed exactly as Lesnor's own run of bench_sync. Two ways of driving it:
#   mpv_cli_*   one `mpv --start=S --end=E` per sentence
#   mpv_ipc_*   one long-lived mpv over its IPC socket: exact seek, unpause, poll
#               time-pos every millisecond, pause at the first position past the end
#   mpv_cpu_playing_continuous_pct   mpv's CPU playing a lesson recording without a
#               stop, the peer of Lesnor's reading (bench/desktop_cpu.cpp)
# mpv is a benchmark-only dependency (`tools/setup-debian.sh bench`); without it the
# rows say "skipped". Expects the sound server bench/run.sh starts.
#   bench/peers/mpv.sh [build folder]
set -uo pipefail
BUILD_DIR="${1:-build}"
if ! command -v mpv >/dev/null 2>&1; then
  echo "mpv_cli: skipped (mpv is not installed; tools/setup-debian.sh bench installs it)"
  echo "mpv_ipc: skipped (mpv is not installed)"
  echo "mpv_cpu_playing_continuous_pct: skipped (mpv is not installed)"
  exit 0
fi
"$BUILD_DIR/bench/bench_sync" mpv-cli
"$BUILD_DIR/bench/bench_sync" mpv-ipc
"$BUILD_DIR/bench/desktop_cpu" mpv
