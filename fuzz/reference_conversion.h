// A second, deliberately plain conversion used by the fuzzer as an oracle:
// a byte-at-a-time text-mode stream, a 300-byte line buffer trimmed in place,
// a search of the bank list from its head for every header, and snprintf for
// the output. It shares no code with the core, so a difference between the
// two is a fault in one of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ReferencePatch {
  std::int32_t program = 0;
  std::int32_t family = 0;
  std::string name;
};

struct ReferenceBank {
  std::int32_t bankNumber = 0;
  std::string patchListName;
  std::vector<ReferencePatch> patches;
};

struct ReferenceInstrument {
  std::string deviceName;
  std::int32_t bankSelMethod = 0;
  std::vector<ReferenceBank> banks;
};

// Reads the raw bytes of an instrument file; 0 or -1 as the core's loader.
int ReferenceLoad(std::string_view bytes, ReferenceInstrument& instrument);

// The patch map of a loaded instrument.
std::string ReferencePatchMap(const ReferenceInstrument& instrument);
