// libFuzzer target: arbitrary bytes read as a MIDNAM document and as a REAPER
// bank file. Every run checks what must hold for any input:
//   - a reading ends, succeeding or failing with a reason (and for XML a line);
//   - every map is in the writer's form, one line per patch;
//   - no map has a bank part or a program outside 0-127, or a place twice;
//   - names fit their fields: 131 bytes a patch, 299 the device;
//   - a second reading of the same bytes gives the same maps and findings.
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "memory_file_system.h"
#include "name_document.h"
#include "patch_map_checks.h"

namespace {

// The document's maps and findings, as one text, and the maps checked.
std::string ReadAndCheck(std::string_view bytes, SourceFormat format) {
  MemoryFileSystem fileSystem(bytes);
  InstrumentSource source(fileSystem);
  Check(source.Open({}).Succeeded(), "a file in memory opens");
  NameDocument document;
  const LoadResult read = format == SourceFormat::kMidnam
                              ? ReadMidnam(source, document)
                              : ReadReabank(source, bytes.substr(0, 40), document);
  if (!read.Succeeded()) {
    Check(read.failure == LoadFailure::kUnreadableDocument && !read.reason.empty(),
          "a failure says why");
    return "unreadable " + std::to_string(read.line) + " " + read.reason;
  }
  std::string seen;
  for (const NamedInstrument& instrument : document.instruments) {
    Check(instrument.deviceName.size() <= 299, "device name fits");
    std::set<std::int64_t> places;
    for (const NamedPatch& patch : instrument.patches) {
      Check(patch.bankValue >= 0 && patch.bankValue < 128 * 128, "bank parts 0-127");
      Check(patch.program >= 0 && patch.program <= 127, "program 0-127");
      Check(patch.name.size() <= 131 && !patch.name.empty(), "a name, fitting its field");
      Check(places.insert(std::int64_t{patch.bankValue} * 128 + patch.program).second,
            "each place once");
    }
    StringSink sink;
    NamedInstrumentMap map(instrument);
    Check(!map.WriteTo(sink).Failed(), "a map writes into memory");
    CheckPatchMap(sink.text, instrument.patches.size());
    seen += sink.text;
  }
  for (const Finding& finding : document.findings) seen += FindingText(finding) + "\n";
  return seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const SourceFormat format : {SourceFormat::kMidnam, SourceFormat::kReabank}) {
    Check(ReadAndCheck(bytes, format) == ReadAndCheck(bytes, format), "the same reading twice");
  }
  return 0;
}
