#!/usr/bin/env bash
# The picture check passes on this tree, and names each fault of a copy that has three.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$1"
python3 "$here/check-pictures.py" "$root" || exit 1

copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
mkdir -p "$copy/resources"
cp "$root/resources/help.htm" "$root/resources/CMakeLists.txt" "$copy/resources/"
cp -r "$root/docs" "$root/README.md" "$copy/"
sed -i '0,/width="820"/s//width="800"/' "$copy/resources/help.htm"
sed -i 's/ notebook CACHE/ CACHE/' "$copy/resources/CMakeLists.txt"
echo '[gone](docs/gone.md)' >>"$copy/README.md"
out=$(python3 "$here/check-pictures.py" "$copy") && { echo "a broken copy passed the check"; exit 1; }
for expected in 'is shown at (800, 560), its size is (820, 560)' \
                'help-notebook.png is not in LESNOR_HELP_PICTURES' 'README.md: docs/gone.md does not exist'; do
    grep -qF "$expected" <<<"$out" || { echo "not reported: $expected"; echo "$out"; exit 1; }
done
echo "check-pictures reports a resized, an unlisted and a missing picture"
