#!/usr/bin/env bash
# Runs every benchmark program built under <build>/bench and prints its figures.
set -euo pipefail
BUILD_DIR="${1:-build}"
shopt -s nullglob
for b in "$BUILD_DIR"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$b"
done
