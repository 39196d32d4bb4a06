#!/usr/bin/env python3
"""Writes the licence notices of what a release includes from others, as
plain text with CR LF line ends, for the Windows zip:

    notices.py OUTPUT "WHAT=LICENCE_FILE"...

Each WHAT (such as "expat 2.5.0, in the programs and the page") is followed
by the text of its LICENCE_FILE.
"""
import sys


def main(argv):
    if len(argv) < 3 or any("=" not in part for part in argv[2:]):
        sys.exit(__doc__)
    parts = ["This release includes the work of others, under these licences.", ""]
    for part in argv[2:]:
        what, path = part.split("=", 1)
        with open(path, encoding="utf-8") as licence:
            parts += [what, "-" * len(what), "", licence.read().strip(), ""]
    with open(argv[1], "w", encoding="utf-8", newline="\r\n") as out:
        out.write("\n".join(parts))


if __name__ == "__main__":
    main(sys.argv)
