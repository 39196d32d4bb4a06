#!/usr/bin/env python3
"""Reference converter from an instrument definition (.ins) to a patch map (.vpm).

A deliberately plain, slow and literal second reading of the format, used to
cross-check `patchconv` byte for byte.  Standard library only.

    reference_converter.py SOURCE.ins TARGET.vpm
    reference_converter.py --many OUTDIR SOURCE.ins...
    reference_converter.py --instrument NAME SOURCE.ins TARGET.vpm
    reference_converter.py --instruments SOURCE.ins
    reference_converter.py --list-many OUTDIR SOURCE.ins...
    reference_converter.py --instrument-many OUTDIR < JOBS

Exit status 0 and TARGET written on success; exit status 1 and nothing written
when the source cannot be opened or declares no bank.  With --many, the Nth
source is converted to OUTDIR/N.vpm and "N STATUS" is printed for it.

Everything is bytes: no character set is ever decoded.  Numbers are kept as
Python integers and folded into signed 32 bits wherever the C++ core stores
them in an `int32_t`.

The whole-file conversion (first two forms) reads the file as one instrument: see
read_bank_definitions and read_patch_names.

The instrument reading (--instrument) converts ONE instrument of the file, the
way a sequencer sees it.  This reading, point by point:

- Lines are the whole-file reading's lines (relevant_lines).  A key line is cut at
  its first `=`, key and value trimmed; a line without `=` is no key line.
- A line beginning with `.` is a section marker, compared whole (the trimmed
  line, dot included) with `.Patch Names` and `.Instrument Definitions`, ASCII
  case ignored; `.Patch Names extra` or `. Patch Names` is some other section.
  EVERY marker, known or not, closes the open list or instrument; a line counts
  again only under the next header of a known section.  Lines before the first
  marker and lines of other sections are ignored, headers included.
- A header's text is taken as the plain reading's second pass takes it: without
  `[`, trimmed, then without one closing `]` if something is left, trimmed again.
  The empty text is a name like any other.  Names are compared with ASCII case
  ignored; lists and instruments are separate sets of names.  A header met
  again in a section of the same kind continues what it opened (also in a later
  section); the first spelling is kept, order is that of first appearance.
- Under a list header: `BasedOn=NAME` (key compared whole, case ignored; the
  last one counts; an empty value names the list whose name is empty).  A key
  line whose trimmed key begins with 0-9 is a patch: program decimal_value(key)
  (so `12abc` is 12, `4294967295` is -1; `-1=x` and `+1=x` are not patches),
  name the value cut to 131 bytes; a later line with the same program replaces
  the earlier one.  A line whose trimmed value is empty (`63=`, `63=   `) is
  no patch: it neither adds its program nor replaces an earlier or inherited
  one.  Everything else is ignored.
- Under an instrument header: bank keys exactly as the plain reading's first
  pass reads them (`Patch[]` is bank 0), banks in order, the same list may be
  named twice and then both banks get all its patches; `BankSelMethod=n`, the
  last one counts, 0 without one.  Everything else is ignored.
- A bank key whose bracket text, trimmed, is exactly `*` names the list for
  the banks the instrument does not list.  Only the last such key of the
  instrument counts (keys under a repeated header included), in its own place
  among the banks, as bank 0, and only when no other key of the instrument has
  the number 0 (`Patch[0]`, `Patch[]`, `Patch[abc]`, `Patch[**]`,
  `Patch[4294967296]`: numbers as decimal_value reads them); otherwise it is
  not in the map.
- Built-in lists: `0..127` and `1..128`, when the file defines no list of that
  name, name programs 0-127 `0`..`127` and `1`..`128`.  They are lists like any
  other (case is moot for them), so a `BasedOn=1..128` builds on them too; they
  have no base themselves.  A list of that name defined by the file replaces
  the built-in everywhere; a header of that name with neither a patch line nor
  a BasedOn line under it (a line without a name is no patch line) only names
  the built-in list, as files written for the format's own tools do.
- A list's patches: walk from the list along its BasedOn names until a name
  names no list or a list comes round again; then from the far end of the walk
  back to the list itself, each list's own patches replace those with the same
  program or are added.  Ordered by program as a signed 32-bit number, each
  program once.  In a cycle A -> B -> A, A holds B's own patches overridden by
  A's own, B holds A's own overridden by B's own.
- The map: device name the instrument's first spelling (at most 299 bytes, a
  line is no longer), the banks in order of their keys with the patches of
  their lists (none for a missing list), bank values from the instrument's own
  method, written by the plain writer.  An instrument without bank keys, or a
  name no instrument has (trimmed as header names are, ASCII case ignored),
  fails.

--instruments prints, one per line, the names (first spelling, raw bytes) of the
instruments that declare at least one bank, in order of first appearance.

For scripts/crosscheck, which cannot afford a Python start per conversion:
--list-many writes OUTDIR/N.names (what --instruments prints for the Nth
source) and OUTDIR/N.bankless (the instruments without a bank, same shape);
--instrument-many reads jobs from standard input, each a source path and an
instrument name ended by a zero byte, converts the Jth job to OUTDIR/J.vpm and
prints "J STATUS" for it.
"""

import os
import sys

LINE_BUFFER_SIZE = 300  # a read takes at most 299 bytes plus the terminating zero
NAME_FIELD_SIZE = 132  # a patch name holds at most 131 bytes plus the terminating zero

WHITESPACE = b" \t\n\v\f\r"
END_OF_INPUT = 0x1A

XML_ENTITIES = [
    (b"&", b"&amp;"),
    (b"<", b"&lt;"),
    (b">", b"&gt;"),
    (b'"', b"&quot;"),
]


# ---------------------------------------------------------------- numbers

def to_int32(value):
    """Fold any integer into the signed 32-bit range (two's complement)."""
    value &= 0xFFFFFFFF
    return value - 0x1_0000_0000 if value & 0x8000_0000 else value


def decimal_value(text):
    """Skip leading whitespace, take an optional sign and the digits after it,
    accumulating in 32 bits with wrap-around; no digits gives 0."""
    i = 0
    while i < len(text) and text[i] in WHITESPACE:
        i += 1
    negative = False
    if i < len(text) and text[i] in b"+-":
        negative = text[i] == ord("-")
        i += 1
    value = 0
    while i < len(text) and ord("0") <= text[i] <= ord("9"):
        value = (value * 10 + (text[i] - ord("0"))) & 0xFFFFFFFF
        i += 1
    if negative:
        value = (-value) & 0xFFFFFFFF
    return to_int32(value)


def family_of(program):
    """Program divided by 8, truncated toward zero (not floored)."""
    quotient = abs(program) // 8
    return -quotient if program < 0 else quotient


# ---------------------------------------------------------------- text

def trim_whitespace(text):
    start = 0
    while start < len(text) and text[start] in WHITESPACE:
        start += 1
    end = len(text)
    while end > start and text[end - 1] in WHITESPACE:
        end -= 1
    return text[start:end]


def ascii_lower(text):
    return bytes(b + 32 if ord("A") <= b <= ord("Z") else b for b in text)


def equals_ignoring_case(a, b):
    return ascii_lower(a) == ascii_lower(b)


# ---------------------------------------------------------------- line reading

def text_mode_stream(raw):
    """What a Windows text-mode read delivers: input ends at the first 0x1A,
    and CR LF arrives as LF (a lone CR is kept)."""
    end = raw.find(bytes([END_OF_INPUT]))
    if end >= 0:
        raw = raw[:end]
    return raw.replace(b"\r\n", b"\n")


def fgets_reads(stream):
    """Yield what successive fgets(buffer, 300, file) calls put in the buffer:
    up to and including a line feed, or 299 bytes, whichever comes first."""
    limit = LINE_BUFFER_SIZE - 1
    pos = 0
    while pos < len(stream):
        newline = stream.find(b"\n", pos, pos + limit)
        end = newline + 1 if newline >= 0 else min(pos + limit, len(stream))
        yield stream[pos:end]
        pos = end


def relevant_lines(stream):
    """The lines both passes look at: cut at a zero byte (it ends the C string),
    trailing LF/CR removed, trimmed; blank lines and ';' comments dropped."""
    for read in fgets_reads(stream):
        zero = read.find(b"\0")
        line = read[:zero] if zero >= 0 else read
        while line and line[-1:] in (b"\n", b"\r"):
            line = line[:-1]
        line = trim_whitespace(line)
        if not line or line.startswith(b";"):
            continue
        yield line


def split_key_value(line):
    key, _, value = line.partition(b"=")
    return trim_whitespace(key), trim_whitespace(value)


# ---------------------------------------------------------------- data model

class PatchEntry:
    def __init__(self, program, name):
        self.program = program
        self.family = family_of(program)
        self.name = name[:NAME_FIELD_SIZE - 1]


class PatchBank:
    def __init__(self, patch_list_name, bank_number):
        self.patch_list_name = patch_list_name
        self.bank_number = bank_number
        self.patches = []


class InstrumentDefinition:
    def __init__(self):
        self.banks = []
        self.device_name = b""
        self.bank_sel_method = 0


# ---------------------------------------------------------------- reader

def bank_key_number_text(key):
    """For a key of the form Patch[n] return the trimmed n, otherwise None."""
    if not equals_ignoring_case(key[:5], b"patch"):
        return None
    rest = trim_whitespace(key[5:])
    if not rest.startswith(b"["):
        return None
    rest = rest[1:]
    if not rest or not rest.endswith(b"]"):
        return None
    return trim_whitespace(rest[:-1])


def read_bank_definitions(definition, stream):
    for line in relevant_lines(stream):
        if line.startswith(b"."):
            continue
        if line.startswith(b"["):
            text = line[1:]
            if text and text.endswith(b"]"):
                text = text[:-1]
            definition.device_name = trim_whitespace(text)
            continue
        if b"=" not in line:
            continue
        key, value = split_key_value(line)
        if equals_ignoring_case(key, b"BankSelMethod"):
            definition.bank_sel_method = decimal_value(value)
            continue
        number_text = bank_key_number_text(key)
        if number_text is not None:
            definition.banks.append(PatchBank(value, decimal_value(number_text)))


def find_bank(definition, patch_list_name):
    for bank in definition.banks:
        if equals_ignoring_case(bank.patch_list_name, patch_list_name):
            return bank
    return None


def read_patch_names(definition, stream):
    current = None
    for line in relevant_lines(stream):
        if line.startswith(b"."):
            continue
        if line.startswith(b"["):
            text = trim_whitespace(line[1:])
            if text and text.endswith(b"]"):
                text = trim_whitespace(text[:-1])
            current = find_bank(definition, text)
            continue
        if current is None or b"=" not in line:
            continue
        key, value = split_key_value(line)
        current.patches.append(PatchEntry(decimal_value(key), value))


def load_instrument_file(definition, path):
    """0 on success, -1 when the file cannot be read or declares no bank."""
    try:
        with open(path, "rb") as source:
            raw = source.read()
    except OSError:
        return -1
    stream = text_mode_stream(raw)
    read_bank_definitions(definition, stream)
    if not definition.banks:
        return -1
    read_patch_names(definition, stream)
    return 0


# ---------------------------------------------------------------- writer

def escape_xml(text):
    for character, replacement in XML_ENTITIES:
        text = text.replace(character, replacement)
    return text


def make_bank_value(bank_sel_method, bank_number):
    if bank_sel_method in (0, 2, 3):
        return bank_number
    if bank_sel_method == 1:
        return to_int32(bank_number << 7)
    return 0


def patch_map_bytes(definition):
    out = [b'<patchmap version="1.0" device="%s">\r\n' % escape_xml(definition.device_name)]
    for bank in definition.banks:
        value = make_bank_value(definition.bank_sel_method, bank.bank_number)
        high = (value >> 7) & 127
        low = value & 127
        for patch in bank.patches:
            out.append(b'<patch family="%d" bank="%d.%d" preset="%d" name="%s" />\r\n'
                       % (patch.family, high, low, patch.program, escape_xml(patch.name)))
    out.append(b"</patchmap>\r\n")
    return b"".join(out)


# ---------------------------------------------------------------- instrument reading

PATCH_NAMES_MARKER = b".Patch Names"
INSTRUMENTS_MARKER = b".Instrument Definitions"
DEVICE_NAME_LIMIT = 299
BUILT_IN_LISTS = [(b"0..127", 0), (b"1..128", 1)]  # name, number the first program is named


class PatchList:
    def __init__(self, name):
        self.name = name
        self.based_on = None  # the list it builds on, by name
        self.patches = {}  # program -> name, this list's own lines only


class Instrument:
    def __init__(self, name):
        self.name = name
        self.banks = []  # (patch list name, bank number, is the `*` key), in order of the keys
        self.bank_sel_method = 0


class InstrumentFile:
    def __init__(self):
        self.lists = []
        self.instruments = []


def find_named(things, name):
    for thing in things:
        if equals_ignoring_case(thing.name, name):
            return thing
    return None


def open_named(things, name, make):
    """The thing of that name, made and appended when it is new."""
    thing = find_named(things, name)
    if thing is None:
        thing = make(name)
        things.append(thing)
    return thing


def header_text(line):
    text = trim_whitespace(line[1:])
    if text and text.endswith(b"]"):
        text = trim_whitespace(text[:-1])
    return text


def read_list_line(patch_list, key, value):
    if equals_ignoring_case(key, b"BasedOn"):
        patch_list.based_on = value
    elif key[:1].isdigit() and value:
        patch_list.patches[decimal_value(key)] = value[:NAME_FIELD_SIZE - 1]


def read_instrument_line(instrument, key, value):
    if equals_ignoring_case(key, b"BankSelMethod"):
        instrument.bank_sel_method = decimal_value(value)
        return
    number_text = bank_key_number_text(key)
    if number_text is not None:
        instrument.banks.append((value, decimal_value(number_text), number_text == b"*"))


def read_instrument_file(stream):
    """Lists and instruments of the whole file, as the module docstring reads them."""
    ins = InstrumentFile()
    section = None  # PATCH_NAMES_MARKER, INSTRUMENTS_MARKER, or None for any other
    current = None  # the open list or instrument
    for line in relevant_lines(stream):
        if line.startswith(b"."):
            section = None
            for known in (PATCH_NAMES_MARKER, INSTRUMENTS_MARKER):
                if equals_ignoring_case(line, known):
                    section = known
            current = None
            continue
        if line.startswith(b"["):
            if section == PATCH_NAMES_MARKER:
                current = open_named(ins.lists, header_text(line), PatchList)
            elif section == INSTRUMENTS_MARKER:
                current = open_named(ins.instruments, header_text(line), Instrument)
            continue
        if current is None or b"=" not in line:
            continue
        key, value = split_key_value(line)
        if section == PATCH_NAMES_MARKER:
            read_list_line(current, key, value)
        else:
            read_instrument_line(current, key, value)
    return ins


def built_in_list(name):
    for built_in_name, first in BUILT_IN_LISTS:
        if equals_ignoring_case(name, built_in_name):
            patch_list = PatchList(built_in_name)
            for program in range(128):
                patch_list.patches[program] = str(program + first).encode()
            return patch_list
    return None


def find_list(ins, name):
    """A list the file defines, else a built-in one, else None."""
    patch_list = find_named(ins.lists, name)
    if patch_list is not None and (patch_list.patches or patch_list.based_on is not None):
        return patch_list
    return built_in_list(name) or patch_list


def patches_of_list(ins, name):
    """(program, name) pairs of the list with everything it inherits, by program."""
    walk = []
    patch_list = find_list(ins, name)
    # A built-in list is made anew on each find, but it has no base: it always ends the walk.
    while patch_list is not None and not any(seen is patch_list for seen in walk):
        walk.append(patch_list)
        if patch_list.based_on is None:
            break
        patch_list = find_list(ins, patch_list.based_on)
    patches = {}
    for patch_list in reversed(walk):
        for program, patch_name in patch_list.patches.items():
            patches[program] = patch_name
    return sorted(patches.items())


def banks_in_map(instrument):
    """(list name, number) of the banks that go into the map: every numbered
    key, and the last `*` key where no other key has the number 0."""
    stars = [index for index, (_, _, star) in enumerate(instrument.banks) if star]
    has_bank_zero = any(number == 0 and not star for _, number, star in instrument.banks)
    return [(list_name, number) for index, (list_name, number, star) in enumerate(instrument.banks)
            if not star or (index == stars[-1] and not has_bank_zero)]


def instrument_map_bytes(ins, instrument):
    definition = InstrumentDefinition()
    definition.device_name = instrument.name[:DEVICE_NAME_LIMIT]
    definition.bank_sel_method = instrument.bank_sel_method
    for list_name, number in banks_in_map(instrument):
        bank = PatchBank(list_name, number)
        bank.patches = [PatchEntry(program, patch_name)
                        for program, patch_name in patches_of_list(ins, list_name)]
        definition.banks.append(bank)
    return patch_map_bytes(definition)


def instrument_names(ins, with_banks):
    return [instrument.name for instrument in ins.instruments
            if bool(instrument.banks) == with_banks]


# ---------------------------------------------------------------- commands

def convert(source, target):
    definition = InstrumentDefinition()
    if load_instrument_file(definition, source) != 0:
        return 1
    with open(target, "wb") as out:
        out.write(patch_map_bytes(definition))
    return 0


def convert_many(outdir, sources):
    """One process for many files (Python starts slowly): the Nth source goes
    to OUTDIR/N.vpm, and a line "N STATUS" is printed for each."""
    for index, source in enumerate(sources):
        print(index, convert(source, "%s/%d.vpm" % (outdir, index)), flush=True)
    return 0


def load_instruments(source):
    """The file's lists and instruments, or None when it cannot be read."""
    try:
        with open(source, "rb") as f:
            raw = f.read()
    except OSError:
        return None
    return read_instrument_file(text_mode_stream(raw))


def instrument_map_or_reason(ins, name):
    """(map bytes, None) or (None, why it cannot be converted)."""
    if ins is None:
        return None, "cannot be read"
    instrument = find_named(ins.instruments, trim_whitespace(name))
    if instrument is None:
        return None, "no instrument %r" % name
    if not instrument.banks:
        return None, "instrument %r declares no bank" % name
    return instrument_map_bytes(ins, instrument), None


def convert_instrument(name, source, target, ins=None, quiet=False):
    if ins is None:
        ins = load_instruments(source)
    data, reason = instrument_map_or_reason(ins, name)
    if data is None:
        if not quiet:
            print("reference_converter.py: %s: %s" % (source, reason), file=sys.stderr)
        return 1
    with open(target, "wb") as out:
        out.write(data)
    return 0


def names_bytes(names):
    return b"".join(name + b"\n" for name in names)


def print_instruments(source):
    ins = load_instruments(source)
    if ins is None:
        print("reference_converter.py: %s: cannot be read" % source, file=sys.stderr)
        return 1
    sys.stdout.buffer.write(names_bytes(instrument_names(ins, with_banks=True)))
    return 0


def list_many(outdir, sources):
    """OUTDIR/N.names and OUTDIR/N.bankless for the Nth source (empty when unreadable)."""
    for index, source in enumerate(sources):
        ins = load_instruments(source) or InstrumentFile()
        for suffix, with_banks in (("names", True), ("bankless", False)):
            with open("%s/%d.%s" % (outdir, index, suffix), "wb") as out:
                out.write(names_bytes(instrument_names(ins, with_banks)))
    return 0


def instrument_many(outdir, jobs):
    """Jobs are source, name, source, name... ; the Jth goes to OUTDIR/J.vpm."""
    loaded_source, ins = None, None
    for index in range(len(jobs) // 2):
        source, name = jobs[2 * index], jobs[2 * index + 1]
        if source != loaded_source:  # jobs come grouped by source
            loaded_source, ins = source, load_instruments(source)
        status = convert_instrument(name, source, "%s/%d.vpm" % (outdir, index), ins, quiet=True)
        print(index, status, flush=True)
    return 0


USAGE = """usage: reference_converter.py SOURCE.ins TARGET.vpm
       reference_converter.py --many OUTDIR SOURCE.ins...
       reference_converter.py --instrument NAME SOURCE.ins TARGET.vpm
       reference_converter.py --instruments SOURCE.ins
       reference_converter.py --list-many OUTDIR SOURCE.ins...
       reference_converter.py --instrument-many OUTDIR < JOBS"""


def main(argv):
    command = argv[1] if len(argv) > 1 else None
    if command == "--many" and len(argv) >= 3:
        return convert_many(argv[2], argv[3:])
    if command == "--instrument" and len(argv) == 5:
        return convert_instrument(os.fsencode(argv[2]), argv[3], argv[4])
    if command == "--instruments" and len(argv) == 3:
        return print_instruments(argv[2])
    if command == "--list-many" and len(argv) >= 3:
        return list_many(argv[2], argv[3:])
    if command == "--instrument-many" and len(argv) == 3:
        jobs = sys.stdin.buffer.read().split(b"\0")[:-1]
        return instrument_many(argv[2], [os.fsdecode(job) if i % 2 == 0 else job
                                         for i, job in enumerate(jobs)])
    if len(argv) != 3:
        print(USAGE, file=sys.stderr)
        return 2
    return convert(argv[1], argv[2])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
