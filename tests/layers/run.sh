#!/usr/bin/env bash
# The layer check on this tree must pass, and on a copy with one upward include, one
# upward link and one "../" include it must name each of them.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$1"
bash "$here/check-layers.sh" "$root" || exit 1

copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
for d in "$root"/*/; do
  [ -f "$d/CMakeLists.txt" ] && cp -r "$d" "$copy/"
done
echo '#include "widgets/WindowKit.h"' >>"$copy/platform/WavFile.cpp"
echo '#include "../startup/StartUp.h"' >>"$copy/lessons/Lesson.cpp"
sed -i 's/lesnor_folder_library(/lesnor_folder_library(lesnor_playback /' "$copy/dictionary/CMakeLists.txt"
out=$(bash "$here/check-layers.sh" "$copy" 2>&1) && { echo "an upward dependency passed the check"; exit 1; }
for expected in 'platform/WavFile.cpp: #include "widgets/WindowKit.h" is not a folder below platform/' \
                'lessons/Lesson.cpp: #include "../startup/StartUp.h" reaches out of its folder' \
                'dictionary/CMakeLists.txt links lesnor_playback, which is not below dictionary/'; do
  grep -qF "$expected" <<<"$out" || { echo "not reported: $expected"; echo "$out"; exit 1; }
done
echo "check-layers reports upward includes and links"
