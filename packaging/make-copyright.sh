#!/usr/bin/env bash
# Writes the package's machine-readable copyright file to stdout:
#   make-copyright.sh SOURCE_DIR
# The project's own licence and the licences of everything the program carries (the
# phonetic font, the dictionary data) in the Debian copyright format.
set -euo pipefail
src=$1

# A licence text as the body of a "License:" field: every line indented by one blank,
# empty lines as " .".
body() {
    sed -e 's/[[:space:]]*$//' -e 's/^$/./' -e 's/^/ /' "$1"
}

cat <<HEAD
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Lesnor
Upstream-Contact: The Lesnor developers <developers@lesnor.org>
Source: https://lesnor.org/

Files: *
Copyright: 2026 The Lesnor developers
License: MIT

Files: content/*
Copyright: 2026 The Lesnor developers
License: MIT
Comment: The lesson texts are the project's own writing; the recordings are
 synthesised from them at build time.

Files: resources/fonts/DejaVuSans.ttf
Copyright: 2003 Bitstream, Inc.
 DejaVu changes are in the public domain.
License: Bitstream-Vera
Comment: Carried inside the lesnor executable as its phonetic font.

Files: content/dictionary/*
Copyright: 2026 The Lesnor developers
License: MIT
Comment: additions.txt, the project's own records and corrections.

Files: content/dictionary/dict-en-zh.gbk.txt content/dictionary/graded-wordlist.tsv
Copyright: 2017 Linwei
License: MIT
Comment: Word lists derived from ECDICT (content/dictionary/LICENSE-ECDICT.txt).
 The built-in English-Chinese dictionary, carried inside the lesnor executable, is
 built from dict-en-zh.gbk.txt together with additions.txt.

License: MIT
HEAD
body "$src/LICENSE" | tail -n +5
echo
echo "License: Bitstream-Vera"
# The DejaVu licence file is itself in this format: take its licence paragraph's text.
awk '/^License: bitstream-vera/{on=1; next} on && /^[^ ]/{exit} on{print}' "$src/resources/fonts/LICENSE-DejaVu.txt" |
    sed -e 's/[[:space:]]*$//'
