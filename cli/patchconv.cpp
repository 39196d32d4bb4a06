#include "patchconv.h"

#include <new>
#include <set>
#include <string>

#include "byte_sink.h"
#include "file_system.h"
#include "instrument_definition.h"
#include "instrument_file.h"
#include "patch_map_file.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kVersion = "1.0.0.1";
constexpr const char* kUsage =
    "usage: patchconv SOURCE.ins TARGET.vpm\n"
    "       patchconv -d DIR SOURCE.ins...\n";
constexpr const char* kHelp =
    "Converts MIDI instrument definition files (.ins) into Halvorn Quintara patch maps (.vpm).\n"
    "\n"
    "  patchconv SOURCE.ins TARGET.vpm   convert one file; TARGET - writes to standard output\n"
    "  patchconv -d DIR SOURCE.ins...    convert each source into DIR/<name>.vpm\n"
    "  -d, --output-dir DIR              the folder for the patch maps\n"
    "  -h, --help                        show this help\n"
    "  --version                         show the version\n"
    "\n"
    "Exit status: 0 when every file converted, 1 when any failed, 2 for wrong usage.\n"
    "A target is replaced only by a complete patch map; after a failure it is unchanged.\n";

// A path as text for messages; never throws, even for names that have no
// narrow spelling on Windows.
std::string Shown(const fs::path& path) {
  try {
    return path.string();
  } catch (...) {
    auto utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
  }
}

// The reason of a failed load, after "patchconv: SOURCE: ".
std::string LoadFailureText(const LoadResult& result) {
  switch (result.failure) {
    case LoadFailure::kCannotOpen:
      return "cannot be opened: " + result.error.Text();
    case LoadFailure::kCannotRead:
      return "cannot be read: " + result.error.Text();
    case LoadFailure::kNoBank:
      return "holds no bank (no Patch[n] key in it)";
    case LoadFailure::kNone:
      break;
  }
  return "was read";
}

class Converter {
 public:
  Converter(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

  // Converts one source into `target` ("-" for standard output); reports a
  // failure on one line and returns false. Running out of memory is such a
  // failure: the next source may well fit.
  bool Convert(const fs::path& source, const fs::path& target) {
    try {
      return ConvertOrThrow(source, target);
    } catch (const std::bad_alloc&) {
      return Fail(source, "not enough memory to convert it");
    }
  }

  bool Fail(const fs::path& file, const std::string& reason) {
    std::fprintf(err_, "patchconv: %s: %s\n", Shown(file).c_str(), reason.c_str());
    return false;
  }

 private:
  bool ConvertOrThrow(const fs::path& source, const fs::path& target) {
    InstrumentDefinition instrument;
    const LoadResult loaded = ReadInstrumentFile(instrument, source.native(), fileSystem_);
    if (!loaded.Succeeded()) return Fail(source, LoadFailureText(loaded));
    if (target == "-") return WriteToOut(instrument, source);
    const WriteResult written = WritePatchMapFile(instrument, target.native(), fileSystem_);
    if (!written.Succeeded()) return Fail(target, "cannot be written: " + written.error.Text());
    return true;
  }

  bool WriteToOut(const InstrumentDefinition& instrument, const fs::path& source) {
    StdioSink sink(out_);
    if (instrument.WritePatchMap(sink) != 0 || std::fflush(out_) != 0) {
      return Fail(source, "its patch map could not be written to standard output");
    }
    return true;
  }

  std::FILE* out_;
  std::FILE* err_;
  FileSystem fileSystem_;
};

int Usage(std::FILE* err, const char* problem) {
  std::fprintf(err, "patchconv: %s\n%s", problem, kUsage);
  return kExitUsage;
}

bool IsOption(const fs::path& argument, const char* shortName, const char* longName) {
  return argument == shortName || argument == longName;
}

// Converts every source into the folder, each to <stem>.vpm; two sources of
// the same stem would write one target, so the later one is refused.
int ConvertIntoFolder(const fs::path& folder, const std::vector<fs::path>& sources,
                      Converter& converter) {
  bool allConverted = true;
  std::set<fs::path> targets;
  for (const fs::path& source : sources) {
    fs::path target = folder / source.stem();
    target += ".vpm";
    bool converted = targets.insert(target).second
                         ? converter.Convert(source, target)
                         : converter.Fail(source, "has the same name as an earlier source; " +
                                                      Shown(target) + " is kept as converted");
    allConverted = allConverted && converted;
  }
  return allConverted ? kExitConverted : kExitSomeFailed;
}

}  // namespace

int RunPatchconv(const std::vector<fs::path>& arguments, std::FILE* out, std::FILE* err) {
  if (arguments.size() == 1 && IsOption(arguments[0], "-h", "--help")) {
    std::fprintf(out, "%s%s", kUsage, kHelp);
    return kExitConverted;
  }
  if (arguments.size() == 1 && arguments[0] == "--version") {
    std::fprintf(out, "patchconv %s\n", kVersion);
    return kExitConverted;
  }
  Converter converter(out, err);
  if (!arguments.empty() && IsOption(arguments[0], "-d", "--output-dir")) {
    if (arguments.size() < 3) return Usage(err, "-d needs a folder and at least one source");
    std::vector<fs::path> sources(arguments.begin() + 2, arguments.end());
    return ConvertIntoFolder(arguments[1], sources, converter);
  }
  if (arguments.size() != 2) return Usage(err, "expected a source and a target");
  return converter.Convert(arguments[0], arguments[1]) ? kExitConverted : kExitSomeFailed;
}
