#!/usr/bin/env bash
# The Debian package, checked as a learner's machine would use it:
#   check-package.sh BUILD_DIR
# - the installed desktop entry and AppStream metadata validate;
# - the package, unpacked into a temporary root, runs: its lesnor finds its recordings
#   (a lesson loads with its read command enabled) and its lesnor-tool answers;
# - lintian finds no error in it.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for tool in desktop-file-validate appstreamcli cpack dpkg-deb lintian; do
    if ! command -v "$tool" >/dev/null; then
        echo "check-package: $tool is missing (tools/setup-debian.sh installs it)" >&2
        exit 1
    fi
done

echo "== installed files"
cmake --install "$build" --prefix "$work/install/usr" >/dev/null
desktop-file-validate "$work"/install/usr/share/applications/*.desktop
appstreamcli validate --no-net "$work"/install/usr/share/metainfo/*.metainfo.xml

echo "== package"
# gzip keeps this check quick; `make package` compresses with xz.
cpack -G DEB -B "$work/pkg" --config "$build/CPackConfig.cmake" \
    -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >/dev/null
deb=$(ls "$work"/pkg/*.deb)
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
dpkg-deb -x "$deb" "$work/root"

echo "== unpacked program"
version=$("$work/root/usr/bin/lesnor-tool" --version)
echo "$version"
[[ $version == "lesnor-tool "* ]]
mkdir -p "$work/tmp"
report=$(TMPDIR="$work/tmp" QT_QPA_PLATFORM=offscreen LESNOR_AUDIO_SINK=fake LESNOR_CHECK_LESSON=1/1 \
    timeout 60 "$work/root/usr/bin/lesnor")
echo "$report"
[[ $report == *"read enabled"* ]]

echo "== lintian"
lintian --tag-display-limit 0 "$deb" | tee "$work/lintian.txt" || true
if grep -q '^E:' "$work/lintian.txt"; then
    echo "check-package: lintian reports errors" >&2
    exit 1
fi
echo "check-package: ok"
