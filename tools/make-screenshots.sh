#!/usr/bin/env bash
# Makes the pictures the README and the help page show (docs/*.png) from the program as
# built, rendered offscreen on the build's lesson pack, each at the size it is shown at
# (the help page's column and the README's are 832 pixels wide), then the two pages'
# tops (docs/screenshot-readme.png, docs/screenshot-help.png); each PNG quantised and
# recompressed:
#   tools/make-screenshots.sh [BUILD_DIR]        (default build/)
# Needs the targets screenshot_lesson and screenshot_page (built by `make`), and
# pngquant and optipng (`tools/setup-debian.sh docs`).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
docs=$root/docs
export QT_QPA_PLATFORM=offscreen LESNOR_SCREENSHOT_DATA=$build/pack
for tool in pngquant optipng; do
    command -v $tool >/dev/null || { echo "$tool is missing: bash tools/setup-debian.sh docs" >&2; exit 1; }
done
for target in screenshot_lesson screenshot_page; do
    [ -x "$build/tools/$target" ] || { echo "build $target first: cmake --build $build" >&2; exit 1; }
done
[ -f "$build/pack/qlxxcl.wrd" ] || { echo "no lesson pack in $build/pack: cmake --build $build" >&2; exit 1; }

small() { # quantised to at most 256 colours where that keeps it looking the same, then recompressed
    pngquant --force --skip-if-larger --strip --speed 1 --quality 85-100 --output "$1" -- "$1" || true
    optipng -quiet -o5 -strip all "$1"
    echo "$(basename "$1"): $(($(stat -c %s "$1") / 1024)) KiB"
}

shot() { # MODE NAME [width height]
    local mode=$1 out=$docs/screenshot-$2.png
    shift 2
    "$build/tools/screenshot_lesson" "$mode" "$out" "$@" >/dev/null 2>&1 || { echo "screenshot_lesson $mode failed" >&2; exit 1; }
    small "$out"
}

shot --reading reading 820 560
shot --title lesson 820 560
shot --popup popup 820 560
shot --menu menu 820 560
shot --marked marked
shot --summary summary
shot --notebook notebook 820 400

# The help page as the program installs it: help.htm with its pictures beside it.
page=$(mktemp -d)
trap 'rm -rf "$page"' EXIT
cp "$root/resources/help.htm" "$page/"
for picture in "$docs"/screenshot-*.png; do
    cp "$picture" "$page/help-$(basename "$picture" .png | sed 's/^screenshot-//').png"
done
"$build/tools/screenshot_page" "$root/README.md" "$docs/screenshot-readme.png" 900 1100
small "$docs/screenshot-readme.png"
"$build/tools/screenshot_page" "$page/help.htm" "$docs/screenshot-help.png" 900 1100
small "$docs/screenshot-help.png"
