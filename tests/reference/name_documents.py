#!/usr/bin/env python3
"""Reference reading of patch name documents: MIDNAM (.midnam, the MIDI Name
Document XML) and REAPER bank files (.reabank), into patch maps (.vpm).

A plain, literal second reading, written for scripts/midnam-corpus to check
patchconv byte for byte, beside reference_converter.py for .ins files.
Standard library only; the XML goes through xml.parsers.expat with every
external entity refused and no DTD fetched.

    name_documents.py [-d DIR | --folder-per-file DIR] FILE...

prints, for each FILE and in total, the instruments and patches written and
what was left out and why.  With -d, each instrument's map is written to
DIR/<file name>.vpm, the file name as `patchconv --each-instrument` makes it;
with --folder-per-file, the maps of each FILE go to DIR/<FILE's base name>/.
Exit status 0, or 1 when a FILE could not be read.

What a map holds: the header with the device name, one line per patch, the
closing line, each ending in CR LF, as the .ins writer writes them.

The MIDNAM reading, point by point:

- A number is ASCII digits with optional XML blanks (space, tab, CR, LF)
  around them, leading zeros allowed; anything else is no number.
- Instruments: each ChannelNameSet element whose parent is a
  MasterDeviceNames element (anywhere in the document), in document order.
  Its name: the texts of that MasterDeviceNames' first Manufacturer and first
  Model children, each cleaned as a name is (below), the non-empty ones joined
  by one blank; where that MasterDeviceNames has more than one ChannelNameSet
  child, then ": " and the name set's cleaned Name attribute.  The device name
  of its map is that name encoded and cut to 299 bytes.
- Banks: the PatchBank children of the name set, in order.  A bank's patches
  are those of its first PatchNameList child, else of the list that its first
  UsesPatchNameList child's Name names: the first PatchNameList of the
  document whose Name attribute is exactly that (case counts), wherever it
  stands.  A name no list has, or a bank with neither: no patches.
- Patches: the Patch children of the list, in order.  Name: the Name attribute
  cleaned; empty, it is no patch (nothing is counted, it takes no program).
- A bank's commands: the children of its MIDICommands children; a patch's:
  the children of its PatchMIDICommands children.  A ControlChange's control
  is its Control attribute as a number.
- Bank select: the MSB is the Value of the last ControlChange of control 0
  among the patch's commands if they hold one, else among the bank's, else 0;
  the LSB likewise with control 32, each on its own.  A value that is no
  number or over 127: the patch is left out.
- A bank whose commands hold a ProgramChange or a SysEx and no ControlChange
  of control 0 or 32 is selected by program change: its patches whose own
  commands hold no ControlChange of control 0 or 32 are left out (the bank
  is counted once).
- Program: the Patch's ProgramChange attribute where it is there (no number:
  no program), else the Number of the last ProgramChange among its commands;
  the Number attribute of Patch is never used.  No program or over 127: left
  out.
- A (MSB, LSB, program) that the instrument has written already, over all its
  banks: left out.
- The checks come in this order: empty name, bank selected by program change,
  bank value, program, duplicate; a patch is counted under the first.
- Cleaning a name: characters below U+0020 become a blank, then XML blanks
  are trimmed (a no-break space stays).
- Encoding: Windows-1252 by Windows' own table, where 0x81, 0x8D, 0x8F, 0x90
  and 0x9D stand for U+0081, U+008D, U+008F, U+0090 and U+009D; any other
  character outside it is one "?" per code point.  Patch names are then cut
  to 131 bytes.
- The document: UTF-8, UTF-16, ISO-8859-1 and US-ASCII as expat reads them;
  another declared encoding is refused.  Internal entities are expanded
  (expat bounds their amplification); an external entity, a parameter entity
  or an entity that is not declared fails the document.

The REAPER reading:

- The file is UTF-8 where the whole file is valid UTF-8 (a BOM dropped), else
  Windows-1252 by the table above.  Lines end at LF; each is trimmed of ASCII
  blanks (space, tab, CR, LF, VT, FF), which also separate its words.  Empty
  lines and lines that begin with // are skipped.
- `Bank MSB LSB ...` (first word exactly Bank): a bank, whose programs are
  left out (the bank counted once) unless MSB and LSB are both ASCII digits
  of at most 127.
- A line whose first word is ASCII digits is a program; its name is the rest
  of the line after that word, trimmed, then cleaned as above; an empty name
  is no patch.  Left out, checked in this order: before any bank, in a bank
  left out, a program over 127, a (bank, program) written before.
- Other lines are ignored.  One instrument: the file name without its
  extension (UTF-8, else Windows-1252), cleaned, encoded and cut as the MIDNAM
  device name.

File names (-d): the instrument name as UTF-8 made safe as
core/file_names.cpp's SafeFileName makes it, with ".vpm"; a second instrument
of the same file name (ASCII case ignored) is left out.
"""

import os
import re
import sys
from xml.parsers import expat

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from reference_converter import escape_xml  # noqa: E402

NAME_LIMIT = 131
DEVICE_NAME_LIMIT = 299
XML_BLANKS = " \t\r\n"
ASCII_BLANKS = " \t\r\n\v\f"
NUMBER = re.compile(r"[ \t\r\n]*([0-9]+)[ \t\r\n]*\Z")
DIGITS = re.compile(r"[0-9]+\Z")
# The five bytes that Windows' table maps to the C1 controls of their value.
WINDOWS_1252_C1 = {0x81, 0x8D, 0x8F, 0x90, 0x9D}
# The encodings that expat reads without help.
EXPAT_ENCODINGS = {"utf-8", "utf-16", "utf-16be", "utf-16le", "iso-8859-1", "us-ascii"}

# Why a patch is left out, in the order of the checks, with the words printed.
REASONS = [
    ("program_change_bank", "bank selected by program change or SysEx"),
    ("before_bank", "program before any bank"),
    ("bank_value", "bank value no number or over 127"),
    ("program", "no program or over 127"),
    ("duplicate", "(bank, program) written before"),
]


class NameDocumentError(Exception):
    """The document cannot be read: not well-formed XML, or refused."""


# ---------------------------------------------------------------- text

def number_value(text):
    """The value of a number as defined above, or None."""
    if text is None:
        return None
    match = NUMBER.match(text)
    return int(match.group(1)) if match else None


def cleaned(text):
    """Characters below U+0020 become a blank; XML blanks trimmed."""
    return "".join(" " if ord(c) < 0x20 else c for c in text).strip(XML_BLANKS)


def windows_1252(text):
    """(bytes, how many characters became "?")."""
    out = bytearray()
    replaced = 0
    for character in text:
        try:
            out += character.encode("cp1252")
        except UnicodeEncodeError:
            if ord(character) in WINDOWS_1252_C1:
                out.append(ord(character))
            else:
                out += b"?"
                replaced += 1
    return bytes(out), replaced


def decode_windows_1252(data):
    return "".join(chr(b) if b in WINDOWS_1252_C1 else bytes([b]).decode("cp1252")
                   for b in data)


def decode_utf8_or_windows_1252(data):
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return decode_windows_1252(data)


# ---------------------------------------------------------------- counts

class Counts:
    """What a reading wrote and left out; adds up over files."""

    FIELDS = ["files", "files_failed", "files_without_instrument", "instruments",
              "instruments_same_file_name", "banks", "banks_without_list",
              "program_change_banks", "bad_value_banks", "patches",
              "patches_with_replacement", "characters_replaced"] + [k for k, _ in REASONS]

    def __init__(self):
        for field in self.FIELDS:
            setattr(self, field, 0)

    def add(self, other):
        for field in self.FIELDS:
            setattr(self, field, getattr(self, field) + getattr(other, field))

    def left_out(self):
        return sum(getattr(self, key) for key, _ in REASONS)

    def summary(self):
        """One line: what was written and what was left out, by reason."""
        line = "%d instruments, %d patches written, %d left out" % (
            self.instruments, self.patches, self.left_out())
        reasons = ["%s: %d" % (words, getattr(self, key))
                   for key, words in REASONS if getattr(self, key)]
        return line + (" (%s)" % "; ".join(reasons) if reasons else "")

    def lines(self):
        """All the counts, one a line, for the total."""
        lines = ["files: %d, not read: %d, without an instrument: %d"
                 % (self.files, self.files_failed, self.files_without_instrument),
                 "instruments: %d (left out for a file name taken: %d)"
                 % (self.instruments, self.instruments_same_file_name),
                 "banks: %d, whose list does not exist: %d, selected by program change or "
                 "SysEx: %d, REAPER banks with a bad value: %d"
                 % (self.banks, self.banks_without_list, self.program_change_banks,
                    self.bad_value_banks),
                 "patches written: %d" % self.patches,
                 "patches left out: %d" % self.left_out()]
        lines += ["  %s: %d" % (words, getattr(self, key)) for key, words in REASONS]
        lines.append("characters written as ?: %d, in %d patch names"
                     % (self.characters_replaced, self.patches_with_replacement))
        return lines


# ---------------------------------------------------------------- maps

class PatchMap:
    """One instrument's map: its name (text) and its lines."""

    def __init__(self, name, counts):
        self.name = name
        device, replaced = windows_1252(name)
        counts.characters_replaced += replaced
        self.device = device[:DEVICE_NAME_LIMIT]
        self.patches = []  # (msb, lsb, program, name bytes)
        self.written = set()

    def add(self, msb, lsb, program, name, counts):
        """Adds the patch unless its (bank, program) is written already."""
        if (msb, lsb, program) in self.written:
            counts.duplicate += 1
            return
        self.written.add((msb, lsb, program))
        encoded, replaced = windows_1252(name)
        if replaced:
            counts.patches_with_replacement += 1
            counts.characters_replaced += replaced
        self.patches.append((msb, lsb, program, encoded[:NAME_LIMIT]))
        counts.patches += 1

    def bytes(self):
        out = [b'<patchmap version="1.0" device="%s">\r\n' % escape_xml(self.device)]
        for msb, lsb, program, name in self.patches:
            out.append(b'<patch family="%d" bank="%d.%d" preset="%d" name="%s" />\r\n'
                       % (program // 8, msb, lsb, program, escape_xml(name)))
        out.append(b"</patchmap>\r\n")
        return b"".join(out)


# ---------------------------------------------------------------- XML

class Element:
    __slots__ = ("name", "attributes", "children", "text")

    def __init__(self, name, attributes):
        self.name = name
        self.attributes = attributes
        self.children = []
        self.text = []

    def named(self, name):
        return [child for child in self.children if child.name == name]

    def first(self, name):
        found = self.named(name)
        return found[0] if found else None

    def all_text(self):
        return "".join(self.text) + "".join(child.all_text() for child in self.children)

    def walk(self):
        yield self
        for child in self.children:
            yield from child.walk()


def parse_xml(data):
    """The document's root element; NameDocumentError when it cannot be read."""
    parser = expat.ParserCreate()
    parser.SetParamEntityParsing(expat.XML_PARAM_ENTITY_PARSING_NEVER)
    parser.buffer_text = True
    stack = []
    roots = []

    def refuse(message):
        raise NameDocumentError("line %d: %s" % (parser.CurrentLineNumber, message))

    def xml_declaration(version, encoding, standalone):
        if encoding is not None and encoding.lower() not in EXPAT_ENCODINGS:
            refuse("encoding %s is not read" % encoding)

    def start(name, attributes):
        element = Element(name, attributes)
        (stack[-1].children if stack else roots).append(element)
        stack.append(element)

    def end(name):
        stack.pop()

    def text(data):
        if stack:
            stack[-1].text.append(data)

    def external_entity(context, base, system_id, public_id):
        refuse("the external entity %s is not read" % system_id)

    def skipped_entity(name, is_parameter_entity):
        refuse("the entity %s%s is not read" % ("%" if is_parameter_entity else "&", name))

    parser.XmlDeclHandler = xml_declaration
    parser.StartElementHandler = start
    parser.EndElementHandler = end
    parser.CharacterDataHandler = text
    parser.ExternalEntityRefHandler = external_entity
    parser.SkippedEntityHandler = skipped_entity
    try:
        parser.Parse(data, True)
    except expat.ExpatError as error:
        raise NameDocumentError("line %d: %s" % (error.lineno, expat.ErrorString(error.code)))
    return roots[0]


# ---------------------------------------------------------------- MIDNAM

def commands(element, container):
    return [command for holder in element.named(container) for command in holder.children]


def controls(command_list, control):
    """The Value attributes of the ControlChange commands of that control."""
    return [command.attributes.get("Value") for command in command_list
            if command.name == "ControlChange"
            and number_value(command.attributes.get("Control")) == control]


def sends_bank_select(command_list):
    return bool(controls(command_list, 0) or controls(command_list, 32))


def patch_program(patch, patch_commands):
    if "ProgramChange" in patch.attributes:
        return number_value(patch.attributes["ProgramChange"])
    changes = [command for command in patch_commands if command.name == "ProgramChange"]
    return number_value(changes[-1].attributes.get("Number")) if changes else None


def bank_list(bank, lists):
    inline = bank.first("PatchNameList")
    if inline is not None:
        return inline
    uses = bank.first("UsesPatchNameList")
    return lists.get(uses.attributes.get("Name")) if uses is not None else None


def read_bank(bank, lists, patch_map, counts):
    counts.banks += 1
    patch_list = bank_list(bank, lists)
    if patch_list is None:
        counts.banks_without_list += 1
        return
    bank_commands = commands(bank, "MIDICommands")
    by_program_change = (any(c.name in ("ProgramChange", "SysEx") for c in bank_commands)
                         and not sends_bank_select(bank_commands))
    left_out_by_program_change = False
    for patch in patch_list.named("Patch"):
        name = cleaned(patch.attributes.get("Name", ""))
        if not name:
            continue
        patch_commands = commands(patch, "PatchMIDICommands")
        if by_program_change and not sends_bank_select(patch_commands):
            counts.program_change_bank += 1
            left_out_by_program_change = True
            continue
        values = []
        for control in (0, 32):
            own = controls(patch_commands, control) or controls(bank_commands, control)
            values.append(number_value(own[-1]) if own else 0)
        if any(value is None or value > 127 for value in values):
            counts.bank_value += 1
            continue
        program = patch_program(patch, patch_commands)
        if program is None or program > 127:
            counts.program += 1
            continue
        patch_map.add(values[0], values[1], program, name, counts)
    if left_out_by_program_change:
        counts.program_change_banks += 1


def read_midnam(data, counts):
    """The maps of the document's instruments, in order."""
    root = parse_xml(data)
    lists = {}
    for element in root.walk():
        if element.name == "PatchNameList" and "Name" in element.attributes:
            lists.setdefault(element.attributes["Name"], element)
    maps = []
    for device in root.walk():
        if device.name != "MasterDeviceNames":
            continue
        parts = []
        for part in ("Manufacturer", "Model"):
            element = device.first(part)
            text = cleaned(element.all_text()) if element is not None else ""
            if text:
                parts.append(text)
        name_sets = device.named("ChannelNameSet")
        for name_set in name_sets:
            name = " ".join(parts)
            if len(name_sets) > 1:
                name += ": " + cleaned(name_set.attributes.get("Name", ""))
            patch_map = PatchMap(name, counts)
            for bank in name_set.named("PatchBank"):
                read_bank(bank, lists, patch_map, counts)
            maps.append(patch_map)
    return maps


# ---------------------------------------------------------------- REAPER

def read_reabank(data, instrument_name, counts):
    """The one map of a REAPER bank file."""
    text = decode_utf8_or_windows_1252(data)
    if text.startswith("\ufeff"):
        text = text[1:]
    patch_map = PatchMap(cleaned(instrument_name), counts)
    bank = None  # (msb, lsb), or False for a bank left out
    for line in text.split("\n"):
        line = line.strip(ASCII_BLANKS)
        if not line or line.startswith("//"):
            continue
        words = re.split("[" + ASCII_BLANKS + "]+", line)
        if words[0] == "Bank":
            values = [int(word) if DIGITS.match(word) else None for word in words[1:3]]
            if len(values) == 2 and all(v is not None and v <= 127 for v in values):
                bank = tuple(values)
            else:
                bank = False
                counts.bad_value_banks += 1
            counts.banks += 1
        elif DIGITS.match(words[0]):
            name = cleaned(line[len(words[0]):].strip(ASCII_BLANKS))
            if not name:
                continue
            program = int(words[0])
            if bank is None:
                counts.before_bank += 1
            elif bank is False:
                counts.bank_value += 1
            elif program > 127:
                counts.program += 1
            else:
                patch_map.add(bank[0], bank[1], program, name, counts)
    return [patch_map]


# ---------------------------------------------------------------- files

def reabank_instrument_name(path):
    stem = os.path.splitext(os.path.basename(os.fsencode(path)))[0]
    return decode_utf8_or_windows_1252(stem)


def document_format(path, data):
    """"midnam" or "reabank", by the extension, else by the content; else None."""
    extension = os.path.splitext(path)[1].lower()
    if extension in (".midnam", ".reabank"):
        return extension[1:]
    text = data[3:] if data.startswith(b"\xef\xbb\xbf") else data
    text = text.lstrip(b" \t\r\n")
    if text.startswith(b"<?xml") or text.startswith(b"<MIDINameDocument"):
        return "midnam"
    for line in text.split(b"\n"):
        line = line.strip(ASCII_BLANKS.encode())
        if line and not line.startswith(b"//"):
            words = re.split(b"[" + ASCII_BLANKS.encode() + b"]+", line)
            if (len(words) >= 3 and words[0] == b"Bank"
                    and DIGITS.match(words[1].decode("latin-1"))
                    and DIGITS.match(words[2].decode("latin-1"))):
                return "reabank"
            return None
    return None


def read_file(path, counts):
    """The maps of the file at path."""
    with open(path, "rb") as source:
        data = source.read()
    kind = document_format(path, data)
    if kind == "midnam":
        return read_midnam(data, counts)
    if kind == "reabank":
        return read_reabank(data, reabank_instrument_name(path), counts)
    raise NameDocumentError("neither a MIDNAM nor a REAPER bank file")


# ---------------------------------------------------------------- file names

MAX_FILE_NAME_BYTES = 200
UNSAFE = b'/\\:*?"<>|'
SUPERSCRIPT_DIGITS = [b"\xb9", b"\xb2", b"\xb3", b"\xc2\xb9", b"\xc2\xb2", b"\xc2\xb3"]
DEVICE_NAMES = [b"con", b"prn", b"aux", b"nul", b"conin$", b"conout$"]


def utf8_sequence_length(name, at):
    """core/file_names.cpp's: the length of the sequence at `at`, 0 where none."""
    lead = name[at]
    if lead < 0x80:
        length = 1
    elif 0xC2 <= lead < 0xF5:
        length = 2 if lead < 0xE0 else 3 if lead < 0xF0 else 4
    else:
        return 0
    if at + length > len(name):
        return 0
    if any(name[at + i] & 0xC0 != 0x80 for i in range(1, length)):
        return 0
    return length


def file_name_characters(name):
    at, characters = 0, []
    while at < len(name):
        if utf8_sequence_length(name, at) == 0:
            return [name[i:i + 1] for i in range(len(name))]
        length = utf8_sequence_length(name, at)
        characters.append(name[at:at + length])
        at += length
    return characters


def ascii_lower(name):
    return bytes(b + 32 if 0x41 <= b <= 0x5A else b for b in name)


def is_reserved_device_name(stem):
    lower = ascii_lower(stem)
    if lower in DEVICE_NAMES:
        return True
    rest = stem[3:]
    return (lower[:3] in (b"com", b"lpt")
            and (rest in SUPERSCRIPT_DIGITS or (len(rest) == 1 and rest.isdigit())))


def safe_file_name(name):
    """core/file_names.cpp's SafeFileName, without lead bytes, on bytes."""
    characters = file_name_characters(name)
    size, kept = 0, 0
    while kept < len(characters) and size + len(characters[kept]) <= MAX_FILE_NAME_BYTES:
        size += len(characters[kept])
        kept += 1
    characters = characters[:kept]
    while characters and characters[-1] in (b".", b" "):
        characters.pop()
    if not characters:
        return b"_"
    safe = bytearray()
    for character in characters:
        unsafe = len(character) == 1 and (character[0] < 0x20 or character[0] == 0x7F
                                          or character[0] in UNSAFE)
        safe += b"_" if unsafe else character
    if safe[:1] == b".":
        safe[0:1] = b"_"
    dot = safe.find(b".")
    stem = bytes(safe if dot < 0 else safe[:dot]).rstrip(b" ")
    if is_reserved_device_name(stem):
        safe[len(stem):len(stem)] = b"_"
    return bytes(safe)


def write_maps(maps, folder, taken, counts):
    """Each map into folder under its file name; a name taken is left out."""
    os.makedirs(folder, exist_ok=True)
    for patch_map in maps:
        file_name = safe_file_name(patch_map.name.encode("utf-8")) + b".vpm"
        if ascii_lower(file_name) in taken:
            counts.instruments_same_file_name += 1
            continue
        taken.add(ascii_lower(file_name))
        with open(os.path.join(os.fsencode(folder), file_name), "wb") as out:
            out.write(patch_map.bytes())


# ---------------------------------------------------------------- command

USAGE = "usage: name_documents.py [-d DIR | --folder-per-file DIR] FILE..."


def main(argv):
    folder, per_file = None, False
    arguments = argv[1:]
    if arguments[:1] in (["-d"], ["--folder-per-file"]) and len(arguments) >= 2:
        folder, per_file = arguments[1], arguments[0] == "--folder-per-file"
        arguments = arguments[2:]
    if not arguments or any(a.startswith("-") for a in arguments):
        print(USAGE, file=sys.stderr)
        return 2
    total = Counts()
    taken = set()
    for path in arguments:
        counts = Counts()
        counts.files = 1
        try:
            maps = read_file(path, counts)
        except (OSError, NameDocumentError) as error:
            print("%s: not read: %s" % (path, error))
            total.files += 1
            total.files_failed += 1
            continue
        counts.instruments = len(maps)
        counts.files_without_instrument = int(not maps)
        if folder is not None:
            if per_file:
                write_maps(maps, os.path.join(folder, os.path.basename(path)), set(), counts)
            else:
                write_maps(maps, folder, taken, counts)
        total.add(counts)
        print("%s: %s" % (path, counts.summary()))
    print("Total:")
    for line in total.lines():
        print("  " + line)
    return 1 if total.files_failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
