#!/usr/bin/env bash
# Synthesises one lesson's recording and its timed rows:
#
#   tools/synthesise-lesson.sh SENTENCE_FILE PARTS_DIR AUDIO_DIR
#
# SENTENCE_FILE is content/sentences/book<B>/lesson<N>.tsv: one sentence a line,
# "English<TAB>Chinese" in a narrative, "English<TAB>Chinese<TAB>A|B" in a dialogue (the
# speaker); lines starting with "#" are comments.
#
# Writes
#   AUDIO_DIR/QLX<B>0<N>.dat         the recording (MP3, 22.05 kHz mono, with the encoder's
#                                    gapless header)
#   PARTS_DIR/<B>-<N>.rows           book, lesson, english, chinese, start, end of each sentence
#   PARTS_DIR/<B>-<N>.duration       book, lesson, file, samples, seconds of the recording
#   PARTS_DIR/<B>-<N>.loudness       book, lesson, line, speaker, loudness (LUFS) of each sentence
# each replaced whole (written beside and renamed), so an interrupted run leaves no part.
#
# Voices: a narrative and speaker A are festival's HTS voice cmu_us_slt_arctic_hts
# (female, 32 kHz); speaker B is flite's rms voice (male, 16 kHz). Both are resampled to
# 22.05 kHz. Each sentence is then brought to the same loudness (EBU R128 integrated,
# measured by tools/loudness.py) by a gain with a limiter, so that the two voices sound
# equally loud; a gain changes no sample count, so the times stay exact. The loudness
# each sentence ends with is measured again and written beside the times.
#
# A recording is a lead-in silence, then every sentence synthesised on its own, with a
# fixed silence between two sentences. Times come from exact sample counts: a sentence
# starts where its predecessor ends plus the gap, the last one has no end time (it plays
# to the end of the recording). Times are seconds with at most two decimals, no trailing
# zeros and no leading zero before the point (".5", "2.73", "36").
set -euo pipefail
export LC_ALL=C.UTF-8

readonly RATE=22050
readonly LEAD_SAMPLES=11025 # 0.50 s before the first sentence
readonly GAP_SAMPLES=6615   # 0.30 s between two sentences
readonly TARGET_LUFS=-18 # the loudness every sentence is brought to
readonly GAIN_DB=6        # the gain of a sentence too short to measure
readonly BITRATE=64
readonly VOICE_A=voice_cmu_us_slt_arctic_hts
readonly VOICE_B=rms

die() {
    echo "synthesise-lesson: $*" >&2
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

# A festival string literal for a sentence.
scheme_string() {
    local text=${1//\\/\\\\}
    printf '"%s"' "${text//\"/\\\"}"
}

tools_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

[ $# -eq 3 ] || die "usage: synthesise-lesson.sh SENTENCE_FILE PARTS_DIR AUDIO_DIR"
file=$1
parts=$2
audio_dir=$3
[[ "$file" =~ /book([1-9])/lesson([1-9][0-9]*)\.tsv$ ]] || die "unexpected sentence file name $file"
book=${BASH_REMATCH[1]}
lesson=${BASH_REMATCH[2]}
audio="QLX${book}0${lesson}.dat"
mkdir -p "$parts" "$audio_dir"
work=$(mktemp -d "$parts/.work-$book-$lesson.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The form: two or three non-empty fields without surrounding blanks; a speaker on every
# line of a dialogue and on none of a narrative.
awk -F'\t' -v file="$file" '
    /^#/ || $0 == "" { next }
    NF < 2 || NF > 3 || $1 == "" || $2 == "" { printf "%s:%d: expected English<TAB>Chinese[<TAB>A|B]\n", file, NR; bad = 1; next }
    $1 ~ /^ | $/ || $2 ~ /^ | $/ || /\r/ { printf "%s:%d: blank or CR at the end of a field\n", file, NR; bad = 1 }
    NF == 3 && $3 != "A" && $3 != "B" { printf "%s:%d: the speaker is A or B\n", file, NR; bad = 1 }
    { if (NF == 3) spoken++; else narrated++ }
    END {
        if (spoken && narrated) { printf "%s: a speaker on some lines only\n", file; bad = 1 }
        exit bad
    }' "$file" >&2 || die "malformed sentence file $file"

# The sentences, and a festival script for speaker A's (and the narrative's) lines.
english=()
chinese=()
speaker=()
script="$work/voice-a.scm"
echo "($VOICE_A)" >"$script"
while IFS=$'\t' read -r e c s || [ -n "$e" ]; do
    case "$e" in '#'* | '') continue ;; esac
    index=${#english[@]}
    english+=("$e")
    chinese+=("$c")
    speaker+=("${s:-A}")
    if [ "${s:-A}" = A ]; then
        printf '(utt.save.wave (utt.synth (Utterance Text %s)) "%s" (quote riff))\n' \
            "$(scheme_string "$e")" "$work/$index.wav" >>"$script"
    else
        printf '%s\n' "$e" >"$work/$index.txt"
        flite -voice "$VOICE_B" -f "$work/$index.txt" -o "$work/$index.wav" ||
            die "$file: flite failed on: $e"
    fi
done <"$file"
[ ${#english[@]} -gt 0 ] || die "$file: no sentences"
festival -b "$script" >"$work/festival.log" 2>&1 || die "$file: festival failed: $(tail -3 "$work/festival.log")"

# Each sentence at the lesson's rate, then at the common loudness.
raw_format=(-t raw -r "$RATE" -c 1 -b 16 -e signed-integer)
measured=()
gain=()
for index in "${!english[@]}"; do
    [ -s "$work/$index.wav" ] || die "$file: no audio for: ${english[$index]} ($(tail -2 "$work/festival.log"))"
    sox -D "$work/$index.wav" "${raw_format[@]}" "$work/$index.unity.raw" ||
        die "$file: sox failed on: ${english[$index]}"
    measured+=("$work/$index.unity.raw")
done
mapfile -t loudness < <(python3 "$tools_dir/loudness.py" "$RATE" "${measured[@]}") ||
    die "$file: measuring the loudness failed"
[ ${#loudness[@]} -eq ${#english[@]} ] || die "$file: measuring the loudness failed"
# The limiter takes a little off a peaky sentence: a second pass makes up for it.
for pass in 1 2; do
    matched=()
    for index in "${!english[@]}"; do
        if [ $pass = 1 ]; then
            gain[$index]=$GAIN_DB
            if [ "${loudness[$index]}" != -inf ]; then
                gain[$index]=$(awk -v t="$TARGET_LUFS" -v l="${loudness[$index]}" 'BEGIN { printf "%.2f", t - l }')
            fi
        elif [ "${loudness[$index]}" != -inf ]; then
            gain[$index]=$(awk -v g="${gain[$index]}" -v t="$TARGET_LUFS" -v l="${loudness[$index]}" \
                'BEGIN { printf "%.2f", g + t - l }')
        fi
        sox -D "${raw_format[@]}" "$work/$index.unity.raw" "${raw_format[@]}" "$work/$index.raw" \
            gain -l "${gain[$index]}" || die "$file: sox failed on: ${english[$index]}"
        matched+=("$work/$index.raw")
    done
    mapfile -t loudness < <(python3 "$tools_dir/loudness.py" "$RATE" "${matched[@]}") ||
        die "$file: measuring the loudness failed"
    [ ${#loudness[@]} -eq ${#english[@]} ] || die "$file: measuring the loudness failed"
done

rows="$work/rows"
levels="$work/loudness"
pcm="$work/lesson.raw"
: >"$rows"
: >"$levels"
silence "$LEAD_SAMPLES" >"$pcm"
position=$LEAD_SAMPLES
for index in "${!english[@]}"; do
    samples=$(($(stat -c %s "$work/$index.raw") / 2))
    [ "$samples" -gt 0 ] || die "$file: no audio for: ${english[$index]}"
    cat "$work/$index.raw" >>"$pcm"
    printf '%s\tLesson %s\t%s\t%s\t%s\n' "$book" "$lesson" "$((index + 1))" "${speaker[$index]}" \
        "${loudness[$index]}" >>"$levels"
    start=$(format_time "$position")
    position=$((position + samples))
    end=""
    if [ "$index" -lt $((${#english[@]} - 1)) ]; then
        end=$(format_time "$position")
        silence "$GAP_SAMPLES" >>"$pcm"
        position=$((position + GAP_SAMPLES))
    fi
    printf '%s\tLesson %s\t%s\t%s\t%s\t%s\n' "$book" "$lesson" "${english[$index]}" \
        "${chinese[$index]}" "$start" "$end" >>"$rows"
done

sox -D -t raw -r "$RATE" -c 1 -b 16 -e signed-integer "$pcm" "$work/lesson.wav"
lame --quiet --noreplaygain -b "$BITRATE" "$work/lesson.wav" "$work/lesson.mp3" || die "$file: lame failed"
printf '%s\tLesson %s\t%s\t%s\t%s\n' "$book" "$lesson" "$audio" "$position" \
    "$(format_time "$position")" >"$work/duration"

mv "$work/lesson.mp3" "$audio_dir/$audio"
mv "$work/rows" "$parts/$book-$lesson.rows"
mv "$work/loudness" "$parts/$book-$lesson.loudness"
mv "$work/duration" "$parts/$book-$lesson.duration"
echo "synthesise-lesson: $audio (${#english[@]} sentences, $(format_time "$position") s)" >&2
