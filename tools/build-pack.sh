#!/usr/bin/env bash
# Builds the lesson pack from its source texts:
#
#   tools/build-pack.sh CONTENT_DIR OUT_DIR
#
# CONTENT_DIR/sentences/book<B>/lesson<N>.tsv  one sentence a line, "English<TAB>Chinese";
#                                              lines starting with "#" are comments
# CONTENT_DIR/words/book<B>.tsv                "<lesson number><TAB><word><TAB><gloss>"
#
# Writes
#   OUT_DIR/语音库/QLX<B>0<N>.dat   the lesson recording (MP3, 22.05 kHz mono, with the
#                                  encoder's gapless header), one per sentence file
#   OUT_DIR/source/sentences.tsv   book, lesson, english, chinese, start, end
#   OUT_DIR/source/words.tsv       book, lesson, word, gloss
#   OUT_DIR/source/durations.tsv   book, lesson, file, samples, seconds of each recording
#
# A recording is a lead-in silence, then every sentence of the lesson synthesised on its
# own, with a fixed silence between two sentences. Times come from exact sample counts:
# a sentence starts where its predecessor ends plus the gap, the last one has no end
# time (it plays to the end of the recording). Times are seconds with at most two
# decimals, no trailing zeros and no leading zero before the point (".5", "2.73", "36").
#
# The output depends only on the sources and the tool versions. Lessons are built in
# parallel: PACK_JOBS (default 2) at a time.
set -euo pipefail
export LC_ALL=C.UTF-8

readonly RATE=22050
readonly LEAD_SAMPLES=11025 # 0.50 s before the first sentence
readonly GAP_SAMPLES=6615   # 0.30 s between two sentences
readonly VOICE=(-v en-us -s 140 -g 2 -z)
readonly BITRATE=64

die() {
    echo "build-pack: $*" >&2
    exit 1
}

# Seconds for a sample count, rounded to hundredths (half up), in the stored time form.
format_time() {
    local centis=$(((2 * $1 * 100 + RATE) / (2 * RATE)))
    local whole=$((centis / 100)) frac=$((centis % 100))
    local text=""
    if [ "$whole" -ne 0 ]; then text=$whole; fi
    if [ "$frac" -ne 0 ]; then
        frac=$(printf '%02d' "$frac")
        text="$text.${frac%0}"
    fi
    echo "${text:-0}"
}

# Writes N zero samples (16-bit) to stdout.
silence() {
    head -c $((2 * $1)) /dev/zero
}

# Builds one lesson: its recording into OUT_DIR/语音库 and its rows and duration into
# the work folder, to be joined in book and lesson order afterwards.
build_lesson() {
    local file=$1 out=$2 work=$3
    local name book lesson
    name=${file#*/sentences/book}
    book=${name%%/*}
    lesson=${name##*/lesson}
    lesson=${lesson%.tsv}
    local dir="$work/$book-$lesson"
    mkdir -p "$dir"

    local rows="$dir/rows" pcm="$dir/lesson.raw"
    : >"$rows"
    silence "$LEAD_SAMPLES" >"$pcm"
    local position=$LEAD_SAMPLES index=0 english chinese samples previous_start=""
    local previous_english="" previous_chinese=""
    while IFS=$'\t' read -r english chinese || [ -n "$english" ]; do
        case "$english" in '#'* | '') continue ;; esac
        if [ "$index" -gt 0 ]; then
            printf '%s\tLesson %s\t%s\t%s\t%s\t%s\n' "$book" "$lesson" "$previous_english" \
                "$previous_chinese" "$previous_start" "$(format_time "$position")" >>"$rows"
            silence "$GAP_SAMPLES" >>"$pcm"
            position=$((position + GAP_SAMPLES))
        fi
        printf '%s\n' "$english" | espeak-ng "${VOICE[@]}" -w "$dir/sentence.wav" ||
            die "$file: espeak-ng failed on: $english"
        sox -D "$dir/sentence.wav" -t raw -r "$RATE" -c 1 -b 16 -e signed-integer "$dir/sentence.raw" ||
            die "$file: sox failed on: $english"
        samples=$(($(stat -c %s "$dir/sentence.raw") / 2))
        [ "$samples" -gt 0 ] || die "$file: no audio for: $english"
        cat "$dir/sentence.raw" >>"$pcm"
        previous_start=$(format_time "$position")
        previous_english=$english
        previous_chinese=$chinese
        position=$((position + samples))
        index=$((index + 1))
    done <"$file"
    [ "$index" -gt 0 ] || die "$file: no sentences"
    printf '%s\tLesson %s\t%s\t%s\t%s\t\n' "$book" "$lesson" "$previous_english" \
        "$previous_chinese" "$previous_start" >>"$rows"

    local audio="QLX${book}0${lesson}.dat"
    sox -D -t raw -r "$RATE" -c 1 -b 16 -e signed-integer "$pcm" "$dir/lesson.wav"
    lame --quiet --noreplaygain -b "$BITRATE" "$dir/lesson.wav" "$dir/lesson.mp3" ||
        die "$file: lame failed"
    mv "$dir/lesson.mp3" "$out/语音库/$audio"
    printf '%s\tLesson %s\t%s\t%s\t%s\n' "$book" "$lesson" "$audio" "$position" \
        "$(format_time "$position")" >"$dir/duration"
    rm -f "$dir/sentence.wav" "$dir/sentence.raw" "$pcm" "$dir/lesson.wav"
    echo "build-pack: $audio ($index sentences, $(format_time "$position") s)" >&2
}

# Checks the form of a sentence file: two non-empty fields without surrounding blanks.
check_sentences() {
    awk -F'\t' -v file="$1" '
        /^#/ || $0 == "" { next }
        NF != 2 || $1 == "" || $2 == "" { printf "%s:%d: expected English<TAB>Chinese\n", file, NR; bad = 1 }
        $1 ~ /^ | $/ || $2 ~ /^ | $/ || /\r/ { printf "%s:%d: blank or CR at the end of a field\n", file, NR; bad = 1 }
        END { exit bad }' "$1" >&2 || die "malformed sentence file $1"
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

if [ "${1:-}" = "--lesson" ]; then
    shift
    build_lesson "$@"
    exit 0
fi

[ $# -eq 2 ] || die "usage: build-pack.sh CONTENT_DIR OUT_DIR"
content=$1
out=$2
[ -d "$content/sentences" ] || die "no sentences folder in $content"
[ -d "$content/words" ] || die "no words folder in $content"
for tool in espeak-ng sox lame awk xargs; do
    command -v "$tool" >/dev/null ||
        die "'$tool' is missing (tools/setup-debian.sh installs espeak-ng, sox and lame)"
done

# Sentence files in book and lesson order.
mapfile -t lesson_files < <(
    find "$content/sentences" -path '*/book[1-9]/lesson*.tsv' -type f |
        sed -E 's#.*/book([0-9]+)/lesson([0-9]+)\.tsv$#\1 \2 &#' | sort -k1,1n -k2,2n | cut -d' ' -f3-
)
[ ${#lesson_files[@]} -gt 0 ] || die "no sentence files under $content/sentences"
for f in "${lesson_files[@]}"; do
    [[ "$f" =~ /book[1-9]/lesson[1-9][0-9]*\.tsv$ ]] || die "unexpected sentence file name $f"
    check_sentences "$f"
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
work="$out/work"
rm -rf "$work" "$out/语音库" "$out/source"
mkdir -p "$work" "$out/语音库" "$out/source"

printf '%s\0' "${lesson_files[@]}" |
    xargs -0 -P "${PACK_JOBS:-2}" -I{} bash "$0" --lesson {} "$out" "$work" ||
    die "building the recordings failed"

{
    printf 'book\tlesson\tenglish\tchinese\tstart\tend\n'
    for f in "${lesson_files[@]}"; do
        name=${f#*/sentences/book}
        lesson=${name##*/lesson}
        cat "$work/${name%%/*}-${lesson%.tsv}/rows"
    done
} >"$out/source/sentences.tsv"

{
    printf 'book\tlesson\tfile\tsamples\tseconds\n'
    for f in "${lesson_files[@]}"; do
        name=${f#*/sentences/book}
        lesson=${name##*/lesson}
        cat "$work/${name%%/*}-${lesson%.tsv}/duration"
    done
} >"$out/source/durations.tsv"

{
    printf 'book\tlesson\tword\tgloss\n'
    for book in 1 2 3 4 5 6 7 8 9; do
        if [ -f "$content/words/book$book.tsv" ]; then
            word_rows "$book" "$content/words/book$book.tsv"
        fi
    done
} >"$out/source/words.tsv.part"
mv "$out/source/words.tsv.part" "$out/source/words.tsv"

rm -rf "$work"
