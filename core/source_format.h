// The formats a source of patch names comes in, and how a source's is told:
// by its extension, else by its first bytes.
#pragma once

#include <optional>
#include <string_view>

enum class SourceFormat {
  kInstrumentDefinition,  // .ins
  kMidnam,                // .midnam, the MIDI Name Document XML
  kReabank,               // .reabank, REAPER's bank files
};

// "ins", "midnam", "reabank", as --from names them; nothing for another word.
std::optional<SourceFormat> FormatNamed(std::string_view name);

// The format of an extension (".ins", ".midnam", ".reabank", ASCII case
// ignored); nothing for another.
std::optional<SourceFormat> FormatOfExtension(std::string_view extension);

// The format of a file's first bytes: MIDNAM where they begin with "<?xml"
// or "<MIDINameDocument" after an optional byte order mark and blanks (a
// UTF-16 one followed by "<" too); REAPER where the first line that is not
// empty or a "//" comment is "Bank N N ..."; an instrument definition
// otherwise.
SourceFormat FormatOfContent(std::string_view firstBytes);

// What --list calls it: "an instrument definition", "a MIDNAM document",
// "a REAPER bank file".
std::string_view FormatDescription(SourceFormat format);
