#!/usr/bin/env python3
"""Reference converter from an instrument definition (.ins) to a patch map (.vpm).

A deliberately plain, slow and literal second reading of the format, used to
cross-check `patchconv` byte for byte.  Standard library only.

    reference_converter.py SOURCE.ins TARGET.vpm
    reference_converter.py --many OUTDIR SOURCE.ins...

Exit status 0 and TARGET written on success; exit status 1 and nothing written
when the source cannot be opened or declares no bank.  With --many, the Nth
source is converted to OUTDIR/N.vpm and "N STATUS" is printed for it.

Everything is bytes: no character set is ever decoded.  Numbers are kept as
Python integers and folded into signed 32 bits wherever the C++ core stores
them in an `int32_t`.
"""

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


def main(argv):
    if len(argv) >= 3 and argv[1] == "--many":
        return convert_many(argv[2], argv[3:])
    if len(argv) != 3:
        print("usage: reference_converter.py SOURCE.ins TARGET.vpm\n"
              "       reference_converter.py --many OUTDIR SOURCE.ins...", file=sys.stderr)
        return 2
    return convert(argv[1], argv[2])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
