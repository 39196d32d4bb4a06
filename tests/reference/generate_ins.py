#!/usr/bin/env python3
"""Seeded generator of hostile instrument definition (.ins) files.

    generate_ins.py OUTDIR COUNT SEED [MULTI]

Writes OUTDIR/gen_<seed>_<n>.ins.  The same SEED always gives the same files.
Most files are shaped like real instrument definitions (an instrument section
with bank keys, a patch-name section with lists) with noise mixed in; the rest
are line soup or raw bytes.  MULTI (default 0) more files,
OUTDIR/gen_<seed>_m<n>.ins, have the shape of real multi-instrument files:
lists built on one another (chains, cycles, missing and built-in bases), patch
lines without a name, several instruments naming defined, missing and built-in
lists, each with its own BankSelMethod and some with one or more `Patch[*]`
keys beside or without another key of bank 0, headers repeated in later
sections, other sections holding headers and keys, stray markers and case
variations; they aim at the instrument reading (reference_converter.py
--instrument).  They aim at the reader's rules: header brackets,
case-insensitive keys and list names, bank keys of every shape, number
wrap-around, the 299-byte read limit, CR/LF variants, 0x1A, zero bytes,
whitespace that is and is not trimmed, bytes from 0x80 up, XML escaping and
over-long patch names.  Standard library only.
"""

import os
import random
import sys

READ_LIMIT = 299  # bytes per line read
NAME_LIMIT = 131  # bytes kept of a patch name

# Bytes that are trimmed, and bytes that look like blanks but are not.
TRIMMED = [b" ", b"\t", b"\v", b"\f", b"\r"]
NOT_TRIMMED = [b"\xa0", b"\x85", b"\x1c", b"\x1f", b"\x00"]

BASE_LIST_NAMES = [
    b"General", b"GM Bank", b"Drums", b"Bank 1", b"XG Bank 1 ", b"Piano & Co",
    b"<Voices>", b"Say \"hi\"", b"It's", b"List=Two", b"A]B", b"[Wrapped]",
    b"caf\xe9", b"CAF\xc9", b"\x83v\x83\x8a", b"x", b"", b";not a comment",
    b".dotted", b"Tab\tInside", b"GM2 {{ tag }}",
]

PATCH_WORDS = [
    b"Piano", b"Bright Piano", b"E.Piano 1", b"Strings & Pad", b"<Lead>", b"\"Quoted\"",
    b"It's", b"a=b", b"Piano ; remark", b"caf\xe9 cr\xe8me", b"\x83s\x83A\x83m",
    b"Tab\there", b"CR\rinside", b"VT\vFF\f", b"&amp;", b"\xa0nbsp\xa0", b"\x1cfs\x1f",
]

SECTION_MARKERS = [
    b".Patch Names", b".patch names", b".PATCH NAMES", b".Instrument Definitions",
    b".instrument definitions", b".Note Names", b".Controller Names", b".", b"..",
    b".Patch Names extra",
]

OTHER_KEYS = [
    b"Control=Standard", b"RPN=Standard", b"NRPN=", b"Key[*,*]=Drums", b"Drum[*,*]=1",
    b"BasedOn=General", b"UseNotesAsControllers=1", b"Patch Names=General", b"=", b"==",
    b"=orphan value", b"Key=1",
]

LINE_ENDINGS = [b"\r\n", b"\n", b"\r", b"\r\r\n", b"\n\r", b"\r\n\r\n", b"\n\n"]


class FileMaker:
    """Builds one file from lines; the random source is the only state."""

    def __init__(self, rng):
        self.rng = rng
        self.lists = self.pick_list_names()
        self.main_ending = rng.choices(
            [b"\r\n", b"\n", b"\r", b"\r\r\n"], weights=[50, 40, 3, 7])[0]

    # -------------------------------------------------------- small pieces

    def chance(self, p):
        return self.rng.random() < p

    def case_variant(self, text):
        choice = self.rng.randrange(4)
        if choice == 0:
            return text
        if choice == 1:
            return text.upper()
        if choice == 2:
            return text.lower()
        return bytes(c ^ 32 if self.chance(0.5) and chr(c).isalpha() and c < 128 else c
                     for c in text)

    def blanks(self, p=0.3):
        if not self.chance(p):
            return b""
        return b"".join(self.rng.choice(TRIMMED[:4]) for _ in range(self.rng.randint(1, 3)))

    def edge_noise(self):
        """A byte at a text's edge that a careless trim might remove."""
        return self.rng.choice(NOT_TRIMMED[:4]) if self.chance(0.05) else b""

    def pick_list_names(self):
        names = self.rng.sample(BASE_LIST_NAMES, self.rng.randint(1, 6))
        # duplicates that differ only in case (first bank wins)
        if self.chance(0.3):
            names.append(self.case_variant(self.rng.choice(names)))
        return names

    def number_text(self):
        r = self.rng.random()
        if r < 0.45:
            return str(self.rng.randint(0, 127)).encode()
        if r < 0.6:
            return str(self.rng.choice([128, 129, 130, 200, 255, 16256, 16383, 16384, 15497])).encode()
        if r < 0.7:
            return str(self.rng.choice([-1, -8, -9, -128, -129, -16383])).encode()
        if r < 0.8:
            big = self.rng.choice([
                2**31 - 1, 2**31, 2**32 - 1, 2**32, 2**32 + 1, 2**24, 2**25 - 1, 2**33 + 5,
                10**12, 10**20 + 7, -(2**31), -(2**31) - 1, -(2**32) - 1, 16777216, -16777217,
            ])
            return str(big).encode()
        if r < 0.85:
            return self.rng.choice([b"*", b"", b" ", b"*,*", b"x", b"-", b"+", b"+-5"])
        if r < 0.95:
            sign = self.rng.choice([b"+", b"-", b"", b"", b" -"])
            tail = self.rng.choice([b"", b"abc", b" 9", b".5", b"e3", b"]"])
            return sign + str(self.rng.randint(0, 999)).encode() + tail
        return b"0" * self.rng.randint(1, 12) + str(self.rng.randint(0, 99)).encode()

    def patch_name(self):
        r = self.rng.random()
        if r < 0.6:
            name = self.rng.choice(PATCH_WORDS)
        elif r < 0.8:
            name = b" ".join(self.rng.choice(PATCH_WORDS) for _ in range(self.rng.randint(2, 5)))
        elif r < 0.95:
            # around the 131-byte field; sometimes a blank lands at the cut
            length = self.rng.choice([129, 130, 131, 132, 133, 150, 200, 280])
            body = bytes(self.rng.choice(b"abcdefgh&<>\"' \xe9\x82") for _ in range(length))
            if self.chance(0.4):
                cut = NAME_LIMIT - 1
                body = body[:cut] + b" " + body[cut + 1:]
            name = body
        else:
            name = b""
        return self.edge_noise() + name + self.edge_noise()

    def list_reference(self):
        """A list name as a bank key or header would spell it."""
        if self.chance(0.1):
            return self.rng.choice(BASE_LIST_NAMES)  # maybe a list nobody declared
        name = self.rng.choice(self.lists)
        if self.chance(0.1):  # letters from 0x80 up have no case
            name = name.translate(bytes.maketrans(b"\xe9\xc9", b"\xc9\xe9"))
        return self.case_variant(name) if self.chance(0.3) else name

    # -------------------------------------------------------- lines

    def header(self, text):
        shape = self.rng.choices(range(11), weights=[50, 8, 4, 3, 3, 3, 3, 3, 3, 2, 2])[0]
        b = self.blanks
        return [
            b() + b"[" + text + b"]" + b(),
            b"[" + b(0.9) + text + b(0.9) + b"]",
            b"[" + text,
            b"[" + text + b"]]",
            b"[[" + text + b"]",
            b"[" + text + b"] ; trailing",
            b"[" + text + b"]" + self.rng.choice(NOT_TRIMMED[:4]),
            self.rng.choice([b"[", b"[]", b"[ ]", b"[]]", b"[\t]"]),
            text + b"]",
            b"[" + text + b" ]" + b" ]",
            b"[" + text + b"\0" + b"]junk",
        ][shape]

    def bank_key(self):
        word = self.rng.choice([b"Patch", b"patch", b"PATCH", b"pAtCh"])
        number = self.number_text()
        shape = self.rng.choices(range(12), weights=[60, 10, 5, 3, 3, 3, 3, 3, 3, 3, 3, 3])[0]
        b = self.blanks
        key = [
            word + b"[" + number + b"]",
            word + b() + b"[" + b(0.8) + number + b(0.8) + b"]",
            word + b"[]",
            word + b"[ ]",
            word + b"[" + number,
            word + number + b"]",
            word + b"X[" + number + b"]",
            word,
            word + b"[",
            word + b"[" + number + b"]]",
            word + b"[[" + number + b"]",
            word + b"[" + number + b"] x",
        ][shape]
        value = self.list_reference() if not self.chance(0.05) else b""
        return b() + key + b() + b"=" + b() + value + b()

    def bank_sel_method(self):
        key = self.case_variant(b"BankSelMethod")
        value = self.rng.choices(
            [b"0", b"1", b"2", b"3", b"4", b"-1", b"4294967297", b"4294967296", b"+1",
             b"1\t\t\t; MSB only", b"x", b"", b"-4294967295", b" 3 "],
            weights=[5, 10, 5, 5, 2, 2, 2, 1, 1, 3, 1, 1, 1, 1])[0]
        return self.blanks() + key + self.blanks() + b"=" + self.blanks() + value

    def patch_line(self, program=None):
        key = str(program).encode() if program is not None else self.number_text()
        return self.blanks(0.2) + key + self.blanks(0.2) + b"=" + self.blanks(0.2) + self.patch_name() + self.blanks(0.2)

    def comment(self):
        return self.rng.choice([b"; comment", b"  ; indented comment", b";", b";Patch[9]=General",
                                b"\t;[General]", b"; & < > \" '", b"  ;5=Commented out",
                                b"\v;Patch[6]=General", b" ;BankSelMethod=2"])

    def junk(self):
        return self.rng.choice([b"no equals here", b"Patch[1]", b"BankSelMethod", b"  ", b"",
                                b"\v\f", b"\xa0", b"\x85Patch[3]=General", b"\x00Patch[4]=General",
                                b"Patch[5]=Gen\x00eral", b"7=Pia\x00no", b"\x00", b"]"])

    def long_line(self):
        """A line longer than one read; its remainder becomes a line of its own."""
        head = self.rng.choice([b"", b"0=", b"Patch[2]=", b"; ", b"[", b"12="])
        fill = bytes(self.rng.choice(b"abc xyz&\"\xe9\t") for _ in range(self.rng.randint(250, 320)))
        if self.chance(0.3):  # zero bytes still count towards the 299
            at = self.rng.randrange(len(fill))
            fill = fill[:at] + b"\0" + fill[at + 1:]
        tail = self.rng.choice([b"", b"5=Tail", b"Patch[7]=General", b"=tail name", b"[General]",
                                b" ; x", b"BankSelMethod=1"])
        line = head + fill
        pad = READ_LIMIT - len(line)
        if pad > 0 and self.chance(0.6):
            line += b"p" * pad  # the tail starts exactly at the next read
        return line + tail

    def boundary_line(self):
        """Content whose line ending lands right at the 299-byte read limit."""
        length = self.rng.choice([297, 298, 299, 300])
        line = b"1=" + b"n" * (length - 2)
        ending = self.rng.choice([b"\r\n", b"\r\r\n", b"\n", b"\r"])
        return line, ending

    def noise_line(self):
        return self.rng.choices(
            [self.comment, self.junk, lambda: self.rng.choice(OTHER_KEYS),
             lambda: self.rng.choice(SECTION_MARKERS), self.long_line, self.bank_sel_method,
             lambda: self.header(self.list_reference()), self.bank_key],
            weights=[10, 10, 10, 6, 4, 3, 3, 2])[0]()

    # -------------------------------------------------------- sections

    def instrument_section(self):
        lines = [self.rng.choice(SECTION_MARKERS[3:5])]
        for _ in range(self.rng.randint(1, 3)):
            lines.append(self.header(self.rng.choice([b"My Synth", b"Device & Co", b"Synth <2>",
                                                      b"\xc9l\xe9ment", b"", b"General"])))
            if self.chance(0.6):
                lines.append(self.bank_sel_method())
            for _ in range(self.rng.randint(1, 6)):
                lines.append(self.bank_key())
            lines += [self.rng.choice(OTHER_KEYS) for _ in range(self.rng.randint(0, 2))]
        return lines

    def patch_names_section(self):
        lines = [self.rng.choice(SECTION_MARKERS[:3])]
        for _ in range(self.rng.randint(1, 5)):
            lines.append(self.header(self.list_reference()))
            program = self.rng.randint(-2, 3)
            for _ in range(self.rng.randint(0, 12)):
                if self.chance(0.8):
                    lines.append(self.patch_line(program))
                    program += 1
                else:
                    lines.append(self.patch_line())
        return lines

    def structured_lines(self):
        sections = [self.patch_names_section(), self.instrument_section()]
        if self.chance(0.3):
            sections.append(self.patch_names_section())
        if self.chance(0.5):
            self.rng.shuffle(sections)
        lines = [line for section in sections for line in section]
        for _ in range(self.rng.randint(0, len(lines) // 4 + 1)):
            lines.insert(self.rng.randint(0, len(lines)), self.noise_line())
        return lines

    def soup_lines(self):
        return [self.noise_line() if self.chance(0.6) else self.patch_line()
                for _ in range(self.rng.randint(0, 40))]

    # -------------------------------------------------------- bytes

    def ending(self):
        return self.rng.choice(LINE_ENDINGS) if self.chance(0.05) else self.main_ending

    def join(self, lines):
        out = bytearray()
        for line in lines:
            if self.chance(0.03):
                boundary, ending = self.boundary_line()
                out += boundary + ending
            out += line + self.ending()
        if self.chance(0.25):  # last line without a line ending
            while out and out[-1:] in (b"\r", b"\n"):
                del out[-1]
        return bytes(out)

    def sprinkle_end_of_input(self, data):
        if data and self.chance(0.1):
            # mostly late, so that lines before it still make a bank
            at = self.rng.randrange(len(data) // 2 if self.chance(0.7) else 0, len(data))
            data = data[:at] + b"\x1a" + data[at:]
        return data

    def make(self):
        kind = self.rng.choices(["structured", "soup", "no bank", "bytes", "empty"],
                                weights=[80, 10, 5, 3, 2])[0]
        if kind == "empty":
            return self.rng.choice([b"", b"\x1a", b"\x1aPatch[0]=General\r\n", b"\r\n\r\n"])
        if kind == "bytes":
            return bytes(self.rng.randrange(256) for _ in range(self.rng.randint(0, 2000)))
        if kind == "no bank":
            lines = [line for line in self.structured_lines()
                     if not line.lower().lstrip(b" \t\v\f\r").startswith(b"patch")]
        elif kind == "soup":
            lines = self.soup_lines()
        else:
            lines = self.structured_lines()
        return self.sprinkle_end_of_input(self.join(lines))


# Realistic names, and the hostile ones above, for multi-instrument files.
MULTI_LIST_NAMES = [
    b"General MIDI", b"GS Capital Tones", b"GS Var #1", b"GS Var #8", b"GS Var #16", b"XG Bank 0",
    b"XG SFX", b"Drum Kits", b"User Bank", b"Preset A", b"Preset B", b"Piano & Keys", b"<Pads>",
    b"Bank 1 ", b"MU Basic", b"CM-Like Map", b"gm drums",
] + BASE_LIST_NAMES
INSTRUMENT_NAMES = [
    b"Tone Module", b"Tone Module Drums", b"Rack Synth", b"Workstation & Co", b"Synth <2>",
    b"\xc9l\xe9ment", b"", b"General MIDI", b"Module]", b"GM Device", b"Drum Unit", b"x",
]
BUILT_IN_LISTS = [b"1..128", b"0..127"]
OTHER_SECTIONS = [b".Note Names", b".Controller Names", b".RPN Names", b".NRPN Names", b".Sequences"]
STRAY_MARKERS = [b".", b"..", b".Patch Names extra", b". Patch Names", b".Patch  Names",
                 b".PatchNames", b".Instrument Definitions;", b".Note Names"]
OTHER_SECTION_LINES = [b"36=Kick", b"38=Snare", b"1=Modulation", b"7=Volume", b"Patch[0]=General MIDI",
                       b"BasedOn=General MIDI", b"BankSelMethod=1", b"0=Not a patch"]
INSTRUMENT_KEYS = [b"Control=Standard", b"RPN=Standard", b"NRPN=", b"Key[*,*]=0..127",
                   b"Drum[*,*]=1", b"Key[0,*]=Drum Keys", b"UseNotesAsControllers=1", b"Patch=General MIDI"]


class MultiInstrumentMaker(FileMaker):
    """A file with several patch lists and instruments, the way real ones are laid out."""

    def __init__(self, rng):
        super().__init__(rng)
        self.lists = rng.sample(MULTI_LIST_NAMES, rng.randint(2, 9))
        self.instruments = rng.sample(INSTRUMENT_NAMES, rng.randint(2, 6))
        self.mess = rng.choices([0, 0.5, 1], weights=[3, 3, 4])[0]  # tidy files are real too
        # a lone CR ending makes the whole file one line: rare here, the point is the structure
        self.main_ending = rng.choices([b"\r\n", b"\n", b"\r"], weights=[55, 44, 1])[0]

    def messy(self, p):
        return self.chance(p * self.mess)

    def spelled(self, name):
        return self.case_variant(name) if self.chance(0.25) else name

    def header_of(self, name):
        if self.messy(0.12):
            return self.header(name)
        return b"[" + name + (self.blanks(0.5) if self.messy(0.1) else b"") + b"]"

    def list_reference(self):
        r = self.rng.random()
        if r < 0.65:
            name = self.spelled(self.rng.choice(self.lists))
        elif r < 0.85:
            name = self.rng.choice(BUILT_IN_LISTS)
        else:
            name = self.rng.choice(MULTI_LIST_NAMES + [b"Nowhere", b"1..127", b"0..128", b"1 .. 128"])
        return self.blanks(0.1) + name + self.blanks(0.1)

    def key_line(self, key, value):
        if not self.messy(0.3):
            return key + b"=" + value
        return self.blanks(0.3) + key + self.blanks(0.3) + b"=" + self.blanks(0.3) + value

    def plan_bases(self):
        """Which list builds on which: chains, lists on themselves, missing and
        built-in bases, and in some files a cycle of two or three lists."""
        self.bases = {}
        for name in self.lists:
            if self.chance(0.5):
                self.bases[name] = name if self.chance(0.1) else self.list_reference()
        if len(self.lists) >= 2 and self.chance(0.3):
            ring = self.rng.sample(self.lists, min(len(self.lists), self.rng.randint(2, 3)))
            for name, base in zip(ring, ring[1:] + ring[:1]):
                self.bases[name] = self.spelled(base)

    def based_on_line(self, value):
        key = self.rng.choices([b"BasedOn", b"basedon", b"BASEDON", b"Based On", b"BasedOn2"],
                               weights=[80, 5, 5, 5, 5])[0]
        return self.key_line(key, value)

    def patch_key(self, program):
        r = self.rng.random()
        if r < 0.85 or not self.messy(1):
            return str(program).encode()
        if r < 0.9:
            return self.rng.choice([b"0", b"00", b"+", b"-", b" "]) + str(program).encode()
        if r < 0.95:
            return str(program).encode() + self.rng.choice([b"abc", b" 9", b".5", b"]"])
        return self.number_text()

    def list_name_of_patch(self, program):
        if not self.messy(0.3):
            return self.rng.choice([b"Piano", b"Strings", b"Pad", b"Lead", b"Kit", b"Bass"]) + b" %d" % program
        return self.patch_name()

    def list_body(self, own_name):
        lines = []
        if self.chance(0.1):  # overridden by the planned one below, or the only one
            lines.append(self.based_on_line(self.list_reference()))
        if own_name in self.bases:
            lines.append(self.based_on_line(self.bases[own_name]))
        program = self.rng.choice([0, 0, 0, 1, 8, 64, 120])
        for _ in range(self.rng.choice([0, 3, 8, 20, 64, 128])):
            lines.append(self.key_line(self.patch_key(program), self.list_name_of_patch(program)))
            program += 1 if not self.messy(0.15) else self.rng.randint(-5, 9)
        # lines without a name, which are no patches, over the list's own programs or inherited ones
        for _ in range(self.rng.choice([0, 0, 0, 1, 3])):
            nameless = self.key_line(self.patch_key(self.rng.choice([0, 1, 5, 63, 64, program])),
                                     self.rng.choice([b"", b"   ", b"\t", b" \t "]))
            lines.insert(self.rng.randint(0, len(lines)), nameless)
        for _ in range(self.rng.randint(0, 2) if self.messy(1) else 0):
            lines.insert(self.rng.randint(0, len(lines)), self.noise_line())
        return lines

    def lists_section(self, names):
        lines = [self.spelled(b".Patch Names")]
        for name in names:
            lines.append(self.header_of(self.spelled(name)))
            lines += self.list_body(name)
        return lines

    def bank_line(self, number):
        word = self.rng.choice([b"Patch", b"patch", b"PATCH"])
        return self.key_line(word + b"[" + number + b"]", self.list_reference())

    def instrument_body(self):
        lines = []
        if self.chance(0.7):
            lines.append(self.bank_sel_method())
        for _ in range(0 if self.chance(0.1) else self.rng.randint(1, 8)):
            lines.append(self.bank_line(self.rng.choice([
                b"*", b"0", b"1", b"8", b"16", b"127", b"128", b"16256", b"15497", b"", b" 2 ",
                b"4294967297"])))
        # the list for other banks, several times, with and without a key of bank 0
        for _ in range(self.rng.choice([0, 0, 1, 2, 3])):
            lines.append(self.bank_line(self.rng.choice([b"*", b"*", b" * ", b"**", b"*1"])))
        if self.chance(0.2):
            lines.append(self.bank_line(self.rng.choice([b"00", b" 0", b"abc", b"4294967296"])))
        lines += [self.rng.choice(INSTRUMENT_KEYS) for _ in range(self.rng.randint(0, 3))]
        if self.chance(0.3):
            lines.append(self.bank_sel_method())
        self.rng.shuffle(lines)
        return lines

    def instruments_section(self, names):
        lines = [self.spelled(b".Instrument Definitions")]
        for name in names:
            lines.append(self.header_of(self.spelled(name)))
            lines += self.instrument_body()
        return lines

    def other_section(self):
        lines = [self.spelled(self.rng.choice(OTHER_SECTIONS))]
        for _ in range(self.rng.randint(1, 3)):
            lines.append(self.header_of(self.rng.choice(self.lists + self.instruments)))
            lines += self.rng.sample(OTHER_SECTION_LINES, self.rng.randint(1, 4))
        return lines

    def repeated(self, names):
        """Some of the names again, for a later section that continues them."""
        return [self.spelled(name) for name in names if self.chance(0.3)]

    def multi_lines(self):
        preamble = []
        if self.chance(0.3):  # before the first marker: nothing counts
            preamble = [b"; made by hand", self.header_of(self.rng.choice(self.instruments)),
                        self.key_line(b"Patch[0]", self.rng.choice(self.lists)), b"1=Before any marker"]
        self.plan_bases()
        sections = [self.lists_section(self.lists)]
        sections += [self.other_section() for _ in range(self.rng.randint(0, 3))]
        sections.append(self.instruments_section(self.instruments))
        if self.chance(0.4):
            extra = self.rng.sample(MULTI_LIST_NAMES, 1)
            sections.append(self.lists_section(self.repeated(self.lists) + extra))
        if self.chance(0.4):
            sections.append(self.instruments_section(self.repeated(self.instruments)))
        if self.chance(0.2):
            self.rng.shuffle(sections)
        lines = preamble + [line for section in sections for line in section]
        for _ in range(self.rng.randint(0, 4) if self.messy(1) else 0):
            lines.insert(self.rng.randint(0, len(lines)), self.rng.choice(STRAY_MARKERS))
        return lines

    def ending(self):
        return super().ending() if self.messy(1) else self.main_ending

    def make(self):
        data = self.join(self.multi_lines())
        if data and self.messy(0.1):  # near the end, where the instruments usually are
            at = self.rng.randrange(len(data) * 9 // 10, len(data))
            data = data[:at] + b"\x1a" + data[at:]
        return data


def main(argv):
    if len(argv) not in (4, 5):
        print("usage: generate_ins.py OUTDIR COUNT SEED [MULTI]", file=sys.stderr)
        return 2
    outdir, count, seed = argv[1], int(argv[2]), int(argv[3])
    multi = int(argv[4]) if len(argv) == 5 else 0
    os.makedirs(outdir, exist_ok=True)
    for n in range(count):
        rng = random.Random(seed * 1_000_003 + n)
        with open(os.path.join(outdir, "gen_%d_%04d.ins" % (seed, n)), "wb") as out:
            out.write(FileMaker(rng).make())
    for n in range(multi):
        rng = random.Random("multi %d %d" % (seed, n))  # a string seed is hashed the same every run
        with open(os.path.join(outdir, "gen_%d_m%04d.ins" % (seed, n)), "wb") as out:
            out.write(MultiInstrumentMaker(rng).make())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
