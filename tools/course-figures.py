#!/usr/bin/env python3
"""Measures the course: how its level climbs, how its word lists teach and recycle, its spelling.

    tools/course-figures.py [--content DIR] [--wordlist FILE] [--glosses] [--spelling]

Prints, per ten lessons of each book, the mean words per sentence and the share of running
words outside the 2,000 most frequent words of the graded word list (names, capitalised
words inside a sentence, are left out; a word the list does not know counts as outside);
then per book the dialogue lessons, the word-list sizes, the words listed more than once in
the course, the listed words (distinct dictionary forms, cumulative), and the recycling
share: of each lesson's listed words, how many come back in one of the next ten lessons'
texts (course order), as the mean over the book's lessons and the number of lessons under
60 %. Last, the spellings of US English found in the texts.

--glosses lists every listed word with its gloss and the first sentence of its lesson that
holds it, for a reader to check the gloss against the meaning the text uses.
--spelling prints only the US spellings found (exit status 1 when there is one).

Only a measuring tool: the build and the tests do not run it.
"""

import argparse
import os
import re
import runpy
import sys
import types

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The word rules of tools/select-new-words.py, shared rather than copied.
select_words = types.SimpleNamespace(**runpy.run_path(os.path.join(ROOT, "tools", "select-new-words.py")))

FREQUENT = 2000
RECYCLE_WINDOW = 10
RECYCLE_SHARE = 0.6

# US spellings and the British ones the course uses. Whole words, case ignored; a word's
# simply inflected forms ("colors", "realized") are found too.
US_SPELLINGS = {
    "color": "colour", "favorite": "favourite", "favor": "favour", "honor": "honour", "neighbor": "neighbour",
    "neighborhood": "neighbourhood", "flavor": "flavour", "humor": "humour", "labor": "labour",
    "behavior": "behaviour", "harbor": "harbour", "rumor": "rumour", "odor": "odour", "vapor": "vapour",
    "center": "centre", "theater": "theatre", "meter": "metre", "liter": "litre", "fiber": "fibre",
    "realize": "realise", "organize": "organise", "recognize": "recognise", "apologize": "apologise",
    "criticize": "criticise", "memorize": "memorise", "emphasize": "emphasise", "summarize": "summarise",
    "specialize": "specialise", "sympathize": "sympathise", "symbolize": "symbolise", "analyze": "analyse",
    "paralyze": "paralyse", "organization": "organisation", "realization": "realisation",
    "traveler": "traveller", "traveled": "travelled", "traveling": "travelling", "canceled": "cancelled",
    "canceling": "cancelling", "jewelry": "jewellery", "gray": "grey", "tire": "tyre", "pajamas": "pyjamas",
    "catalog": "catalogue", "dialog": "dialogue", "program": "programme", "check": "cheque",
    "defense": "defence", "offense": "offence", "license": "licence", "practice": "practise",
    "mom": "mum", "elevator": "lift", "apartment": "flat", "hood": "bonnet", "trunk": "boot",
    "sidewalk": "pavement", "gasoline": "petrol", "vacation": "holiday", "cookie": "biscuit",
    "candy": "sweets", "fall": "autumn", "soccer": "football", "truck": "lorry", "subway": "underground",
    "mail": "post", "mailman": "postman", "zip": "postcode", "eraser": "rubber", "faucet": "tap",
    "diaper": "nappy", "gotten": "got", "airplane": "aeroplane", "aluminum": "aluminium",
    "mustache": "moustache", "plow": "plough", "skeptical": "sceptical", "cozy": "cosy", "math": "maths",
    "store": "shop", "movie": "film", "railroad": "railway", "freeway": "motorway", "line": "queue",
    "fertilizer": "fertiliser",
}
# Words of this list that are also ordinary British English in most uses: listed for a
# reader to check, not counted as spelling faults.
US_USAGE_TO_CHECK = {"check", "program", "practice", "tire", "hood", "trunk", "mail", "fall", "zip", "line",
                     "store", "movie", "candy", "license"}


def read_lessons(content):
    """[(book, lesson, [(english, chinese, speaker)])] in course order."""
    lessons = []
    for book, count in select_words.BOOK_LESSONS.items():
        for lesson in range(1, count + 1):
            path = os.path.join(content, "sentences", "book%d" % book, "lesson%d.tsv" % lesson)
            if not os.path.exists(path):
                continue
            with open(path, encoding="utf-8") as f:
                rows = [line.split("\t") for line in f.read().splitlines() if line and not line.startswith("#")]
            lessons.append((book, lesson, [(r[0], r[1], r[2] if len(r) > 2 else "") for r in rows]))
    return lessons


def read_ranks(path):
    ranks = {}
    with open(path, encoding="utf-8") as f:
        next(f)
        for line in f:
            cols = line.rstrip("\n").split("\t")
            if len(cols) == 6 and cols[4]:
                ranks.setdefault(cols[1].lower(), int(cols[4]))
    return ranks


def running_words(english):
    """The sentence's words without names: a capitalised word not first in the sentence is a name,
    and so is a first word the rest of the course never writes in lower case (see is_name)."""
    return re.findall(r"[A-Za-z]+(?:'[a-z]+)?", english)


def outside_frequent(token, ranks, lower_words):
    word = token.lower().split("'")[0]
    if token[0].isupper() and word not in lower_words:
        return None  # a name
    if word in ("i",):
        return False
    base = select_words.base_form(word, ranks)
    return base is None or ranks[base] > FREQUENT


def curve(lessons, ranks):
    lower_words = set()
    for _b, _l, rows in lessons:
        for e, _c, _s in rows:
            lower_words.update(t for t in re.findall(r"[a-z]+", e))
    out = []
    for book in select_words.BOOK_LESSONS:
        for first in range(1, select_words.BOOK_LESSONS[book] + 1, 10):
            group = [rows for b, l, rows in lessons if b == book and first <= l < first + 10]
            sentences = [e for rows in group for e, _c, _s in rows]
            if not sentences:
                continue
            words = sum(len(e.split()) for e in sentences)
            flags = [outside_frequent(t, ranks, lower_words) for e in sentences for t in running_words(e)]
            flags = [f for f in flags if f is not None]
            out.append((book, first, min(first + 9, select_words.BOOK_LESSONS[book]), words / len(sentences),
                        sum(flags) / max(1, len(flags))))
    return out


def word_lists(content):
    """{(book, lesson): [(word, gloss)]}."""
    lists = {}
    for book in select_words.BOOK_LESSONS:
        for lesson, words in select_words.read_entries(os.path.join(content, "words", "book%d.tsv" % book)).items():
            lists[(book, lesson)] = words
    return lists


def listed_twice(lessons, lists):
    seen, twice = {}, []
    for book, lesson, _rows in lessons:
        for word, _gloss in lists.get((book, lesson), []):
            key = word.lower()
            if key in seen:
                twice.append((word, seen[key], (book, lesson)))
            else:
                seen[key] = (book, lesson)
    return twice


def listed_late(lessons, lists):
    """[(word, book, lesson)]: listed words an earlier lesson's text already holds."""
    earlier, late = select_words.Text(), []
    for book, lesson, rows in lessons:
        late += [(w, book, lesson) for w, _g in lists.get((book, lesson), []) if earlier.has(w)]
        for e, _c, _s in rows:
            earlier.add(e)
    return late


def recycling(lessons, lists):
    """{book: [(lesson, share)]}: the share of a lesson's listed words found in the next ten lessons."""
    texts = []
    for _b, _l, rows in lessons:
        t = select_words.Text()
        for e, _c, _s in rows:
            t.add(e)
        texts.append(t)
    shares = {}
    for i, (book, lesson, _rows) in enumerate(lessons):
        words = lists.get((book, lesson), [])
        following = texts[i + 1:i + 1 + RECYCLE_WINDOW]
        if not words or len(following) < RECYCLE_WINDOW:
            continue
        back = sum(1 for w, _g in words if any(t.has(w) for t in following))
        shares.setdefault(book, []).append((lesson, back / len(words)))
    return shares


def us_spellings(lessons):
    found = []
    for book, lesson, rows in lessons:
        for e, _c, _s in rows:
            tokens = set(re.findall(r"[a-z]+", e.lower()))
            for us in US_SPELLINGS:
                if us in US_USAGE_TO_CHECK:
                    continue
                british = select_words.forms(US_SPELLINGS[us])
                if any(f in tokens and f not in british for f in select_words.forms(us) if "'" not in f):
                    found.append((book, lesson, us, US_SPELLINGS[us], e))
    return found


def gloss_review(lessons, lists):
    for book, lesson, rows in lessons:
        for word, gloss in lists.get((book, lesson), []):
            own = next((e for e, _c, _s in rows if select_words.Text.has(_text_of(e), word)), "")
            print("%d\t%d\t%s\t%s\t%s" % (book, lesson, word, gloss, own))


def _text_of(english):
    t = select_words.Text()
    t.add(english)
    return t


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--content", default=os.path.join(ROOT, "content"))
    parser.add_argument("--wordlist", default=select_words.dictionary_file("graded-wordlist.tsv"))
    parser.add_argument("--glosses", action="store_true")
    parser.add_argument("--spelling", action="store_true")
    args = parser.parse_args()
    lessons = read_lessons(args.content)
    lists = word_lists(args.content)
    if args.glosses:
        gloss_review(lessons, lists)
        return
    spelling = us_spellings(lessons)
    if args.spelling:
        for book, lesson, us, gb, e in spelling:
            print("book %d lesson %d: %s (%s): %s" % (book, lesson, us, gb, e))
        sys.exit(1 if spelling else 0)

    print("level: book lessons  words/sentence  outside the %d most frequent" % FREQUENT)
    for book, first, last, wps, rare in curve(lessons, read_ranks(args.wordlist)):
        print("  %d %2d-%-2d  %5.1f  %4.1f %%" % (book, first, last, wps, 100 * rare))
    twice = listed_twice(lessons, lists)
    shares = recycling(lessons, lists)
    taught = set()
    print("word lists: book  dialogues  lists <8 / >16 (lesson 6 on)  listed words (course total)"
          "  recycled (mean, lessons under %d %%)" % (100 * RECYCLE_SHARE))
    for book in select_words.BOOK_LESSONS:
        own = [(l, rows) for b, l, rows in lessons if b == book]
        dialogues = sum(1 for _l, rows in own if rows and rows[0][2])
        sizes = [len(lists.get((book, l), [])) for l, _rows in own if l >= select_words.FIRST_SELECTED_LESSON]
        taught |= {w.lower() for (b, _l), words in lists.items() if b == book for w, _g in words}
        s = [v for _l, v in shares.get(book, [])]
        print("  %d  %3d of %-3d  %2d / %-2d  %5d (%d)  %4.0f %%, %d of %d" % (
            book, dialogues, len(own), sum(1 for n in sizes if n < 8), sum(1 for n in sizes if n > 16),
            sum(len(lists.get((book, l), [])) for l, _r in own), len(taught),
            100 * sum(s) / max(1, len(s)), sum(1 for v in s if v < RECYCLE_SHARE), len(s)))
    print("listed more than once: %d" % len(twice))
    for word, first, again in twice:
        print("  %s: book %d lesson %d, again book %d lesson %d" % ((word,) + first + again))
    late = listed_late(lessons, lists)
    print("listed though an earlier text holds them: %d" % len(late))
    for word, book, lesson in late:
        print("  book %d lesson %d: %s" % (book, lesson, word))
    print("US spellings: %d" % len(spelling))
    for book, lesson, us, gb, e in spelling:
        print("  book %d lesson %d: %s (%s): %s" % (book, lesson, us, gb, e))


if __name__ == "__main__":
    main()
