#!/usr/bin/env python3
"""Checks the reference converter (scripts/reference_converter.py) against
hand-worked instrument files, so that the oracle of scripts/crosscheck is
itself right.  Run: python3 -m unittest discover tests/reference"""

import os
import subprocess
import sys
import tempfile
import unittest

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts")
sys.path.insert(0, SCRIPTS)
import reference_converter  # noqa: E402


def patch_map(device, *patches):
    """Whole expected file; patches are (family, bank, preset, name)."""
    lines = [b'<patchmap version="1.0" device="%s">' % device]
    lines += [b'<patch family="%d" bank="%s" preset="%d" name="%s" />' % p for p in patches]
    lines.append(b"</patchmap>")
    return b"".join(line + b"\r\n" for line in lines)


def convert_bytes(source):
    definition = reference_converter.InstrumentDefinition()
    stream = reference_converter.text_mode_stream(source)
    reference_converter.read_bank_definitions(definition, stream)
    if not definition.banks:
        return None
    reference_converter.read_patch_names(definition, stream)
    return reference_converter.patch_map_bytes(definition)


CASES = [
    ("two patches, device is the last header",
     b"[My Synth]\r\nPatch[*]=General\r\n.Patch Names\r\n[General]\r\n0=Piano\r\n1=Bright Piano\r\n",
     patch_map(b"General", (0, b"0.0", 0, b"Piano"), (0, b"0.0", 1, b"Bright Piano"))),
    ("instrument section last names the device",
     b".Patch Names\n[General]\n0=Piano\n.Instrument Definitions\n[My Synth]\nPatch[*]=General\n",
     patch_map(b"My Synth", (0, b"0.0", 0, b"Piano"))),
    ("first of two banks with one list gets the patches",
     b"Patch[1]=L\nPatch[2]=l\n[L]\n3=x\n",
     patch_map(b"L", (0, b"0.1", 3, b"x"))),
    ("a repeated header appends; non-numeric keys give program 0",
     b"Patch[0]=S\n[S]\n1=a\n[S]\nPatch[*]=S\nControl=y\n",
     patch_map(b"S", (0, b"0.0", 1, b"a"), (0, b"0.0", 0, b"S"), (0, b"0.0", 0, b"y"))),
    ("bank key shapes",
     b"patch [3]=A\nPatch[]=B\nPatch[ ]=C\nPatchX[3]=D\nPatch[3=D\nPatch[=D\nPatch=D\nPatch[-1]=E\n"
     b"[A]\n1=a\n[B]\n1=b\n[C]\n1=c\n[D]\n1=d\n[E]\n1=e\n",
     patch_map(b"E", (0, b"0.3", 1, b"a"), (0, b"0.0", 1, b"b"), (0, b"0.0", 1, b"c"),
               (0, b"127.127", 1, b"e"))),
    ("families truncate toward zero",
     b"Patch[0]=L\n[L]\n130=a\n-9=b\n128=c\n",
     patch_map(b"L", (16, b"0.0", 130, b"a"), (-1, b"0.0", -9, b"b"), (16, b"0.0", 128, b"c"))),
    ("trimmed lines, indented comment, semicolon inside a name",
     b"  Patch[0] = L  \n [L] \n  ;1=no\n 2 = Piano ; soft \n",
     patch_map(b"L", (0, b"0.0", 2, b"Piano ; soft"))),
    ("a 400-byte line is read as 299 + 101",
     b"Patch[0]=L\n[L]\n" + b"1=" + b"a" * 297 + b"7=" + b"b" * 99 + b"\n",
     patch_map(b"L", (0, b"0.0", 1, b"a" * 131), (0, b"0.0", 7, b"b" * 99))),
    ("the last BankSelMethod wins; method 1 shifts",
     b"BankSelMethod=3\nBankSelMethod=1\nPatch[200]=L\nPatch[-1]=M\n[L]\n1=a\n[M]\n1=b\n",
     patch_map(b"M", (0, b"72.0", 1, b"a"), (0, b"127.0", 1, b"b"))),
    ("method 0 carries into the high part",
     b"Patch[129]=A\nPatch[16383]=B\nPatch[16384]=C\n[A]\n1=a\n[B]\n1=b\n[C]\n1=c\n",
     patch_map(b"C", (0, b"1.1", 1, b"a"), (0, b"127.127", 1, b"b"), (0, b"0.0", 1, b"c"))),
    ("methods 2 and 3 keep the number, other methods give 0",
     b"BankSelMethod=2\nPatch[5]=A\n[A]\n1=a\n",
     patch_map(b"A", (0, b"0.5", 1, b"a"))),
    ("method 4 gives bank 0.0",
     b"BankSelMethod=4\nPatch[5]=A\n[A]\n1=a\n",
     patch_map(b"A", (0, b"0.0", 1, b"a"))),
    ("numbers wrap modulo 2^32",
     b"Patch[4294967297]=L\n[L]\n4294967297=a\n",
     patch_map(b"L", (0, b"0.1", 1, b"a"))),
    ("escaping; the apostrophe stays",
     b"Patch[0]=L\n[L]\n1=&amp; <\"'>\n",
     patch_map(b"L", (0, b"0.0", 1, b"&amp;amp; &lt;&quot;'&gt;"))),
    ("0x1A ends the input; a zero byte ends a line; lone CR stays inside",
     b"Patch[0]=L\r\n[L]\r\n1=a\0b\r\n2=c\rd\r\r\n\x1a3=e\r\n",
     patch_map(b"L", (0, b"0.0", 1, b"a"), (0, b"0.0", 2, b"c\rd"))),
    ("an empty header matches an empty list name; no header, empty device",
     b"Patch[1]=\n[]\n1=a\n",
     patch_map(b"", (0, b"0.1", 1, b"a"))),
    ("banks without patches give two lines", b"Patch[1]=Nowhere\n", patch_map(b"")),
    ("no bank fails", b"[Synth]\nBankSelMethod=1\nPatch[1\n", None),
    ("a bank key after 0x1A does not count", b"[Synth]\x1a\nPatch[1]=L\n", None),
]


class ReferenceConverterTest(unittest.TestCase):
    def test_worked_files(self):
        for title, source, expected in CASES:
            with self.subTest(title):
                self.assertEqual(convert_bytes(source), expected)

    def test_command_line_writes_nothing_on_failure(self):
        with tempfile.TemporaryDirectory() as work:
            source = os.path.join(work, "in.ins")
            target = os.path.join(work, "out.vpm")
            for content, status in ((b"Patch[0]=L\n[L]\n1=a", 0), (b"no bank\n", 1)):
                with open(source, "wb") as f:
                    f.write(content)
                result = subprocess.run([sys.executable, os.path.join(SCRIPTS, "reference_converter.py"),
                                         source, target])
                self.assertEqual(result.returncode, status)
                self.assertEqual(os.path.exists(target), status == 0)
                if status == 0:
                    os.remove(target)
            result = subprocess.run([sys.executable, os.path.join(SCRIPTS, "reference_converter.py"),
                                     work, target])
            self.assertEqual(result.returncode, 1)
            self.assertFalse(os.path.exists(target))


if __name__ == "__main__":
    unittest.main()
