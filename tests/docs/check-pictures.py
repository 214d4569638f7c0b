#!/usr/bin/env python3
"""The learner's pages show what is there, at its own size.

check-pictures.py ROOT
- every picture of resources/help.htm is one the build puts beside it (help-NAME.png from
  docs/screenshot-NAME.png, NAME in LESNOR_HELP_PICTURES of resources/CMakeLists.txt),
  with width and height attributes equal to the picture's own (a picture shown at
  another size is blurred);
- every picture and relative link of README.md and docs/*.md names a file of the tree.
Prints one line per fault; exit status 1 when there is one.
"""
import re
import struct
import sys
from pathlib import Path


def png_size(path):
    head = path.read_bytes()[:24]
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


def attribute(tag, name):
    value = re.search(rf'{name}="(\d+)"', tag)
    return int(value.group(1)) if value else None


def help_faults(root):
    cmake = (root / "resources/CMakeLists.txt").read_text(encoding="utf-8")
    listed = re.search(r"set\(LESNOR_HELP_PICTURES ([^)]*?) CACHE", cmake)
    listed = set(listed.group(1).split()) if listed else set()
    page = (root / "resources/help.htm").read_text(encoding="utf-8")
    for tag in re.findall(r"<img\b[^>]*>", page):
        src = re.search(r'src="([^"]*)"', tag)
        name = re.fullmatch(r"help-([a-z-]+)\.png", src.group(1) if src else "")
        if not name:
            yield f"help.htm: {tag} is not a help-NAME.png"
            continue
        name = name.group(1)
        picture = root / "docs" / f"screenshot-{name}.png"
        if name not in listed:
            yield f"help.htm: help-{name}.png is not in LESNOR_HELP_PICTURES"
        if not picture.is_file():
            yield f"help.htm: help-{name}.png has no docs/screenshot-{name}.png"
            continue
        shown = tuple(attribute(tag, a) for a in ("width", "height"))
        if shown != png_size(picture):
            yield f"help.htm: help-{name}.png is shown at {shown}, its size is {png_size(picture)}"


def link_faults(root):
    for page in [root / "README.md", *sorted((root / "docs").glob("*.md"))]:
        text = re.sub(r"```.*?```", "", page.read_text(encoding="utf-8"), flags=re.S)
        for target in re.findall(r"\]\(([^)\s]+)\)", text):
            if re.match(r"[a-z]+:|#", target):
                continue
            if not (page.parent / target.split("#")[0]).exists():
                yield f"{page.relative_to(root)}: {target} does not exist"


def main():
    root = Path(sys.argv[1])
    faults = [*help_faults(root), *link_faults(root)]
    for fault in faults:
        print(fault)
    if not faults:
        print("every picture and link of the help page, README.md and docs/ is there, at its size")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
