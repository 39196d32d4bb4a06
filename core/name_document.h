// The patch names of a MIDNAM document or a REAPER bank file, read whole into
// what their maps hold: instruments, each with its banks and its patches in
// map order, and what the reading left out or changed, as findings. The
// readings are midnam_reading.cpp and reabank_reading.cpp; the maps are
// written by the writer the instrument definitions' maps are written by.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "findings.h"
#include "instrument_source.h"
#include "load_result.h"
#include "patch_map_file.h"
#include "source_format.h"

struct NamedPatch {
  std::int32_t bankValue;  // MSB * 128 + LSB
  std::int32_t program;
  std::string name;  // Windows-1252, at most 131 bytes
};

struct NamedBank {
  std::string name;      // UTF-8
  std::string listName;  // the list it takes by name, if it does
  std::size_t patches = 0;
  std::size_t leftOut = 0;
};

struct NamedInstrument {
  std::string name;        // UTF-8, for lists, messages and file names
  std::string deviceName;  // the map's: Windows-1252, at most 299 bytes
  std::vector<NamedBank> banks;
  std::vector<NamedPatch> patches;
};

struct NameDocument {
  SourceFormat format = SourceFormat::kMidnam;
  std::vector<NamedInstrument> instruments;
  std::vector<Finding> findings;  // in line order

  // The instrument of that name, trimmed and ASCII case ignored; kNone.
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t Find(std::string_view name) const;
};

// A name as the readings take it: characters below U+0020 become a blank,
// then XML's blanks (space, tab, CR, LF) are trimmed.
std::string CleanedName(std::string_view utf8);

// An instrument's map as a reading makes it: named, then patch by patch in
// map order, each place (bank, program) once.
class NamedMapMaker {
 public:
  // Names the map; a name Windows-1252 cannot hold whole is a finding.
  NamedMapMaker(NamedInstrument& instrument, std::string name, std::size_t line,
                Findings& findings);
  // Adds the patch (a cleaned, non-empty UTF-8 name) unless an earlier one
  // has its place: false then, with a finding.
  bool Add(int msb, int lsb, int program, std::string_view name, std::size_t line);

 private:
  NamedInstrument& instrument_;
  Findings& findings_;
  std::set<std::int64_t> places_;  // bank value and program of the patches added
};

class NamedInstrumentMap final : public PatchMapSource {
 public:
  explicit NamedInstrumentMap(const NamedInstrument& instrument) : instrument_(instrument) {}
  using PatchMapSource::WriteTo;
  SystemError WriteTo(ByteSink& sink, PatchObserver* observer) override;

 private:
  const NamedInstrument& instrument_;
};

// The readings of the source's whole bytes. A MIDNAM document that is not
// well-formed XML, or that asks for more than a name document needs (an
// external entity, one it does not declare), fails as kUnreadableDocument
// with its line and reason. A REAPER file's one instrument takes the name of
// the file (`instrumentName`, UTF-8 or Windows-1252 bytes).
LoadResult ReadMidnam(InstrumentSource& source, NameDocument& document);
LoadResult ReadReabank(InstrumentSource& source, std::string_view instrumentName,
                       NameDocument& document);
