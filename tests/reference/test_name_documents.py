#!/usr/bin/env python3
"""Checks the reference reading of MIDNAM and REAPER files (name_documents.py
beside it) against small documents worked out by hand from the rules of the
two readings, so that the oracle of scripts/midnam-corpus is itself right.
Run: python3 -m unittest discover -s tests/reference"""

import contextlib
import io
import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import name_documents  # noqa: E402
from name_documents import NameDocumentError  # noqa: E402


def patch_map(device, *patches):
    """Whole expected file; patches are (bank, program, name), bank as b"MSB.LSB"."""
    lines = [b'<patchmap version="1.0" device="%s">' % device]
    lines += [b'<patch family="%d" bank="%s" preset="%d" name="%s" />' % (p // 8, b, p, n)
              for b, p, n in patches]
    lines.append(b"</patchmap>")
    return b"".join(line + b"\r\n" for line in lines)


# ---------------------------------------------------------------- MIDNAM documents

def document(*devices, doctype=""):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n%s<MIDINameDocument>%s</MIDINameDocument>'
            % (doctype, "".join(devices))).encode("utf-8")


def device(*name_sets, maker="Acme", models=("Nova",), extra=""):
    return ("<MasterDeviceNames><Manufacturer>%s</Manufacturer>%s%s%s</MasterDeviceNames>"
            % (maker, "".join("<Model>%s</Model>" % m for m in models), "".join(name_sets), extra))


def name_set(*banks, name="Set"):
    return '<ChannelNameSet Name="%s">%s</ChannelNameSet>' % (name, "".join(banks))


def bank(*patches, commands=None, uses=None, list_name=None):
    """A bank with its commands and an inline list of the patches, or a
    UsesPatchNameList of `uses` (then patches go nowhere)."""
    body = "" if commands is None else "<MIDICommands>%s</MIDICommands>" % "".join(commands)
    if uses is not None:
        body += '<UsesPatchNameList Name="%s"/>' % uses
    if patches or uses is None:
        body += patch_list(*patches, name=list_name)
    return '<PatchBank Name="B">%s</PatchBank>' % body


def patch_list(*patches, name=None):
    named = "" if name is None else ' Name="%s"' % name
    return "<PatchNameList%s>%s</PatchNameList>" % (named, "".join(patches))


def patch(name, program=None, commands=None, number="1"):
    """A Patch; program None leaves out the ProgramChange attribute."""
    attributes = ' Number="%s" Name="%s"' % (number, name) if name is not None else ' Number="%s"' % number
    if program is not None:
        attributes += ' ProgramChange="%s"' % program
    if commands is None:
        return "<Patch%s/>" % attributes
    return "<Patch%s><PatchMIDICommands>%s</PatchMIDICommands></Patch>" % (attributes, "".join(commands))


def cc(control, value):
    return '<ControlChange Channel="1" Control="%s" Value="%s"/>' % (control, value)


def pc(number):
    return '<ProgramChange Channel="1" Number="%s"/>' % number


SYSEX = "<SysEx>F0 41 10 F7</SysEx>"
ACME = b"Acme Nova"


def one(*banks):
    """A document of one instrument, Acme Nova, with these banks."""
    return document(device(name_set(*banks)))


def read(data):
    counts = name_documents.Counts()
    maps = name_documents.read_midnam(data, counts)
    return [(m.name, m.bytes()) for m in maps], counts


# Each: title, document, the instruments' (name, map), and counts that must hold.
MIDNAM_CASES = [
    # Bank select.
    ("control 0 and control 32 of the bank",
     one(bank(patch("A", 1), commands=[cc(0, 5), cc(32, 3)])),
     [("Acme Nova", patch_map(ACME, (b"5.3", 1, b"A")))], {}),
    ("control 32 alone: MSB 0", one(bank(patch("A", 1), commands=[cc(32, 3)])),
     [("Acme Nova", patch_map(ACME, (b"0.3", 1, b"A")))], {}),
    ("control 0 alone: LSB 0", one(bank(patch("A", 1), commands=[cc(0, 5)])),
     [("Acme Nova", patch_map(ACME, (b"5.0", 1, b"A")))], {}),
    ("no commands, other controls or empty commands: 0.0",
     one(bank(patch("A", 1)), bank(patch("B", 2), commands=[cc(7, 100)]),
         bank(patch("C", 3, commands=[]), commands=[])),
     [("Acme Nova", patch_map(ACME, (b"0.0", 1, b"A"), (b"0.0", 2, b"B"), (b"0.0", 3, b"C")))], {}),
    ("the last command of each control counts",
     one(bank(patch("A", 1), commands=[cc(0, 1), cc(32, 9), cc(0, 2), cc(32, 4)])),
     [("Acme Nova", patch_map(ACME, (b"2.4", 1, b"A")))], {}),
    ("controls and values are numbers: blanks and leading zeros; +0 is another control",
     one(bank(patch("A", 1), commands=[cc(" 00 ", " 007 "), cc("032", "10"), cc("+0", 99)])),
     [("Acme Nova", patch_map(ACME, (b"7.10", 1, b"A")))], {}),
    ("a patch's own commands override its bank's, each control on its own",
     one(bank(patch("Both", 1, [cc(0, 9), cc(32, 8)]), patch("Only 32", 2, [cc(32, 1)]),
              patch("Only 0", 3, [cc(0, 2)]), patch("Other control", 4, [cc(7, 1)]),
              patch("None", 5), commands=[cc(0, 5), cc(32, 3)])),
     [("Acme Nova", patch_map(ACME, (b"9.8", 1, b"Both"), (b"5.1", 2, b"Only 32"),
                              (b"2.3", 3, b"Only 0"), (b"5.3", 4, b"Other control"),
                              (b"5.3", 5, b"None")))], {}),
    ("a bank value that is no number or over 127 leaves the patch out",
     one(bank(patch("A", 1), patch("B", 2, [cc(0, 1)]), commands=[cc(0, 128)]),
         bank(patch("C", 1), commands=[cc(32, "x")]), bank(patch("D", 1), commands=[cc(32, "")]),
         bank(patch("E", 1), commands=[cc(32, "-1")]), bank(patch("F", 1, [cc(0, "0x10")]))),
     [("Acme Nova", patch_map(ACME, (b"1.0", 2, b"B")))], {"bank_value": 5}),
    ("a bank selected by program change: patches without a bank select of their own are left out",
     one(bank(patch("A", 1), patch("B", 2, [cc(0, 3)]), patch("C", 3, [pc(3)]),
              patch("D", 4, [cc(32, 1), pc(4)]), commands=[pc(5)])),
     [("Acme Nova", patch_map(ACME, (b"3.0", 2, b"B"), (b"0.1", 4, b"D")))],
     {"program_change_bank": 2, "program_change_banks": 1}),
    ("a bank selected by SysEx likewise, once for each bank",
     one(bank(patch("A", 1), patch("B", 2), commands=[SYSEX]),
         bank(patch("C", 1), commands=[cc(7, 1), SYSEX])),
     [("Acme Nova", patch_map(ACME))], {"program_change_bank": 3, "program_change_banks": 2}),
    ("a program change or SysEx beside a bank select is no such bank",
     one(bank(patch("A", 1), commands=[SYSEX, pc(1), cc(32, 2)])),
     [("Acme Nova", patch_map(ACME, (b"0.2", 1, b"A")))], {"program_change_bank": 0}),

    # Lists.
    ("UsesPatchNameList names a list defined after it, under ExtendingDeviceNames",
     document(device(name_set(bank(uses="Shared"))),
              "<ExtendingDeviceNames><Manufacturer>Acme</Manufacturer><Model>Nova</Model>"
              + name_set(bank(patch("Ext", 1))) + patch_list(patch("S", 2), name="Shared")
              + "</ExtendingDeviceNames>"),
     [("Acme Nova", patch_map(ACME, (b"0.0", 2, b"S")))], {}),
    ("a list inline in another bank serves; of two lists of one name the first counts",
     one(bank(patch("A", 1), commands=[cc(0, 1)], list_name="L"),
         bank(commands=[cc(0, 2)], uses="L"),
         bank(commands=[cc(0, 3)], uses="M", list_name="M"))
     .replace(b"</MIDINameDocument>", b"<ExtendingDeviceNames>" + patch_list(
         patch("Z", 9), name="L").encode() + patch_list(patch("M", 4), name="M").encode()
         + b"</ExtendingDeviceNames></MIDINameDocument>"),
     [("Acme Nova", patch_map(ACME, (b"1.0", 1, b"A"), (b"2.0", 1, b"A"), (b"3.0", 4, b"M")))],
     {}),
    ("a name no list has, in any case but its own, gives no patch; so does a bank without a list",
     one(bank(patch("A", 1), list_name="L"), bank(uses="l"), bank(uses="Nowhere"),
         '<PatchBank Name="Empty"/>'),
     [("Acme Nova", patch_map(ACME, (b"0.0", 1, b"A")))], {"banks": 4, "banks_without_list": 3}),
    ("an inline list wins over UsesPatchNameList",
     one(bank(patch("A", 1), list_name="L"), bank(patch("Inline", 2), uses="L",
                                                  commands=[cc(0, 1)])),
     [("Acme Nova", patch_map(ACME, (b"0.0", 1, b"A"), (b"1.0", 2, b"Inline")))], {}),

    # Programs.
    ("the ProgramChange attribute, else the last ProgramChange command; Number is a label",
     one(bank(patch("A", 3, number="99"), patch("B", None, [pc(4), pc(6)], number="1"),
              patch("C", " 010 ", [pc(1)]), patch("D", "127"))),
     [("Acme Nova", patch_map(ACME, (b"0.0", 3, b"A"), (b"0.0", 6, b"B"), (b"0.0", 10, b"C"),
                              (b"0.0", 127, b"D")))], {}),
    ("no program, or one over 127 or that is no number, leaves the patch out",
     one(bank(patch("Number only", None, number="5"), patch("Over", 128),
              patch("Attribute no number", "x", [pc(5)]), patch("Minus", "-1"),
              patch("Plus", "+5"), patch("Hex", "0x10"), patch("Empty", ""),
              patch("Command over", None, [pc(200)]), patch("Command no number", None, [pc("")]))),
     [("Acme Nova", patch_map(ACME))], {"program": 9}),

    # Names.
    ("empty and blank names are no patch and take no program",
     one(bank(patch("", 1), patch("   ", 1), patch(None, 1), patch("&#9;&#10;&#13;", 1),
              patch("Real", 1))),
     [("Acme Nova", patch_map(ACME, (b"0.0", 1, b"Real")))], {"duplicate": 0, "program": 0}),
    ("entities and character references are decoded; the writer escapes four characters",
     document(device(name_set(bank(patch("Rock &amp; Roll &lt;1&gt; &quot;x&quot; &apos;y&apos;", 1),
                                    patch("Caf&#233; &#x20AC; &co;", 2))), maker="&co;"),
              doctype='<!DOCTYPE MIDINameDocument [<!ENTITY co "Co &amp; Sons">]>\n'),
     [("Co & Sons Nova", patch_map(b"Co &amp; Sons Nova",
                                   (b"0.0", 1, b"Rock &amp; Roll &lt;1&gt; &quot;x&quot; 'y'"),
                                   (b"0.0", 2, b"Caf\xe9 \x80 Co &amp; Sons")))], {}),
    ("control characters become blanks and blanks are trimmed; a no-break space stays",
     one(bank(patch("&#9;A&#10;B&#13; ", 1), patch("&#160;C&#160;", 2), patch("  D\tE  ", 3))),
     [("Acme Nova", patch_map(ACME, (b"0.0", 1, b"A B"), (b"0.0", 2, b"\xa0C\xa0"),
                              (b"0.0", 3, b"D E")))], {}),
    ("a (bank, program) named twice over all banks: the first counts",
     one(bank(patch("First", 5), patch("Again", 5), commands=[cc(0, 1)]),
         bank(patch("Second", 5), commands=[cc(0, 1), cc(32, 0)]),
         bank(patch("Other bank", 5), commands=[cc(0, 2)]),
         bank(patch("Own", 5, [cc(0, 2)]))),
     [("Acme Nova", patch_map(ACME, (b"1.0", 5, b"First"), (b"2.0", 5, b"Other bank")))],
     {"duplicate": 3}),
    ("Windows-1252 by Windows' table; one ? for each other code point",
     one(bank(patch("&#x20AC;&#x201A;&#x17E;&#x178;&#x81;&#x8D;&#x8F;&#x90;&#x9D;&#xFF;", 1),
              patch("&#x80;&#x9F;&#x151;&#x1F3B9;e&#x301;&#xFB01;", 2))),
     [("Acme Nova", patch_map(ACME, (b"0.0", 1, b"\x80\x82\x9e\x9f\x81\x8d\x8f\x90\x9d\xff"),
                              (b"0.0", 2, b"????e??")))],
     {"characters_replaced": 6, "patches_with_replacement": 1}),
    ("a patch name is cut to 131 bytes after encoding, then escaped",
     one(bank(patch("&#xE9;" * 140, 1), patch("a" * 130 + "&amp;b", 2))),
     [("Acme Nova", patch_map(ACME, (b"0.0", 1, b"\xe9" * 131), (b"0.0", 2, b"a" * 130 + b"&amp;")))],
     {}),
    ("the device name is cut to 299 bytes",
     document(device(name_set(), maker="M" * 300)),
     [("M" * 300 + " Nova", patch_map(b"M" * 299))], {}),

    # Instruments.
    ("several name sets: ': ' and the set's name, trimmed; the first Model; each its banks",
     document(device(name_set(bank(patch("A", 1)), name=" One "), name_set(name="Two"),
                     maker=" Acme ", models=(" Nova ", "Other"))),
     [("Acme Nova: One", patch_map(b"Acme Nova: One", (b"0.0", 1, b"A"))),
      ("Acme Nova: Two", patch_map(b"Acme Nova: Two"))], {}),
    ("an empty manufacturer or model is left out of the name",
     document(device(name_set(), maker="  "), device(name_set(), models=("",)),
              device(name_set(), models=())),
     [("Nova", patch_map(b"Nova")), ("Acme", patch_map(b"Acme")), ("Acme", patch_map(b"Acme"))],
     {}),
    ("ExtendingDeviceNames and StandardDeviceMode add no instrument",
     document("<ExtendingDeviceNames><Manufacturer>Acme</Manufacturer><Model>Nova</Model>"
              + name_set(bank(patch("A", 1))) + "</ExtendingDeviceNames>"
              "<StandardDeviceMode Name='GM'>" + name_set(bank(patch("B", 1)))
              + "</StandardDeviceMode>"),
     [], {}),
    ("a DOCTYPE naming its DTD by URL is read without the DTD",
     document(device(name_set()), doctype='<!DOCTYPE MIDINameDocument PUBLIC "-//MIDI Manufacturers '
              'Association//DTD MIDINameDocument 1.0//EN" "http://192.0.2.1/MIDINameDocument10.dtd">\n'),
     [("Acme Nova", patch_map(ACME))], {}),
]


def billion_laughs():
    entities = '<!ENTITY a0 "lol">' + "".join(
        '<!ENTITY a%d "%s">' % (level, "&a%d;" % (level - 1) * 10) for level in range(1, 11))
    return document(device(name_set(), maker="&a10;"),
                    doctype="<!DOCTYPE MIDINameDocument [%s]>\n" % entities)


# Documents that are not read, each with words of the reason.
REFUSED_CASES = [
    ("not well-formed", one(bank(patch("A", 1))).replace(b"</PatchBank>", b""), "mismatched tag"),
    ("truncated", one(bank(patch("A", 1)))[:-30], "line 2"),
    ("an entity that is not declared, with an external DTD",
     document(device(name_set(), maker="&undeclared;"),
              doctype='<!DOCTYPE MIDINameDocument SYSTEM "MIDINameDocument10.dtd">\n'),
     "&undeclared"),
    ("an entity that is not declared, without a DTD",
     document(device(name_set(), maker="&undeclared;")), "undefined entity"),
    ("an external entity", document(device(name_set(), maker="&x;"),
                                    doctype='<!DOCTYPE MIDINameDocument [<!ENTITY x SYSTEM '
                                            '"file:///etc/passwd">]>\n'),
     "external entity"),
    ("an external parameter entity is not read, nor what the DTD declares after it",
     document(device(name_set(), maker="&co;"),
              doctype='<!DOCTYPE MIDINameDocument [<!ENTITY % p SYSTEM "file:///etc/passwd"> %p;'
                      '<!ENTITY co "Co">]>\n'),
     "&co"),
    ("the billion laughs", billion_laughs(), "amplification"),
    ("an encoding expat does not read itself",
     one(bank(patch("A", 1))).replace(b'encoding="UTF-8"', b'encoding="windows-1252"'),
     "windows-1252"),
]


class MidnamReadingTest(unittest.TestCase):
    def test_worked_documents(self):
        for title, data, expected, counts in MIDNAM_CASES:
            with self.subTest(title):
                maps, got = read(data)
                self.assertEqual(maps, expected)
                for field, value in counts.items():
                    self.assertEqual(getattr(got, field), value, field)

    def test_refused_documents(self):
        for title, data, reason in REFUSED_CASES:
            with self.subTest(title):
                with self.assertRaises(NameDocumentError) as raised:
                    read(data)
                self.assertIn(reason, str(raised.exception))

    def test_encodings_expat_reads(self):
        text = one(bank(patch("Caf&#233; \u00e9", 1))).decode("utf-8")
        expected = [("Acme Nova", patch_map(ACME, (b"0.0", 1, b"Caf\xe9 \xe9")))]
        for encoding, data in [
                ("UTF-8 with a BOM", b"\xef\xbb\xbf" + text.encode("utf-8")),
                ("UTF-16", text.replace('"UTF-8"', '"UTF-16"').encode("utf-16")),
                ("ISO-8859-1", text.replace('"UTF-8"', '"ISO-8859-1"').encode("latin-1"))]:
            with self.subTest(encoding):
                self.assertEqual(read(data)[0], expected)


# ---------------------------------------------------------------- REAPER files

def reabank(text, name="Synth"):
    counts = name_documents.Counts()
    data = text.encode("utf-8") if isinstance(text, str) else text
    (only,) = name_documents.read_reabank(data, name, counts)
    return only.bytes(), counts


SYNTH = b"Synth"

# Each: title, file, the map, counts that must hold.
REAPER_CASES = [
    ("a bank line, then programs named by the rest of the line, trimmed",
     "Bank 0 3 Piano bank\n0 Grand Piano\n1   Bright   Piano  \n",
     patch_map(SYNTH, (b"0.3", 0, b"Grand Piano"), (b"0.3", 1, b"Bright   Piano")), {}),
    ("comments, empty lines and other lines are skipped; Bank is exact",
     "Bank 1 2\n// 3 Commented\n\n   \t\n  // 4 Indented comment\nbank 9 9\nBANK 9 9\n"
     "#5 Hash\nName 6 x\n6abc No\n7 Seven\n",
     patch_map(SYNTH, (b"1.2", 7, b"Seven")), {}),
    ("Bank * *: the bank's programs are left out, one finding for the bank",
     "Bank * *\n0 A\n1 B\nBank 1 0\n0 C\n",
     patch_map(SYNTH, (b"1.0", 0, b"C")), {"bad_value_banks": 1, "bank_value": 2}),
    ("a missing or out-of-range value; leading zeros",
     "Bank 0\n0 A\nBank 0 128\n1 B\nBank 128 0\n2 C\nBank -1 0\n3 D\nBank 007 010 x\n4 E\n",
     patch_map(SYNTH, (b"7.10", 4, b"E")), {"bad_value_banks": 4, "bank_value": 4}),
    ("a program over 127 or before any bank is left out",
     "0 Early\nBank 0 0\n128 Too high\n00127 Last\n",
     patch_map(SYNTH, (b"0.0", 127, b"Last")), {"before_bank": 1, "program": 1}),
    ("an empty name is no patch and takes no program",
     "Bank 0 0\n5\n5   \t\n5 Five\n",
     patch_map(SYNTH, (b"0.0", 5, b"Five")), {"duplicate": 0}),
    ("a (bank, program) named twice anywhere in the file: the first counts",
     "Bank 0 0\n1 A\nBank 0 1\n1 B\nBank 0 0\n1 C\n2 D\n",
     patch_map(SYNTH, (b"0.0", 1, b"A"), (b"0.1", 1, b"B"), (b"0.0", 2, b"D")), {"duplicate": 1}),
    ("tabs, CR LF, VT and FF separate words and are trimmed; inside a name they become blanks",
     "Bank\t1\v2\r\n3\fName\there\r\n\f",
     patch_map(SYNTH, (b"1.2", 3, b"Name here")), {}),
    ("only ASCII blanks separate words: a no-break space does not, and stays in a name",
     "Bank 0 0\n1 \u00a0Kept\u00a0\n2\u00a0Not a program\nBank\u00a01 1\n3 Still bank 0.0\n",
     patch_map(SYNTH, (b"0.0", 1, b"\xa0Kept\xa0"), (b"0.0", 3, b"Still bank 0.0")), {}),
    ("UTF-8 with a BOM, written in Windows-1252",
     "\ufeffBank 0 0\n1 Caf\u00e9 \u20ac \u0151\n",
     patch_map(SYNTH, (b"0.0", 1, b"Caf\xe9 \x80 ?")), {"characters_replaced": 1}),
    ("a file that is not UTF-8 is Windows-1252: its bytes pass",
     b"Bank 0 0\n1 Caf\xe9 \x81 \x80\n",
     patch_map(SYNTH, (b"0.0", 1, b"Caf\xe9 \x81 \x80")), {}),
    ("names are cut to 131 bytes and escaped", "Bank 0 0\n1 " + "<" * 140 + "\n",
     patch_map(SYNTH, (b"0.0", 1, b"&lt;" * 131)), {}),
]


class ReaperReadingTest(unittest.TestCase):
    def test_worked_files(self):
        for title, text, expected, counts in REAPER_CASES:
            with self.subTest(title):
                got, got_counts = reabank(text)
                self.assertEqual(got, expected)
                for field, value in counts.items():
                    self.assertEqual(getattr(got_counts, field), value, field)

    def test_instrument_named_after_the_file(self):
        with tempfile.TemporaryDirectory() as work:
            for file_name, device in [(b"My Synth.reabank", b"My Synth"),
                                      (b"Caf\xc3\xa9.v2.reabank", b"Caf\xe9.v2"),
                                      (b"Caf\xe9.reabank", b"Caf\xe9")]:
                with self.subTest(file_name):
                    path = os.path.join(os.fsencode(work), file_name)
                    with open(path, "wb") as f:
                        f.write(b"Bank 0 0\n1 A\n")
                    (only,) = name_documents.read_file(path, name_documents.Counts())
                    self.assertEqual(only.bytes(), patch_map(device, (b"0.0", 1, b"A")))


# ---------------------------------------------------------------- files

class FormatTest(unittest.TestCase):
    def test_format_from_extension_else_content(self):
        for path, data, expected in [
                ("a.MIDNAM", b"Bank 0 0", "midnam"), ("a.ReaBank", b"<?xml", "reabank"),
                ("-", b"\xef\xbb\xbf \r\n<?xml version='1.0'?>", "midnam"),
                ("a.txt", b"<MIDINameDocument>", "midnam"),
                ("a.txt", b"// comment\n\n  Bank 0 12 Name\n1 A", "reabank"),
                ("a.txt", b"Bank * *\n", None), ("a.ins", b"[Synth]\n", None)]:
            with self.subTest(path=path, data=data):
                self.assertEqual(name_documents.document_format(path, data), expected)


class SafeFileNameTest(unittest.TestCase):
    # The cases of SafeFileName's own tests (tests/patchconv_test.cpp) without a
    # double-byte code page.
    def test_as_patchconv_makes_them(self):
        x199 = b"x" * 199
        for name, safe in [
                (b"Roland GS", b"Roland GS"), (b"a/b\\c:d*e", b"a_b_c_d_e"),
                (b"q?\"<>|\t", b"q______"), (b"end. . ", b"end"), (b".hidden", b"_hidden"),
                (b"", b"_"), (b"..", b"_"), (b"nul", b"nul_"), (b"Com9 .x", b"Com9_ .x"),
                (b"LPT1.synth", b"LPT1_.synth"), (b"COM10", b"COM10"), (b"\xe9t\xe9", b"\xe9t\xe9"),
                (b"x" * 300, b"x" * 200), (x199 + b"\xc3\xa9", x199), (x199 + b"\xff\xc3\xa9", x199 + b"\xff"),
                (b"\x83\x5c\x83\x7c/", b"\x83_\x83__"), (b"COM\xb9", b"COM\xb9_"),
                (b"lpt\xc2\xb3.x", b"lpt\xc2\xb3_.x"), (b"Com\xb2 ", b"Com\xb2_"), (b"COM\xb4", b"COM\xb4"),
                (b"del\x7f", b"del_")]:
            with self.subTest(name):
                self.assertEqual(name_documents.safe_file_name(name), safe)

    def test_each_instrument_into_a_folder_first_of_one_name_kept(self):
        data = document(device(name_set(bank(patch("A", 1)), name="X/1"), name_set(name="x/1"),
                               name_set(name="Caf\u00e9?")))
        with tempfile.TemporaryDirectory() as work:
            source = os.path.join(work, "two.midnam")
            with open(source, "wb") as f:
                f.write(data)
            out = os.path.join(work, "out")
            with contextlib.redirect_stdout(io.StringIO()) as printed:
                status = name_documents.main(["name_documents.py", "-d", out, source])
            self.assertIn("left out for a file name taken: 1", printed.getvalue())
            self.assertEqual(status, 0)
            self.assertEqual(sorted(os.listdir(os.fsencode(out))),
                             [b"Acme Nova_ Caf\xc3\xa9_.vpm", b"Acme Nova_ X_1.vpm"])
            with open(os.path.join(out, "Acme Nova_ X_1.vpm"), "rb") as f:
                self.assertEqual(f.read(), patch_map(b"Acme Nova: X/1", (b"0.0", 1, b"A")))


if __name__ == "__main__":
    unittest.main()
