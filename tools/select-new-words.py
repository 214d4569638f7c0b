#!/usr/bin/env python3
"""Writes each lesson's new words into content/words/book<B>.tsv.

    tools/select-new-words.py [--content DIR]

Walks the course in order (book 1 lesson 1 to book 4 lesson 48). A lesson's new words
are words of its text that no earlier lesson's text holds. They are taken from the
writers' candidates, content/newwords/book<B>.tsv ("<lesson><TAB><word><TAB><gloss>", in
order of preference): the first 16 candidates that occur in the lesson and in no earlier
lesson. Lessons 1 to 5 of book 1 keep their hand-made lists as they are (the course's
first words: lesson 4 has none). A lesson left with fewer than 8 words is filled up to 10 from the new words of its text that the graded word list
(content/dictionary/graded-wordlist.tsv) knows, the rarest first, with that list's
gloss: check those glosses by eye. A lesson without a text keeps the words the file has
for it.

A candidate written in an inflected form ("pens", "cooked") becomes its dictionary
headword ("pen", "cook") when the dictionary (content/dictionary/dict-en-zh.gbk.txt)
has no entry of its own for the form, so that a word met earlier in another form is not
new again; a few words used in the plural keep it (PLURAL_WORDS).

"Occurs" means the word or a simply inflected form of it (-s, -es, -ed, -d, -ing, a
final y turned into -ies/-ied, a final e dropped before -ing, a doubled last letter)
stands in the text as a whole word, case ignored: the same rule the pack's tests apply.

The word files are committed; the build only reads them. The lessons whose list came
out shorter than 8 words (their texts hold no more new words) are written to
content/short-word-lists.txt, which the pack's tests read, and printed.
"""

import argparse
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BOOK_LESSONS = {1: 72, 2: 96, 3: 60, 4: 48}
FIRST_SELECTED_LESSON = 6
MIN_WORDS, MAX_WORDS, FILLED_WORDS = 8, 16, 10

# Words whose plural is the word a learner meets.
PLURAL_WORDS = {"glasses", "lots", "stairs", "shorts", "trousers", "jeans", "pyjamas", "scissors", "sunglasses",
                "headphones", "shears", "goggles", "goods", "remains", "belongings", "surroundings", "outskirts", "savings",
                "draughts", "crisps"}

# Glosses for words a lesson is filled up with, where the graded list's first sense does
# not fit the text.
FILLED_GLOSSES = {
    "plug": "v.插上(插头)", "check": "v.查看，核对", "hope": "v.希望", "view": "n.景色，风景",
    "notice": "n.告示，启事", "spoil": "v.扫(兴)，破坏", "set": "v.调(时间)，设定", "accident": "n.事故",
    "crack": "v.(使)破裂",
}
# Words a lesson is filled up with in the form its text uses, where that form is a word of
# its own.
FILLED_FORMS = {"advance": ("advanced", "a.高级的")}

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


def dictionary_file(name):
    """A file of the project's dictionary folder, content/dictionary/."""
    return os.path.join(ROOT, "content", "dictionary", name)


def read_headwords(path, wordlist):
    """The dictionary's headwords, lower case, with their corpus rank (10**9 when unknown)."""
    with open(path, encoding="gbk", errors="replace") as f:
        words = {m.group(1).lower() for m in re.finditer(r"^\$([^\[\n]+)\[", f.read(), re.M)}
    return {w: wordlist[w][0] if w in wordlist else 10**9 for w in words}


def headword(word, gloss, headwords):
    """The dictionary headword and gloss a candidate stands for: itself, or the stem of an
    inflected form (a plural, or a verb form glossed as a verb) with the gloss's note on
    the form dropped. An -ed or -ing form glossed as another part of speech ("relaxing
    a.令人放松的") is a word of its own."""
    w = word.lower()
    if w in headwords or w in PLURAL_WORDS or not re.fullmatch(r"[a-z]+", w):
        return word, gloss
    pos = POS.match(gloss)
    if re.search(r"(ed|ing)$", w) and not (pos and pos.group(1) in ("v", "vt", "vi")):
        return word, gloss
    base = base_form(w, headwords)
    if not base:
        return word, gloss
    return base, re.sub(r"[（(](过去式|过去分词|现在分词|复数|第三人称单数)[)）]", "", gloss)


def read_wordlist(path):
    """{word: (rank, gloss)} for the plain lower-case words of the graded list."""
    words = {}
    with open(path, encoding="utf-8") as f:
        next(f)
        for line in f:
            cols = line.rstrip("\n").split("\t")
            if len(cols) != 6 or not re.fullmatch(r"[a-z]{3,}", cols[1]) or not POS.match(cols[3]):
                continue
            words.setdefault(cols[1], (int(cols[4]) if cols[4] else 10**9, cols[3]))
    return words


def stems(token):
    """The words a text token may be a simply inflected form of, the token first."""
    result = [token]
    for ending, replacement in (("ies", "y"), ("ied", "y"), ("es", ""), ("s", ""), ("ed", ""), ("ed", "e"),
                                ("ing", ""), ("ing", "e")):
        if token.endswith(ending) and len(token) > len(ending) + 2:
            stem = token[: -len(ending)] + replacement
            result.append(stem)
            if replacement == "" and len(stem) > 2 and stem[-1] == stem[-2]:
                result.append(stem[:-1])
    return result


def base_form(token, known):
    """The token when it is a known word, else its most frequent known stem, else None.
    known maps words to their corpus rank."""
    if token in known:
        return token
    found = [stem for stem in stems(token)[1:] if stem in known]
    return min(found, key=lambda stem: known[stem]) if found else None


def fill_from_text(sentences, own, earlier, picked, wordlist):
    """Adds the text's new words that the graded list knows, rarest first, up to FILLED_WORDS.
    Capitalised words are left out (names; a sentence's first word comes back elsewhere)."""
    taken = {w.lower() for w, _ in picked}
    ranks = {word: rank for word, (rank, _gloss) in wordlist.items()}
    found = set()
    for sentence in sentences:
        for token in re.findall(r"[A-Za-z]+", sentence):
            if token[0].isupper() or token.lower() in taken:
                continue
            word = base_form(token, ranks)
            if word and word not in taken and own.has(word) and not earlier.has(word):
                found.add(word)
    for word in sorted(found, key=lambda w: -ranks[w]):
        if len(picked) >= FILLED_WORDS:
            break
        word, gloss = FILLED_FORMS.get(word, (word, FILLED_GLOSSES.get(word, wordlist[word][1])))
        picked.append((word, normal_gloss(gloss)))


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


def select(content, wordlist, headwords):
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
            if (book == 1 and lesson < FIRST_SELECTED_LESSON) or lesson not in candidates:
                chosen[lesson] = current.get(lesson, [])
                for s in sentences:
                    earlier.add(s)
                continue
            offered = candidates[lesson]
            picked, seen = [], set()
            for word, gloss in offered:
                word, gloss = headword(word, gloss, headwords)
                if word.lower() in seen or not own.has(word) or earlier.has(word):
                    continue
                seen.add(word.lower())
                picked.append((word, normal_gloss(gloss)))
                if len(picked) == MAX_WORDS:
                    break
            if len(picked) < MIN_WORDS:
                fill_from_text(sentences, own, earlier, picked, wordlist)
            chosen[lesson] = picked
            if len(picked) < MIN_WORDS:
                short.append((book, lesson, len(picked)))
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
    parser.add_argument("--wordlist", default=dictionary_file("graded-wordlist.tsv"))
    parser.add_argument("--dictionary", default=dictionary_file("dict-en-zh.gbk.txt"))
    args = parser.parse_args()
    wordlist = read_wordlist(args.wordlist)
    short = select(args.content, wordlist, read_headwords(args.dictionary, wordlist))
    with open(os.path.join(args.content, "short-word-lists.txt"), "w", encoding="utf-8") as f:
        f.write("# Lessons whose texts hold fewer than 8 new words: book, lesson, words listed.\n")
        f.write("# Written by tools/select-new-words.py.\n")
        for book, lesson, count in short:
            f.write("%d %d\t%d\n" % (book, lesson, count))
            print("book %d lesson %d: %d new words" % (book, lesson, count))


if __name__ == "__main__":
    main()
