#!/usr/bin/env python3
"""Makes the converter's page as one self-contained HTML file.

    build_page.py --page DIR --glue JS --wasm WASM --zip-library JS --output HTML
                  --enum HEADER:NAME... --example FILE [--notice "WHAT=LICENCE_FILE"]...

Fills DIR/index.html with the style, the page's script (the PAGE_SCRIPTS of
DIR, in order, in one function), the worker's source (the zip library,
emscripten's glue and DIR/worker.js), the WebAssembly and the example file in
base64. Page and worker both begin with PROTOCOL: each C++ enum named by
--enum (the binding's records, the core's kinds of finding, ...), read from
its header, as an object of its names (kFooBar as fooBar) and values, so that
the two sides declare them once. The build fails where FINDING_WORDS of
words.js does not word every kind of finding, or words one that is none. The Content-Security-Policy allows the one style and the one script by
their hashes, WebAssembly, and workers made from the page's own blobs; nothing
else, and no request of any kind. The licences of the page and of what it
includes (each --notice) stand in a comment at its top.
"""

import argparse
import base64
import hashlib
import os
import re
import sys

# The page's scripts, in the order they are joined.
PAGE_SCRIPTS = ("words.js", "preview.js", "main.js", "work.js", "files.js", "cards.js", "map.js",
                "start.js")


def read(path):
    with open(path, encoding="utf-8") as file:
        return file.read()


def inline(text, what):
    """Text that can stand inside a <script> or <style> element as it is."""
    lowered = text.lower()
    for sequence in ("</script", "<!--", "</style"):
        if sequence in lowered:
            sys.exit(f"build_page.py: {what} holds {sequence!r}, which would end its element")
    return text


def source_hash(text):
    digest = hashlib.sha256(text.encode("utf-8")).digest()
    return "'sha256-" + base64.b64encode(digest).decode("ascii") + "'"


def notices(parts):
    """An HTML comment of the licences, none of whose text can end it."""
    texts = []
    for part in parts:
        what, path = part.split("=", 1)
        texts.append(f"{what}:\n\n{read(path).strip()}")
    if not texts:
        return ""
    return "<!--\n" + "\n\n".join(texts).replace("--", "- -") + "\n-->\n"


def enum_values(path, name):
    """The enumerators of `enum class NAME` in the C++ file, with their values."""
    found = re.search(r"enum class " + name + r"\b[^{]*\{(.*?)\};", read(path), re.S)
    if not found:
        sys.exit(f"build_page.py: no enum class {name} in {path}")
    values, value = {}, -1
    body = " ".join(line.split("//")[0] for line in found.group(1).split("\n"))
    for item in filter(None, (part.strip() for part in body.split(","))):
        named = re.fullmatch(r"k(\w+)\s*(?:=\s*(\d+))?", item)
        if not named:
            sys.exit(f"build_page.py: {name} in {path}: cannot read {item!r}")
        value = int(named.group(2)) if named.group(2) else value + 1
        if named.group(1) != "Count":
            values[named.group(1)[0].lower() + named.group(1)[1:]] = value
    return values


def read_enums(enums):
    """Each enum named as HEADER:NAME, read from its header: {NAME: values}."""
    read = {}
    for named in enums:
        path, name = named.rsplit(":", 1)
        read[name] = enum_values(path, name)
    return read


def protocol(enums):
    """The enums read by read_enums as one frozen JavaScript object."""
    parts = []
    for name, values in enums.items():
        listed = ", ".join(f"{key}: {value}" for key, value in values.items())
        parts.append(f"{name}: Object.freeze({{{listed}}})")
    return "const PROTOCOL = Object.freeze({" + ", ".join(parts) + "});\n"


def check_finding_words(words, kinds):
    """Every kind of finding worded once in FINDING_WORDS, and no other."""
    block = re.search(r"const FINDING_WORDS = \{\n(.*?)\n\};", words, re.S)
    if not block:
        sys.exit("build_page.py: words.js holds no FINDING_WORDS")
    worded = re.findall(r"^  (\w+):", block.group(1), re.M)
    missing = sorted(set(kinds) - set(worded))
    extra = sorted(set(worded) - set(kinds))
    if missing or extra or len(worded) != len(set(worded)):
        sys.exit(f"build_page.py: FINDING_WORDS misses {missing}, has no such kinds as {extra}")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--page", "--glue", "--wasm", "--zip-library", "--output"):
        parser.add_argument(option, required=True)
    parser.add_argument("--notice", action="append", default=[])
    parser.add_argument("--enum", action="append", default=[])
    parser.add_argument("--example", required=True)
    args = parser.parse_args()

    enums = read_enums(args.enum)
    shared = protocol(enums)
    check_finding_words(read(f"{args.page}/words.js"), enums["FindingKind"])
    style = inline(read(f"{args.page}/style.css"), "style.css")
    scripts = "\n".join(read(f"{args.page}/{name}") for name in PAGE_SCRIPTS)
    script = inline(f"(() => {{\n'use strict';\n{shared}{scripts}}})();\n", "the page's script")
    worker = inline(
        "\n".join(
            [read(args.zip_library), read(args.glue), shared, read(f"{args.page}/worker.js")]
        ),
        "the worker's source",
    )
    with open(args.example, "rb") as file:
        example = base64.b64encode(file.read()).decode("ascii")
    with open(args.wasm, "rb") as file:
        wasm = base64.b64encode(file.read()).decode("ascii")
    policy = "; ".join(
        [
            "default-src 'none'",
            f"script-src {source_hash(script)} 'wasm-unsafe-eval'",
            f"style-src {source_hash(style)}",
            "worker-src blob:",
            "base-uri 'none'",
            "form-action 'none'",
        ]
    )
    page = read(f"{args.page}/index.html")
    doctype = "<!DOCTYPE html>\n"
    if not page.startswith(doctype):
        sys.exit("build_page.py: index.html must begin with " + doctype.strip())
    page = doctype + notices(args.notice) + page[len(doctype):]
    for name, value in (
        ("POLICY", policy),
        ("STYLE", style),
        ("SCRIPT", script),
        ("WORKER", worker),
        ("WASM", wasm),
        ("EXAMPLE", example),
        ("EXAMPLE_NAME", os.path.basename(args.example)),
    ):
        marker = "{{" + name + "}}"
        if page.count(marker) != 1:
            sys.exit(f"build_page.py: index.html must hold {marker} once")
        page = page.replace(marker, value)
    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    with open(args.output, "w", encoding="utf-8", newline="\n") as file:
        file.write(page)
    print(f"{args.output}: {len(page.encode('utf-8')) / 1024:.0f} KB")


if __name__ == "__main__":
    main()
