#!/usr/bin/env bash
# A clone with nothing beside it builds and passes: no file of the tree may reach for
# the reading material that some checkouts keep beside the project.
#   check-self-contained.sh SOURCE_DIR
# Fails, naming file and line, when a tracked (or new, not ignored) file names the
# folder "shared" beside or above the project or its data/ subfolder.
set -euo pipefail
cd "$1"
# Written as a pattern so that this file does not name the folder itself.
pattern='\.\./+shared([/"'"'"' ]|$)|shared/''data/'
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    files() { git ls-files -z --cached --others --exclude-standard; }
else
    files() { find . -path './build*' -prune -o -path ./.git -prune -o -type f -print0; }
fi
found=$(files | xargs -0 grep -IEn "$pattern" -- 2>/dev/null || true)
if [[ -n $found ]]; then
    echo "These lines reach outside the project for its data; copy what they need into it:" >&2
    echo "$found" >&2
    exit 1
fi
echo "self-contained: $(files | tr -cd '\0' | wc -c) files, none reaches outside the project"
