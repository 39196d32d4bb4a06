#!/usr/bin/env python3
"""Makes the converter's page as one self-contained HTML file.

    build_page.py --page DIR --glue JS --wasm WASM --zip-library JS --output HTML
                  [--notice "WHAT=LICENCE_FILE"]...

Fills DIR/index.html with the style, the page's script, the worker's source
(the zip library, emscripten's glue and DIR/worker.js) and the WebAssembly in
base64. The Content-Security-Policy allows the one style and the one script by
their hashes, WebAssembly, and workers made from the page's own blobs; nothing
else, and no request of any kind. The licences of the page and of what it
includes (each --notice) stand in a comment at its top.
"""

import argparse
import base64
import hashlib
import os
import sys


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


def main():
    parser = argparse.ArgumentParser()
    for option in ("--page", "--glue", "--wasm", "--zip-library", "--output"):
        parser.add_argument(option, required=True)
    parser.add_argument("--notice", action="append", default=[])
    args = parser.parse_args()

    style = inline(read(f"{args.page}/style.css"), "style.css")
    script = inline(read(f"{args.page}/main.js"), "main.js")
    worker = inline(
        "\n".join(
            [read(args.zip_library), read(args.glue), read(f"{args.page}/worker.js")]
        ),
        "the worker's source",
    )
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
