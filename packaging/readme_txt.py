#!/usr/bin/env python3
"""Writes the user's part of README.md as plain text with CR LF line ends, the
README.txt of the Windows zip.

    readme_txt.py README.md README.txt

The user's part is everything before the first heading about the project's
own layout or build, less the blocks that speak of building or of the
project's scripts. Headings become underlined lines, code blocks are indented,
and the Markdown marks (backticks, bold, images) are dropped.
"""
import re
import sys

# The first of these headings ends the user's part.
DEVELOPER_HEADINGS = ("Layout", "Building and testing by hand")


def blocks(lines):
    """The README as blocks: fenced code, or runs of lines between blank lines."""
    block, fenced = [], False
    for line in lines:
        if line.startswith("```"):
            block.append(line)
            if fenced:
                yield block
                block = []
            fenced = not fenced
        elif fenced or line.strip():
            block.append(line)
        elif block:
            yield block
            block = []
    if block:
        yield block


def for_developers(text):
    text = re.sub(r"\s*\(`scripts/[^)]*\)", "", text)
    return "scripts/" in text or "cmake --" in text


def plain(block):
    if block[0].startswith("```"):
        return ["    " + line if line else "" for line in block[1:-1]]
    out = []
    for line in block:
        heading = re.match(r"(#+) (.*)", line)
        if heading:
            title = heading.group(2).replace("`", "")
            out += [title, ("=" if len(heading.group(1)) == 1 else "-") * len(title)]
            continue
        line = re.sub(r"\s*\(`scripts/[^)]*\)", "", line)
        line = line.replace("**", "").replace("`", "")
        out.append(line)
    return out


def main(source, target):
    with open(source, encoding="utf-8") as f:
        lines = f.read().splitlines()
    paragraphs = []
    for block in blocks(lines):
        heading = re.match(r"#+ (.*)", block[0])
        if heading and heading.group(1) in DEVELOPER_HEADINGS:
            break
        if block[0].startswith("![") or for_developers("\n".join(block)):
            continue
        paragraphs.append("\r\n".join(plain(block)))
    with open(target, "w", encoding="utf-8", newline="") as f:
        f.write("\r\n\r\n".join(paragraphs) + "\r\n")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: readme_txt.py README.md README.txt")
    main(sys.argv[1], sys.argv[2])
