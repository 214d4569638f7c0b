#!/usr/bin/env bash
# Builds the Jet 3 reader's fuzz target with clang (libFuzzer + AddressSanitizer +
# UndefinedBehaviorSanitizer) outside the CMake build and runs it for a bounded time on
# a seed corpus: the sample databases and the seeds in tests/fuzz/seeds. Inputs reach
# 1 MiB; one input taking more than 10 s or a single allocation above 128 MB is a
# finding, so that files making the reader work far beyond their size are found. (The
# 1 GB limit on the whole process leaves room for the corpus the fuzzer keeps.)
#   FUZZ_SECONDS   run time (default 60)
#   FUZZ_DIR       work folder for the binary and the grown corpus (default build-fuzz)
# Crashing inputs are left in FUZZ_DIR as crash-*; the script then exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/setup-debian.sh fuzz

FUZZ_SECONDS="${FUZZ_SECONDS:-60}"
FUZZ_DIR="${FUZZ_DIR:-build-fuzz}"
mkdir -p "$FUZZ_DIR/corpus"

SOURCES=(lessons/Jet3Format.cpp lessons/Jet3Reader.cpp lessons/Query.cpp lessons/Quoted.cpp tests/fuzz/fuzz_jet3.cpp)
# shellcheck disable=SC2046
clang++ -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I. $(pkg-config --cflags Qt6Core) "${SOURCES[@]}" $(pkg-config --libs Qt6Core) \
  -o "$FUZZ_DIR/fuzz_jet3"

cp -n tests/fuzz/seeds/* "$FUZZ_DIR/corpus/" 2>/dev/null || true
for f in tests/data/jet3/*.mdb; do
  # Seeds up to 1 MiB, the largest input the fuzzer makes.
  if [ "$(stat -c %s "$f")" -le 1048576 ]; then cp -n "$f" "$FUZZ_DIR/corpus/"; fi
done

cd "$FUZZ_DIR"
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=32}"
./fuzz_jet3 -max_total_time="$FUZZ_SECONDS" -max_len=1048576 -timeout=10 -rss_limit_mb=1024 -malloc_limit_mb=128 \
  -print_final_stats=1 corpus
