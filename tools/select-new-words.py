#!/usr/bin/env python3
"""Writes each lesson's new words into content/words/book<B>.tsv.

    tools/select-new-words.py [--content DIR]

Walks the course in order (book 1 lesson 1 to book 4 lesson 48). A lesson's new words
are words of its text that no earlier lesson's text holds. For lessons 6 onwards they
are taken from the writers' candidates, content/newwords/book<B>.tsv
("<lesson><TAB><word><TAB><gloss>", in order of preference): the first 16 candidates
that occur in the lesson and in no earlier lesson. Lessons 1 to 5 keep their hand-made
lists, less any word an earlier lesson already holds. A lesson without candidates keeps
the words the file has for it.

"Occurs" means the word or a simply inflected form of it (-s, -es, -ed, -d, -ing, a
final y turned into -ies/-ied, a final e dropped before -ing, a doubled last letter)
stands in the text as a whole word, case ignored: the same rule the pack's tests apply.

The word files are committed; the build only reads them. Prints the lessons whose list
came out shorter than 8 words.
"""

import argparse
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BOOK_LESSONS = {1: 72, 2: 96, 3: 60, 4: 48}
FIRST_SELECTED_LESSON = 6
MIN_WORDS, MAX_WORDS = 8, 16
WORDLESS = {(1, 4)}

# Parts of speech as the word lists write them.
POS_SPELLING = {"adj": "a", "adv": "ad", "vt": "v", "vi": "v", "interj": "int", "art": "art"}
POS = re.compile(r"^([a-z]+)\.")


def forms(word):
    """The word and its simply inflected forms, lower case."""
    w = word.lower()
    result = {w, w + "s", w + "es", w + "ed", w + "d", w + "ing", w + "'s", w + w[-1] + "ed", w + w[-1] + "ing"}
    if w.endswith("y"):
        result |= {w[:-1] + "ies", w[:-1] + "ied"}
    if w.endswith("e"):
        result.add(w[:-1] + "ing")
    return result


class Text:
    """A growing body of English text that answers "does this word occur in it"."""

    def __init__(self):
        self.tokens = set()
        self.lines = []

    def add(self, english):
        lowered = english.lower()
        self.tokens.update(re.findall(r"[a-z]+", lowered))
        self.lines.append(lowered)

    def has(self, word):
        if re.fullmatch(r"[A-Za-z]+", word):
            return any(f in self.tokens for f in forms(word) if "'" not in f)
        text = "\n".join(self.lines)
        return any(re.search(r"(?<![a-z])%s(?![a-z])" % re.escape(f), text) for f in forms(word))


def read_sentences(content, book, lesson):
    path = os.path.join(content, "sentences", "book%d" % book, "lesson%d.tsv" % lesson)
    if not os.path.exists(path):
        return None
    with open(path, encoding="utf-8") as f:
        return [line.split("\t")[0] for line in f.read().splitlines() if line and not line.startswith("#")]


def read_entries(path):
    """{lesson: [(word, gloss)]} in file order; {} when the file does not exist."""
    entries = {}
    if not os.path.exists(path):
        return entries
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f.read().splitlines(), 1):
            if not line.strip() or line.startswith("#"):
                continue
            fields = [field.strip() for field in line.split("\t")]
            if len(fields) != 3 or not fields[0].isdigit() or not fields[1] or not fields[2]:
                sys.exit("%s:%d: expected <lesson><TAB><word><TAB><gloss>" % (path, number))
            entries.setdefault(int(fields[0]), []).append((fields[1], fields[2]))
    return entries


def normal_gloss(gloss):
    """The lists' spelling of a gloss: "adj.红的" becomes "a.红的", ASCII ";," full width."""
    m = POS.match(gloss)
    if m and m.group(1) in POS_SPELLING:
        gloss = POS_SPELLING[m.group(1)] + "." + gloss[m.end():]
    head = POS.match(gloss)
    rest = gloss[head.end():] if head else gloss
    rest = rest.replace(";", "；").replace(",", "，").strip()
    return (head.group(0) if head else "") + rest


def select(content):
    earlier = Text()
    short = []
    for book, lessons in BOOK_LESSONS.items():
        words_path = os.path.join(content, "words", "book%d.tsv" % book)
        current = read_entries(words_path)
        candidates = read_entries(os.path.join(content, "newwords", "book%d.tsv" % book))
        chosen = {}
        for lesson in range(1, lessons + 1):
            sentences = read_sentences(content, book, lesson)
            if sentences is None:
                chosen[lesson] = current.get(lesson, [])
                continue
            own = Text()
            for s in sentences:
                own.add(s)
            if (book, lesson) in WORDLESS:
                offered = []
            elif lesson >= FIRST_SELECTED_LESSON and lesson in candidates:
                offered = candidates[lesson]
            else:
                offered = current.get(lesson, [])
            picked, seen = [], set()
            for word, gloss in offered:
                if word.lower() in seen or not own.has(word) or earlier.has(word):
                    continue
                seen.add(word.lower())
                picked.append((word, normal_gloss(gloss)))
                if len(picked) == MAX_WORDS:
                    break
            chosen[lesson] = picked
            if len(picked) < MIN_WORDS and (book, lesson) not in WORDLESS:
                short.append("book %d lesson %d: %d new words" % (book, lesson, len(picked)))
            for s in sentences:
                earlier.add(s)
        with open(words_path, "w", encoding="utf-8") as f:
            for lesson in sorted(chosen):
                for word, gloss in chosen[lesson]:
                    f.write("%d\t%s\t%s\n" % (lesson, word, gloss))
    return short


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--content", default=os.path.join(ROOT, "content"))
    args = parser.parse_args()
    for line in select(args.content):
        print(line)


if __name__ == "__main__":
    main()
