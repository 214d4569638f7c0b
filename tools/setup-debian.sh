#!/usr/bin/env bash
# Installs every Debian package Lesnor needs to build, run and test.
#   setup-debian.sh        the packages for building, running and testing
#   setup-debian.sh fuzz   also the compiler and runtime for the fuzz targets (make fuzz)
#   setup-debian.sh bench  also the peer player the benchmarks compare with (make bench)
#   setup-debian.sh docs   also the PNG tools of tools/make-screenshots.sh
# Idempotent: asks apt only for what is missing, runs `apt-get update` only then,
# and uses sudo only when not already root.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake pkg-config git
  qt6-base-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  libespeak-ng-dev flite1-dev
  # speak and compare: pitch and spectral features of the learner's voice
  libaubio-dev
  # run: MP3 decoding, sound output (sound server, else ALSA directly), fonts for
  # Chinese text, Arial-metric faces, Qt's own texts (menus, dialogs) in Chinese
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-pulseaudio gstreamer1.0-alsa
  # slower speeds with the voice's pitch kept: SoundTouch's GStreamer element "pitch"
  gstreamer1.0-plugins-bad
  qt6-translations-l10n
  # the learner's record: Qt SQL's SQLite driver
  libqt6sql6-sqlite
  fonts-wqy-microhei fonts-liberation fonts-dejavu-core
  # the lesson pack's recordings are synthesised at build time: festival's HTS voice
  # for narratives and the first speaker, flite's male voice for the second, every
  # sentence brought to one loudness (libebur128, through python3)
  festival festvox-us-slt-hts flite sox lame python3 libebur128-1
  # tests: an independent Jet 3 reader, a display and a headless sound server; the
  # end-to-end runs add a window manager, X input and window properties
  mdbtools xvfb xauth openbox xdotool x11-utils
  pipewire pipewire-pulse wireplumber pulseaudio-utils dbus
  # the Debian package: icon bitmaps, and the checks of the package and its metadata
  librsvg2-bin dpkg-dev desktop-file-utils appstream lintian
)
if [ "${1:-}" = "fuzz" ]; then
  PACKAGES+=(clang libclang-rt-14-dev)
fi
if [ "${1:-}" = "bench" ]; then
  PACKAGES+=(mpv)
fi
if [ "${1:-}" = "docs" ]; then
  PACKAGES+=(pngquant optipng)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# Another install may be running (several checkouts share a machine): wait for it.
$SUDO apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=300 "${missing[@]}"
