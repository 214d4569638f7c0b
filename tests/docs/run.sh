#!/usr/bin/env bash
# The key check passes on this tree, and on a copy with a new binding and a help-page key
# nothing binds it names both.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$1"
bash "$here/check-keys.sh" "$root" || exit 1

copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
for d in "$root"/*/; do
    [ -f "$d/CMakeLists.txt" ] && grep -q lesnor_folder_library "$d/CMakeLists.txt" && cp -r "$d" "$copy/"
done
mkdir -p "$copy/resources" && cp "$root/README.md" "$copy/"
echo 'const QKeySequence extra{Qt::CTRL | Qt::SHIFT | Qt::Key_J};' >>"$copy/widgets/CatalogueTree.cpp"
echo 'QMenu menu(QStringLiteral("工具(&T)"));' >>"$copy/widgets/CatalogueTree.cpp"
sed -i 's|<table id="keys">|&<tr><td><span class="key">Ctrl+K</span></td><td></td></tr>|' "$copy/resources/help.htm"
out=$(bash "$here/check-keys.sh" "$copy" 2>&1) && { echo "an unlisted key passed the check"; exit 1; }
for expected in "help.htm's key table does not list Ctrl+Shift+J" 'README.md does not list Ctrl+Shift+J' \
                'README.md does not list Alt+T' 'help.htm lists Ctrl+K, which the program does not bind'; do
    grep -qF "$expected" <<<"$out" || { echo "not reported: $expected"; echo "$out"; exit 1; }
done
echo "check-keys reports unlisted and unbound keys"
