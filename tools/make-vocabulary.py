#!/usr/bin/env python3
"""Writes the vocabulary of lessons 6 onwards into content/words/book<B>.tsv.

    tools/make-vocabulary.py [--wordlist FILE] [--content DIR]

The word files are committed; the build only reads them. Run this again only to
regenerate the generated part: the hand-written entries of lessons 1 to 5 are kept as
they are, everything after them is replaced.

Words come from the graded word list (level 1 middle school, 2 high school, 3 CET-4,
4 other; one gloss "pos.中文" each), most frequent first, climbing through the levels
from book to book so that the books are graded. A word appears at most once in the
whole pack. Proper nouns, abbreviations, inflected forms, single letters and entries
without a usable gloss are left out; tools/vocabulary-fixes.tsv corrects glosses whose
first sense is misleading for a learner, or drops a word ("-").
"""

import argparse
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Lessons per book, as in the catalogue.
BOOK_LESSONS = {1: 72, 2: 96, 3: 60, 4: 48}
FIRST_GENERATED_LESSON = 6
# Which list levels each book draws from, in order; words left over move on to the next book.
BOOK_LEVELS = {1: ["1"], 2: ["1", "2"], 3: ["2", "3"], 4: ["3", "4"]}

ALLOWED_POS = ("n", "v", "a", "ad", "pron", "prep", "conj", "int", "num", "aux")
GLOSS = re.compile(r"^(?:%s)\.(?:& ?(?:%s)\.)?(.+)$" % ("|".join(ALLOWED_POS), "|".join(ALLOWED_POS)))
WORD = re.compile(r"^[a-z]+(?:[ -][a-z]+)*$")
CJK = re.compile(r"[\u4e00-\u9fff]")
# Glosses that describe a form of another word, a name or an abbreviation, not a meaning.
NOT_A_MEANING = re.compile(r"复数|过去式|过去分词|现在分词|第三人称|单数|比较级|最高级|缩写|简写|简称|人名|姓氏|字母")
# Words kept out of a course for learners whatever the list says.
UNSUITABLE = {
    "bastard", "bitch", "bloody", "crap", "damn", "damned", "fuck", "fucking", "hell", "piss",
    "shit", "sexy", "slut", "whore", "nigger", "gay", "kill", "killer", "suicide", "rape",
    "drug", "drugs", "cocaine", "heroin", "murder", "murderer", "gun", "bomb", "sex", "sexual",
}


def find_wordlist():
    """The shared data lie in a folder "shared" beside the project or one of its parents."""
    folder = ROOT
    while True:
        parent = os.path.dirname(folder)
        candidate = os.path.join(parent, "shared", "data", "dictionary", "graded-wordlist.tsv")
        if os.path.exists(candidate) or parent == folder:
            return candidate
        folder = parent


def lesson_size(book, lesson):
    """10 to 14 words, varying from lesson to lesson."""
    return 10 + (book * 7 + lesson * 3) % 5


def read_fixes(path):
    fixes = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            word, gloss = line.split("\t")
            fixes[word] = gloss
    return fixes


def read_wordlist(path, fixes):
    """Candidates per level, most frequent first: lists of (word, gloss)."""
    levels = {"1": [], "2": [], "3": [], "4": []}
    with open(path, encoding="utf-8") as f:
        next(f)
        for order, line in enumerate(f):
            cols = line.rstrip("\n").split("\t")
            if len(cols) != 6:  # a few rows carry a stray tab inside the gloss
                continue
            level, word, _phonetic, gloss, rank = cols[0][0], cols[1], cols[2], cols[3], cols[4]
            if word in fixes:
                gloss = fixes[word]
                if gloss == "-":
                    continue
            elif word in UNSUITABLE or not WORD.match(word) or len(word) < 2:
                continue
            m = GLOSS.match(gloss)
            if not m or not CJK.search(m.group(1)) or NOT_A_MEANING.search(gloss):
                continue
            if "pl." in gloss or len(gloss) > 24 or len(word) > 30:
                continue
            key = (int(rank) if rank else 10**9, order)
            levels[level].append((key, word, gloss))
    return {level: [(w, g) for _k, w, g in sorted(items)] for level, items in levels.items()}


def read_hand_written(path):
    """The entries of lessons before FIRST_GENERATED_LESSON, as lines."""
    lines = []
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                if int(line.split("\t", 1)[0]) < FIRST_GENERATED_LESSON:
                    lines.append(line.rstrip("\n"))
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--wordlist", default=find_wordlist(),
                        help="the graded word list (default: shared/data/dictionary beside the project)")
    parser.add_argument("--content", default=os.path.join(ROOT, "content"))
    args = parser.parse_args()

    fixes = read_fixes(os.path.join(ROOT, "tools", "vocabulary-fixes.tsv"))
    candidates = read_wordlist(args.wordlist, fixes)
    hand = {b: read_hand_written(os.path.join(args.content, "words", "book%d.tsv" % b)) for b in BOOK_LESSONS}
    used = {line.split("\t")[1].lower() for lines in hand.values() for line in lines}

    for book, lessons in BOOK_LESSONS.items():
        pool = iter([entry for level in BOOK_LEVELS[book] for entry in candidates[level]])
        lines = list(hand[book])
        for lesson in range(FIRST_GENERATED_LESSON, lessons + 1):
            picked = 0
            while picked < lesson_size(book, lesson):
                entry = next(pool, None)
                if entry is None:
                    sys.exit("make-vocabulary: ran out of words in book %d lesson %d" % (book, lesson))
                word, gloss = entry
                if word.lower() in used:
                    continue
                used.add(word.lower())
                lines.append("%d\t%s\t%s" % (lesson, word, gloss))
                picked += 1
        with open(os.path.join(args.content, "words", "book%d.tsv" % book), "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
