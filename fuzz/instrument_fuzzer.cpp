// libFuzzer target: arbitrary bytes go through the in-memory reader and the
// writer. Every run checks what must hold for any input:
//   - the load returns 0 or -1;
//   - the instrument is well formed (linked both ways, fields terminated);
//   - the patch map starts with its header, every line ends in CR LF, there is
//     one patch line per patch, and no attribute value holds a raw <, >, " or
//     an & that does not start one of the four entities;
//   - a second conversion of the same bytes gives the same output, also when
//     they are read as a file is, a few bytes at a time through the smallest
//     line buffer;
//   - a sink that refuses bytes makes the writer fail;
//   - a plain second reading of the format (reference_conversion.cpp) agrees
//     with the core on the status, the instrument and every output byte;
//   - the whole-file map written from the lines' positions, read again from
//     a file in small pieces or from a pipe, is the map of the nodes;
//   - the instrument reading gives every instrument a well-formed map whose
//     banks hold each program once, in order, and the check of the whole-file
//     conversion runs through any input.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "instrument_catalog.h"
#include "instrument_definition.h"
#include "instrument_map.h"
#include "instrument_map_oracle.h"
#include "instrument_source.h"
#include "memory_file_system.h"
#include "patch_map_checks.h"
#include "reference_conversion.h"
#include "text_lines.h"
#include "whole_file_check.h"
#include "whole_file_conversion.h"
#include "whole_file_positions.h"

namespace {

bool IsTerminated(const char* field, std::size_t size) {
  return std::memchr(field, '\0', size) != nullptr;
}

std::size_t CheckWellFormed(const InstrumentDefinition& instrument) {
  Check(IsTerminated(instrument.deviceName, sizeof instrument.deviceName), "deviceName ends");
  std::size_t patchCount = 0;
  const PatchBank* previousBank = nullptr;
  for (const PatchBank* bank = instrument.banks; bank != nullptr; bank = bank->next) {
    Check(bank->prev == previousBank, "bank prev link");
    Check(IsTerminated(bank->patchListName, sizeof bank->patchListName), "patchListName ends");
    const PatchEntry* previousPatch = nullptr;
    for (const PatchEntry* patch = bank->patches; patch != nullptr; patch = patch->next) {
      Check(patch->prev == previousPatch, "patch prev link");
      Check(IsTerminated(patch->name, sizeof patch->name), "name ends");
      Check(patch->family == patch->program / 8, "family is program / 8");
      previousPatch = patch;
      ++patchCount;
    }
    previousBank = bank;
  }
  return patchCount;
}

void CheckSameAsReference(const InstrumentDefinition& instrument,
                          const ReferenceInstrument& expected) {
  Check(expected.deviceName == instrument.deviceName, "deviceName as the reference");
  Check(expected.bankSelMethod == instrument.bankSelMethod, "bankSelMethod as the reference");
  const PatchBank* bank = instrument.banks;
  for (const ReferenceBank& expectedBank : expected.banks) {
    Check(bank != nullptr, "bank count as the reference");
    Check(expectedBank.bankNumber == bank->bankNumber, "bankNumber as the reference");
    Check(expectedBank.patchListName == bank->patchListName, "patchListName as the reference");
    const PatchEntry* patch = bank->patches;
    for (const ReferencePatch& expectedPatch : expectedBank.patches) {
      Check(patch != nullptr, "patch count as the reference");
      Check(expectedPatch.program == patch->program, "program as the reference");
      Check(expectedPatch.name == patch->name, "name as the reference");
      patch = patch->next;
    }
    Check(patch == nullptr, "no extra patch");
    bank = bank->next;
  }
  Check(bank == nullptr, "no extra bank");
}

// Refuses every byte after the first `limit`.
class RefusingSink final : public ByteSink {
 public:
  explicit RefusingSink(std::size_t limit) : limit_(limit) {}
  SystemError Write(std::string_view bytes) override {
    if (bytes.size() > limit_) return SystemError::Posix(ENOSPC);
    limit_ -= bytes.size();
    return {};
  }

 private:
  std::size_t limit_;
};

// The patch map of `bytes`, or nothing when the load fails.
int Convert(std::string_view bytes, std::string& map, InstrumentDefinition& instrument) {
  int status = LoadInstrumentText(instrument, bytes);
  Check(status == 0 || status == -1, "load returns 0 or -1");
  if (status != 0) {
    Check(instrument.banks == nullptr, "a failed load keeps no bank");
    return status;
  }
  StringSink sink;
  Check(!WritePatchMapOf(instrument, sink).Failed(), "writing into memory succeeds");
  map = std::move(sink.text);
  return status;
}

// The patch map of `bytes` read pass by pass through a small buffer.
int ConvertInPieces(std::string_view bytes, std::size_t piece, std::string& map) {
  InstrumentDefinition instrument;
  WholeFileConversion conversion(instrument);
  char buffer[LineReader::kMinBufferBytes];
  PieceSource firstSource(bytes, piece);
  LineReader bankPass(firstSource, buffer, sizeof buffer);
  (void)ReadBankDefinitions(bankPass, conversion);
  if (instrument.banks == nullptr) return -1;
  conversion.BeginPatchPass();
  PieceSource secondSource(bytes, piece);
  LineReader patchPass(secondSource, buffer, sizeof buffer);
  (void)ReadPatchNames(patchPass, conversion);
  StringSink sink;
  Check(!WritePatchMapOf(instrument, sink).Failed(), "writing into memory succeeds");
  map = std::move(sink.text);
  return 0;
}

// The whole-file map from the positions of its lines: empty when the load fails.
std::string ConvertFromPositions(std::string_view bytes, std::size_t piece,
                                 MemoryFileSystem::Kind kind) {
  MemoryFileSystem fileSystem(bytes, piece, kind);
  InstrumentSource source(fileSystem, LineReader::kMinBufferBytes);
  WholeFilePositions positions;
  if (!source.Open({}).Succeeded() || !ReadWholeFilePositions(source, positions).Succeeded()) {
    return {};
  }
  StringSink sink;
  Check(!PositionedMap(positions, source).WriteTo(sink).Failed(),
        "writing from the positions succeeds");
  return std::move(sink.text);
}

// Every instrument's own map, as --each-instrument writes them.
void CheckInstrumentReading(std::string_view bytes) {
  InstrumentCatalog catalog;
  LineReader lines(TextBeforeEndOfFileMark(bytes));
  catalog.Read(lines);
  for (const InstrumentCatalog::Instrument& instrument : catalog.instruments()) {
    InstrumentDefinition map;
    BuildInstrumentMap(catalog, instrument, map);
    for (const PatchBank* bank = map.banks; bank != nullptr; bank = bank->next) {
      for (const PatchEntry* patch = bank->patches; patch != nullptr; patch = patch->next) {
        Check(patch->next == nullptr || patch->program < patch->next->program,
              "a bank's programs ascend, each once");
      }
    }
    const std::size_t patchCount = CheckWellFormed(map);
    StringSink sink;
    Check(!WritePatchMapOf(map, sink).Failed(), "writing an instrument's map succeeds");
    CheckPatchMap(sink.text, patchCount);
    StringSink streamed;
    InstrumentMap bankByBank(catalog, instrument);
    Check(!bankByBank.WriteTo(streamed).Failed(),
          "writing an instrument's map bank by bank succeeds");
    Check(streamed.text == sink.text, "the map written bank by bank is the map built whole");
  }
  MemoryFileSystem fileSystem(bytes);
  InstrumentSource source(fileSystem);
  std::vector<Finding> findings;
  Check(source.Open({}).Succeeded() && CheckWholeFileConversion(source, findings).Succeeded(),
        "the check reads any input");
  for (const Finding& finding : findings) (void)FindingText(finding);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  CheckInstrumentReading(bytes);

  InstrumentDefinition instrument;
  std::string map;
  int status = Convert(bytes, map, instrument);
  std::size_t patchCount = CheckWellFormed(instrument);

  std::string mapInPieces;
  Check(ConvertInPieces(bytes, size % 301 + 1, mapInPieces) == status && mapInPieces == map,
        "read in pieces as in memory");

  for (const MemoryFileSystem::Kind kind :
       {MemoryFileSystem::Kind::kFile, MemoryFileSystem::Kind::kPipe}) {
    Check(ConvertFromPositions(bytes, size % 257 + 1, kind) == map,
          "the map from positions is the map of the nodes");
  }

  ReferenceInstrument expected;
  Check(ReferenceLoad(bytes, expected) == status, "status as the reference");
  CheckSameAsReference(instrument, expected);
  if (status != 0) return 0;

  CheckPatchMap(map, patchCount);
  Check(map == ReferencePatchMap(expected), "patch map as the reference");

  InstrumentDefinition again;
  std::string mapAgain;
  Check(Convert(bytes, mapAgain, again) == 0 && mapAgain == map, "same output the second time");

  RefusingSink refusing(size % map.size());
  Check(WritePatchMapOf(instrument, refusing).Failed(), "a refusing sink fails the writer");
  return 0;
}
