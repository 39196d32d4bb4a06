#include "large_instrument.h"

#include <algorithm>

#include "byte_sink.h"
#include "instrument_definition.h"
#include "patchconv.h"

std::string LargeInstrumentText(std::size_t patchMapBytes) {
  std::string text = "[Big Synth]\r\nBankSelMethod=1\r\n";
  // Each patch line of the map is about 80 bytes; 128 patches to a bank.
  std::size_t banks = patchMapBytes / (80 * 128) + 1;
  for (std::size_t bank = 0; bank < banks; ++bank) {
    text += "Patch[" + std::to_string(bank) + "]=List " + std::to_string(bank) + "\r\n";
  }
  for (std::size_t bank = 0; bank < banks; ++bank) {
    text += "[List " + std::to_string(bank) + "]\r\n";
    for (int program = 0; program < 128; ++program) {
      text += std::to_string(program) + "=Patch & name <" + std::to_string(bank) + "." +
              std::to_string(program) + ">\r\n";
    }
  }
  return text;
}

std::string PatchMapOf(const std::string& instrumentText) {
  InstrumentDefinition instrument;
  if (instrument.LoadInstrumentText(instrumentText) != 0) return {};
  StringSink sink;
  instrument.WritePatchMap(sink);
  return sink.text;
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

std::string ReadBack(std::FILE* file) {
  std::string text;
  std::fflush(file);
  std::rewind(file);
  for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
  std::fclose(file);
  return text;
}

}  // namespace

PatchconvRun RunPatchconvCaught(const std::vector<std::filesystem::path>& arguments) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  int status = RunPatchconv(arguments, out, err);
  return {status, ReadBack(out), ReadBack(err)};
}
