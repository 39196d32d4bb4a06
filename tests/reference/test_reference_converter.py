#!/usr/bin/env python3
"""Checks the reference converter (reference_converter.py beside it) against
hand-worked instrument files, so that the oracle of scripts/crosscheck is
itself right.  Run: python3 -m unittest discover tests/reference"""

import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
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


def instrument_bytes(source, name):
    ins = reference_converter.read_instrument_file(reference_converter.text_mode_stream(source))
    return reference_converter.instrument_map_or_reason(ins, name)[0]


def bank0(*patches):
    """Patches (program, name) of bank 0.0 under method 0."""
    return tuple((program // 8 if program >= 0 else -(-program // 8), b"0.0", program, name)
                 for program, name in patches)


PN, ID = b".Patch Names\n", b".Instrument Definitions\n"
CHAIN = PN + b"[C]\n0=c0\n1=c1\n2=c2\n[B]\nBasedOn=C\n1=b1\n[A]\nbasedon=X\nBASEDON = B\n2=a2\n3=a3\n"
CYCLE = PN + b"[A]\nBasedOn=b\n1=a1\n2=a2\n[B]\nBasedOn=a\n2=b2\n3=b3\n" + ID + b"[S]\nPatch[0]=A\nPatch[1]=B\n"
BUILT_IN = ID + b"[S]\nPatch[0]=1..128\nPatch[1]=0..127\n"
ALL_PROGRAMS = range(128)

INSTRUMENT_CASES = [
    ("a chain of bases, each overriding the one below; the last BasedOn counts",
     CHAIN + ID + b"[S]\nPatch[0]=A\n", b"S",
     patch_map(b"S", *bank0((0, b"c0"), (1, b"b1"), (2, b"a2"), (3, b"a3")))),
    ("a missing base, a list built on itself, a cycle not through the start",
     PN + b"[A]\nBasedOn=Nowhere\n5=a\n[Self]\nBasedOn=SELF\n6=s\n[X]\nBasedOn=Y\n1=x\n"
     b"[Y]\nBasedOn=Z\n1=y\n2=y\n[Z]\nBasedOn=Y\n2=z\n3=z\n" + ID + b"[S]\nPatch[0]=A\nPatch[0]=Self\nPatch[0]=X\n", b"s",
     patch_map(b"S", *bank0((5, b"a"), (6, b"s"), (1, b"x"), (2, b"y"), (3, b"z")))),
    ("a cycle asked from either end; the name is trimmed, as header names are", CYCLE, b" S\t",
     patch_map(b"S", *bank0((1, b"a1"), (2, b"a2"), (3, b"b3")),
               (0, b"0.1", 1, b"a1"), (0, b"0.1", 2, b"b2"), (0, b"0.1", 3, b"b3"))),
    ("repeated headers continue, later in the file too; first spelling and order kept",
     PN + b"[L]\n1=x\n" + ID + b"[Synth]\nPatch[0]=l\n[Other]\nPatch[0]=L\n" + PN + b"[l]\n2=y\n1=z\n"
     + b".instrument definitions\n[ SYNTH ]\nbankselmethod=1\npatch[1]=L\n", b"sYnTh",
     patch_map(b"Synth", *bank0((1, b"z"), (2, b"y")), (0, b"1.0", 1, b"z"), (0, b"1.0", 2, b"y"))),
    ("lines before the first marker, other sections and lines after any marker are ignored",
     b"[S]\nPatch[9]=L\n[L]\n9=pre\n" + PN + b"[L]\n1=a\n.Note Names\n[L]\n2=note\n.PATCH NAMES\n3=orphan\n"
     b".Patch Names extra\n[L]\n4=extra\n. Patch Names\n[L]\n5=spaced\n" + ID + b"[S]\nPatch[0]=L\n.\nPatch[1]=L\n"
     b".Controller Names\n[S]\nPatch[2]=L\n", b"S",
     patch_map(b"S", *bank0((1, b"a")))),
    ("lists and instruments are separate names; bank key shapes; methods are per instrument",
     PN + b"[S]\n1=a\n" + ID + b"[T]\nBankSelMethod=2\n[S]\npatch [*]=S\nPatch[]=S\nPatch[ 7 ]=S\nPatchX[3]=S\n"
     b"Patch[3=S\nBankSelMethod=3\nBankSelMethod=1\n", b"S",
     patch_map(b"S", (0, b"0.0", 1, b"a"), (0, b"7.0", 1, b"a"))),
    ("the last Patch[*] is bank 0, in its own place, where no other key is bank 0",
     PN + b"[A]\n1=a\n[B]\n1=b\n[C]\n1=c\n" + ID + b"[S]\nPatch[*]=A\nPatch[1]=B\n[T]\nPatch[0]=A\n"
     b"[S]\npatch [ * ]=C\nPatch[2]=A\n", b"S",
     patch_map(b"S", (0, b"0.1", 1, b"b"), (0, b"0.0", 1, b"c"), (0, b"0.2", 1, b"a"))),
    ("built-in lists number from 0 and from 1; an empty header of that name only names them",
     PN + b"[0..127]\n[1..128]\n" + BUILT_IN, b"S",
     patch_map(b"S", *[(p // 8, b"0.0", p, b"%d" % (p + 1)) for p in ALL_PROGRAMS],
               *[(p // 8, b"0.1", p, b"%d" % p) for p in ALL_PROGRAMS])),
    ("a defined list of a built-in name wins; a list may build on a built-in one",
     PN + b"[1..128]\n5=Five\n[Mine]\nBasedOn=0..127\n0=Zero\n" + ID + b"[S]\nPatch[0]=1..128\nPatch[1]=Mine\n", b"S",
     patch_map(b"S", (0, b"0.0", 5, b"Five"), (0, b"0.1", 0, b"Zero"),
               *[(p // 8, b"0.1", p, b"%d" % p) for p in ALL_PROGRAMS[1:]])),
    ("missing lists give no patches; a list of another section is missing",
     b".Note Names\n[Keys]\n36=Kick\n" + ID + b"[S]\nPatch[1]=Nowhere\nPatch[2]=Keys\n", b"S", patch_map(b"S")),
    ("two banks with one list both get it; the later line of a program wins",
     PN + b"[L]\n1=a\n1=b\n" + ID + b"[S]\nPatch[1]=L\nPatch[2]=l\n", b"S",
     patch_map(b"S", (0, b"0.1", 1, b"b"), (0, b"0.2", 1, b"b"))),
    ("patches ordered by signed program; which keys are patches",
     PN + b"[L]\n9=nine\n12abc=twelve\n4294967295=minus one\n2147483648=lowest\n-1=no\n+2=no\nx=no\n"
     b"Patch[0]=no\n 3 = three \n7=" + b"n" * 140 + b"\n" + ID + b"[S]\nPatch[0]=L\n", b"S",
     patch_map(b"S", *bank0((-2147483648, b"lowest"), (-1, b"minus one"), (3, b"three"), (7, b"n" * 131),
                            (9, b"nine"), (12, b"twelve")))),
    ("a patch line without a name neither adds nor replaces; a built-in name with only such lines names the built-in",
     PN + b"[B]\n1=b1\n2=b2\n[L]\nBasedOn=B\n1=\n2=l2\n2= \t\n3=\n4=l4\n[1..128]\n5=\n"
     + ID + b"[S]\nPatch[0]=L\nPatch[1]=1..128\n", b"S",
     patch_map(b"S", *bank0((1, b"b1"), (2, b"l2"), (4, b"l4")),
               *[(p // 8, b"0.1", p, b"%d" % (p + 1)) for p in ALL_PROGRAMS])),
    ("header text as the second pass takes it; escaping; the empty name",
     PN + b"[ <L> ]]\n1=&\n" + ID + b"[Synth & \"Co\"]\n[]\nPatch[0]=<L> ]\n", b"",
     patch_map(b"", (0, b"0.0", 1, b"&amp;"))),
    ("an instrument whose lists are all missing still converts", ID + b"[S]\nPatch[0]=\n", b"S", patch_map(b"S")),
    ("a name no instrument has", CYCLE, b"T", None),
    ("an instrument without a bank", PN + b"[S]\n1=a\n" + ID + b"[S]\nBankSelMethod=1\nControl=S\n", b"S", None),
] + [
    ("Patch[*] is not in the map beside " + key.decode(),
     PN + b"[A]\n1=a\n[B]\n1=b\n" + ID + b"[S]\nPatch[*]=A\n" + key + b"=B\nPatch[1]=A\n", b"S",
     patch_map(b"S", (0, b"0.0", 1, b"b"), (0, b"0.1", 1, b"a")))
    for key in (b"Patch[0]", b"Patch[]", b"Patch[**]", b"Patch[abc]", b"Patch[4294967296]")
]


class InstrumentReadingTest(unittest.TestCase):
    def test_worked_files(self):
        for title, source, name, expected in INSTRUMENT_CASES:
            with self.subTest(title):
                self.assertEqual(instrument_bytes(source, name), expected)

    def test_command_line(self):
        script = os.path.join(HERE, "reference_converter.py")
        with tempfile.TemporaryDirectory() as work:
            source, target = os.path.join(work, "in.ins"), os.path.join(work, "out.vpm")
            with open(source, "wb") as f:
                f.write(PN + b"[L]\n1=a\n" + ID + b"[Caf\xe9]\nPatch[0]=L\n[None]\n[]\nPatch[1]=L\n[caf\xc9]\n[CAF\xc9]\nPatch[2]=L\n")
            listed = subprocess.run([sys.executable, script, "--instruments", source], stdout=subprocess.PIPE)
            self.assertEqual(listed.stdout, b"Caf\xe9\n\ncaf\xc9\n")
            for name, status in ((b"None", 1), (b"Nobody", 1), (b"CAF\xe9", 0)):
                result = subprocess.run([sys.executable, script, "--instrument", name, source, target],
                                        stderr=subprocess.DEVNULL)
                self.assertEqual((result.returncode, os.path.exists(target)), (status, status == 0))
            with open(target, "rb") as f:
                self.assertEqual(f.read(), patch_map(b"Caf\xe9", (0, b"0.0", 1, b"a")))


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
                result = subprocess.run([sys.executable, os.path.join(HERE, "reference_converter.py"),
                                         source, target])
                self.assertEqual(result.returncode, status)
                self.assertEqual(os.path.exists(target), status == 0)
                if status == 0:
                    os.remove(target)
            result = subprocess.run([sys.executable, os.path.join(HERE, "reference_converter.py"),
                                     work, target])
            self.assertEqual(result.returncode, 1)
            self.assertFalse(os.path.exists(target))


if __name__ == "__main__":
    unittest.main()
