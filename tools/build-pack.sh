#!/usr/bin/env bash
# Builds the lesson pack from its source texts:
#
#   tools/build-pack.sh CONTENT_DIR OUT_DIR        the whole pack: every lesson (PACK_JOBS,
#                                                  default 2, at a time), then the tables
#   tools/build-pack.sh join CONTENT_DIR PARTS_DIR AUDIO_DIR TABLE_DIR
#                                                  only the tables, from the lesson parts
#                                                  that tools/synthesise-lesson.sh made
#
# CONTENT_DIR/sentences/book<B>/lesson<N>.tsv  the sentences (see synthesise-lesson.sh)
# CONTENT_DIR/words/book<B>.tsv                "<lesson number><TAB><word><TAB><gloss>"
#
# The whole pack writes OUT_DIR/语音库/QLX<B>0<N>.dat, OUT_DIR/parts/ and OUT_DIR/source/;
# the tables are
#   sentences.tsv   book, lesson, english, chinese, start, end
#   words.tsv       book, lesson, word, gloss
#   durations.tsv   book, lesson, file, samples, seconds of each recording
#   loudness.tsv    book, lesson, line, speaker, loudness (LUFS) of each sentence as recorded
# in book and lesson order. The join also removes recordings and parts of lessons that no
# longer have a sentence file. The build (content/CMakeLists.txt) runs one
# synthesise-lesson.sh per lesson, each only when its file changed, and then the join.
set -euo pipefail
export LC_ALL=C.UTF-8

die() {
    echo "build-pack: $*" >&2
    exit 1
}

tools_dir=$(cd "$(dirname "$0")" && pwd)

# Sentence files in book and lesson order.
lesson_files() {
    find "$1/sentences" -path '*/book[1-9]/lesson*.tsv' -type f |
        sed -E 's#.*/book([0-9]+)/lesson([0-9]+)\.tsv$#\1 \2 &#' | sort -k1,1n -k2,2n | cut -d' ' -f3-
}

# Word files become "book<TAB>Lesson n<TAB>word<TAB>gloss" rows.
word_rows() {
    local book=$1 file=$2
    awk -F'\t' -v OFS='\t' -v book="$book" -v file="$file" '
        /^#/ || $0 == "" { next }
        NF != 3 || $1 !~ /^[1-9][0-9]*$/ || $2 == "" || $3 == "" || /\r/ {
            printf "%s:%d: expected <lesson><TAB><word><TAB><gloss>\n", file, NR > "/dev/stderr"; bad = 1; next
        }
        { print book, "Lesson " $1, $2, $3 }
        END { exit bad }' "$file" || die "malformed word file $file"
}

# Writes a table whole: header, then the rows, renamed into place.
write_table() {
    local path=$1 header=$2
    shift 2
    { printf '%s\n' "$header" && cat "$@"; } >"$path.part"
    mv "$path.part" "$path"
}

join_tables() {
    local content=$1 parts=$2 audio_dir=$3 tables=$4
    mapfile -t files < <(lesson_files "$content")
    [ ${#files[@]} -gt 0 ] || die "no sentence files under $content/sentences"
    local rows=() durations=() levels=() f
    local -A keep=()
    for f in "${files[@]}"; do
        [[ "$f" =~ /book([1-9])/lesson([1-9][0-9]*)\.tsv$ ]] || die "unexpected sentence file name $f"
        local key="${BASH_REMATCH[1]}-${BASH_REMATCH[2]}"
        [ -f "$parts/$key.rows" ] && [ -f "$parts/$key.duration" ] && [ -f "$parts/$key.loudness" ] ||
            die "lesson $key has not been synthesised"
        rows+=("$parts/$key.rows")
        durations+=("$parts/$key.duration")
        levels+=("$parts/$key.loudness")
        keep["QLX${BASH_REMATCH[1]}0${BASH_REMATCH[2]}.dat"]=1
        keep["$key.rows"]=1
        keep["$key.duration"]=1
        keep["$key.loudness"]=1
    done
    mkdir -p "$tables"
    write_table "$tables/sentences.tsv" $'book\tlesson\tenglish\tchinese\tstart\tend' "${rows[@]}"
    write_table "$tables/durations.tsv" $'book\tlesson\tfile\tsamples\tseconds' "${durations[@]}"
    write_table "$tables/loudness.tsv" $'book\tlesson\tline\tspeaker\tloudness' "${levels[@]}"
    local book
    for book in 1 2 3 4 5 6 7 8 9; do
        if [ -f "$content/words/book$book.tsv" ]; then
            word_rows "$book" "$content/words/book$book.tsv"
        fi
    done >"$tables/words.rows"
    write_table "$tables/words.tsv" $'book\tlesson\tword\tgloss' "$tables/words.rows"
    rm -f "$tables/words.rows"

    # What a removed lesson left behind.
    local name
    for f in "$audio_dir"/QLX*.dat "$parts"/*.rows "$parts"/*.duration "$parts"/*.loudness; do
        [ -e "$f" ] || continue
        name=${f##*/}
        [ -n "${keep[$name]:-}" ] || rm -f "$f"
    done
}

if [ "${1:-}" = join ]; then
    [ $# -eq 5 ] || die "usage: build-pack.sh join CONTENT_DIR PARTS_DIR AUDIO_DIR TABLE_DIR"
    join_tables "$2" "$3" "$4" "$5"
    exit 0
fi

[ $# -eq 2 ] || die "usage: build-pack.sh CONTENT_DIR OUT_DIR"
content=$1
out=$2
[ -d "$content/sentences" ] || die "no sentences folder in $content"
[ -d "$content/words" ] || die "no words folder in $content"
for tool in festival flite sox lame awk xargs python3; do
    command -v "$tool" >/dev/null ||
        die "'$tool' is missing (tools/setup-debian.sh installs festival, flite, sox and lame)"
done
mkdir -p "$out"
out=$(cd "$out" && pwd)
mapfile -t files < <(lesson_files "$content")
[ ${#files[@]} -gt 0 ] || die "no sentence files under $content/sentences"
printf '%s\0' "${files[@]}" |
    xargs -0 -P "${PACK_JOBS:-2}" -I{} bash "$tools_dir/synthesise-lesson.sh" {} "$out/parts" "$out/语音库" ||
    die "building the recordings failed"
join_tables "$content" "$out/parts" "$out/语音库" "$out/source"
