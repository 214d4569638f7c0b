#!/usr/bin/env bash
# Every key the program binds is listed in the help page's key table (the <table
# id="keys"> of resources/help.htm, each key a <span class="key">) and in the README (each
# key a <kbd>); the help page's table lists no key the program does not bind (beside
# the keys of Qt's own controls).
#   check-keys.sh ROOT
# The program's keys are read from the sources of its folders (those with a
# lesnor_folder_library): every Qt::Key_ with the modifiers written before it
# (Qt::CTRL | Qt::SHIFT | Qt::Key_R is "Ctrl+Shift+R"), the standard keys
# (QKeySequence::Delete) and the menus' mnemonics ("文件(&F)" is "Alt+F"). A modifier
# tested apart from its key (event->modifiers()) is not seen: such a key is listed by its
# own name as well.
set -uo pipefail
root=$1

# The folders the program is made of: startup and every folder it links, directly or
# through another (a folder built but not yet linked into the program binds no key of it).
folders=()
pending=(startup)
while [ ${#pending[@]} -gt 0 ]; do
    folder=${pending[0]}
    pending=("${pending[@]:1}")
    [[ " ${folders[*]} " == *" $root/$folder "* ]] && continue
    [ -f "$root/$folder/CMakeLists.txt" ] || continue
    folders+=("$root/$folder")
    for linked in $(grep -ozE 'lesnor_folder_library\([^)]*\)' "$root/$folder/CMakeLists.txt" |
        tr '\0' '\n' | grep -oE 'lesnor_[a-z_]+' | grep -v '^lesnor_folder_library$'); do
        pending+=("${linked#lesnor_}")
    done
done

keyName() { # Qt's key name without Qt::Key_
    case $1 in
    Return | Enter) echo Enter ;;
    Escape) echo Esc ;;
    Left) echo '←' ;; Right) echo '→' ;; Up) echo '↑' ;; Down) echo '↓' ;;
    BracketLeft) echo '[' ;; BracketRight) echo ']' ;;
    Equal) echo '=' ;; Plus) echo '+' ;; Minus) echo '-' ;;
    PageUp) echo PgUp ;; PageDown) echo PgDn ;;
    *) echo "$1" ;;
    esac
}

standardKey() { # QKeySequence::StandardKey names; the enum's other members print nothing
    case $1 in
    Delete) echo Delete ;; Copy) echo Ctrl+C ;; Paste) echo Ctrl+V ;; Cut) echo Ctrl+X ;;
    Save) echo Ctrl+S ;; SelectAll) echo Ctrl+A ;; Find) echo Ctrl+F ;; Close) echo Ctrl+W ;;
    Quit) echo Ctrl+Q ;; HelpContents) echo F1 ;; Cancel) echo Esc ;; Undo) echo Ctrl+Z ;;
    Open) echo Ctrl+O ;; Print) echo Ctrl+P ;; Refresh) echo F5 ;;
    NativeText | PortableText | ExactMatch | PartialMatch | NoMatch | UnknownKey) ;;
    *) echo "QKeySequence::$1" ;;
    esac
}

programKeys() {
    local sources
    mapfile -t sources < <(find "${folders[@]}" -name '*.cpp' -o -name '*.h')
    [ ${#sources[@]} -gt 0 ] || return
    grep -hv '^[[:space:]]*//' "${sources[@]}" |
        grep -oE '((Qt::(CTRL|SHIFT|ALT|ControlModifier|ShiftModifier|AltModifier))[[:space:]]*[|+][[:space:]]*)*Qt::Key_[A-Za-z0-9_]+' |
        while IFS= read -r binding; do
            local name='' key=${binding##*Qt::Key_}
            [[ $binding =~ CTRL|ControlModifier ]] && name+=Ctrl+
            [[ $binding =~ SHIFT|ShiftModifier ]] && name+=Shift+
            [[ $binding =~ ALT|AltModifier ]] && name+=Alt+
            echo "$name$(keyName "$key")"
        done
    grep -hoE 'QKeySequence::[A-Za-z]+' "${sources[@]}" | while IFS= read -r s; do standardKey "${s#QKeySequence::}"; done
    grep -hoE '"[^"]*\(&[A-Za-z0-9]\)' "${sources[@]}" | while IFS= read -r m; do
        m=${m: -2:1}
        echo "Alt+${m^^}"
    done
}

helpKeys() {
    sed -n '/<table id="keys"/,/<\/table>/p' "$root/resources/help.htm" |
        grep -oE '<span class="key">[^<]*</span>' | sed -E 's/<[^>]*>//g; s/&lt;/</g; s/&gt;/>/g; s/&amp;/\&/g'
}

readmeKeys() {
    grep -oE '<kbd>[^<]*</kbd>' "$root/README.md" | sed -E 's/<[^>]*>//g'
}

bound=$(programKeys | sort -u)
help=$(helpKeys | sort -u)
readme=$(readmeKeys | sort -u)
status=0
[ -n "$bound" ] || { echo "no key bindings found under $root"; exit 1; }
while IFS= read -r key; do
    grep -qxF -- "$key" <<<"$help" || { echo "help.htm's key table does not list $key"; status=1; }
    grep -qxF -- "$key" <<<"$readme" || { echo "README.md does not list $key"; status=1; }
done <<<"$bound"
# The keys Qt's own controls give (moving in a list, copying from a text) may be listed too.
widgetKeys=$'↑\n↓\n←\n→\nTab\nCtrl+A\nCtrl+C\nCtrl+V\nCtrl+X\nCtrl+Z'
while IFS= read -r key; do
    [ -z "$key" ] || grep -qxF -- "$key" <<<"$widgetKeys" || grep -qxF -- "$key" <<<"$bound" || { echo "help.htm lists $key, which the program does not bind"; status=1; }
done <<<"$help"
[ $status -eq 0 ] && echo "$(wc -l <<<"$bound") keys, each in help.htm and README.md"
exit $status
