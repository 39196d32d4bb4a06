#include "converter.h"

#include <new>

#include "byte_sink.h"
#include "file_names.h"
#include "instrument_catalog.h"
#include "instrument_listing.h"
#include "instrument_map.h"
#include "instrument_source.h"
#include "message_text.h"
#include "name_list.h"
#include "patch_map_file.h"
#include "text_lines.h"
#include "whole_file_check.h"
#include "whole_file_conversion.h"

namespace fs = std::filesystem;

namespace {

std::string InstrumentNames(const InstrumentCatalog& catalog) {
  NameList names;
  for (const auto& instrument : catalog.instruments()) names.Add(instrument.name);
  return names.size() == 0 ? "it defines no instrument" : "it defines: " + names.Text();
}

}  // namespace

std::string ShownPath(const fs::path& path) {
  return path == "-" ? "standard input" : TextFromNativePath(path.native());
}

bool Converter::Fail(const fs::path& file, const std::string& reason) {
  PrintLine(err_, "patchconv: " + ShownPath(file) + ": " + reason);
  return false;
}

// Whether all that was printed reached standard output: a full disk or a
// closed stream shows no later than the flush.
bool Converter::Flushed(const fs::path& source, const char* what) {
  if (std::fflush(out_) != 0) Refused(SystemError::Last());
  if (!outError_.Failed() && !std::ferror(out_)) return true;
  const std::string reason = outError_.Failed() ? ": " + outError_.Text() : "";
  return Fail(source, std::string(what) + " could not be written to standard output" + reason);
}

// Keeps the first reason why standard output refused bytes, for the message.
void Converter::Refused(SystemError error) {
  if (!outError_.Failed()) outError_ = error;
}

// Prints a line of a listing.
void Converter::Print(std::string_view line) {
  if (!PrintLine(out_, line)) Refused(SystemError::Last());
}

// Runs the work for one source; running out of memory fails that source only,
// as the next may well fit.
template <typename Work>
bool Converter::Guarded(const fs::path& source, Work work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return Fail(source, "not enough memory to convert it");
  }
}

bool Converter::Open(const fs::path& source, InstrumentSource& opened) {
  if (source == "-") {
    opened.Borrow(FileSystem::StandardInput());
  } else if (const LoadResult opening = opened.Open(source.native()); !opening.Succeeded()) {
    return Fail(source, LoadFailureText(opening));
  }
  return true;
}

bool Converter::ReadInstruments(const fs::path& source, InstrumentSource& opened,
                                InstrumentCatalog& catalog) {
  if (!Open(source, opened)) return false;
  const LoadResult read = ::ReadCatalog(catalog, opened);
  return read.Succeeded() || Fail(source, LoadFailureText(read));
}

bool Converter::Write(PatchMapSource& map, const fs::path& source, const fs::path& target) {
  if (target == "-") {
    StdioSink sink(out_);
    if (const SystemError error = map.WriteTo(sink); error.Failed()) Refused(error);
    return Flushed(source, "its patch map");
  }
  const WriteResult written = WritePatchMapFile(map, target.native(), fileSystem_);
  if (written.failure == WriteFailure::kCannotReplace) {
    return Fail(target, "cannot be replaced; it keeps its old bytes: " + written.error.Text());
  }
  if (!written.Succeeded()) return Fail(target, "cannot be written: " + written.error.Text());
  // Known after the write: replacing the target made it a new file.
  if (FileSystem::FileIdentity identity;
      !fileSystem_.Identify(target.native(), identity).Failed()) {
    writtenTargets_.insert(identity);
  }
  return true;
}

bool Converter::WroteEarlier(const fs::path& target) {
  FileSystem::FileIdentity identity;
  return !fileSystem_.Identify(target.native(), identity).Failed() &&
         writtenTargets_.contains(identity);
}

// Reads the instruments of `source`, in one pass, and runs `work` on them.
template <typename Work>
bool Converter::WithInstruments(const fs::path& source, Work work) {
  return Guarded(source, [&] {
    InstrumentSource opened(fileSystem_);
    InstrumentCatalog catalog;
    return ReadInstruments(source, opened, catalog) && work(catalog);
  });
}

bool Converter::Convert(const fs::path& source, const fs::path& target,
                        const std::string* instrumentName) {
  if (instrumentName != nullptr) return ConvertInstrument(source, target, *instrumentName);
  return Guarded(source, [&] {
    InstrumentSource opened(fileSystem_);
    if (!Open(source, opened)) return false;
    InstrumentDefinition whole;
    const LoadResult loaded = ReadWholeFileInto(whole, opened);
    if (!loaded.Succeeded()) return Fail(source, LoadFailureText(loaded));
    WholeFileMap map(whole);
    return Write(map, source, target);
  });
}

bool Converter::ConvertInstrument(const fs::path& source, const fs::path& target,
                                  const std::string& name) {
  return WithInstruments(source, [&](InstrumentCatalog& catalog) {
    const auto* instrument = catalog.FindInstrument(name);
    if (instrument == nullptr) {
      return Fail(source, "no instrument \"" + name + "\"; " + InstrumentNames(catalog));
    }
    if (instrument->banks.empty()) {
      return Fail(source, "instrument \"" + instrument->name + "\" declares no bank");
    }
    InstrumentMap map(catalog, *instrument);
    return Write(map, source, target);
  });
}

bool Converter::ConvertEachInstrument(const fs::path& source, const fs::path& folder) {
  return WithInstruments(source, [&](InstrumentCatalog& catalog) {
    catalog.ResolveListsOf(nullptr);  // all in one walk
    const LeadBytes leadBytes = TextLeadBytes();
    bool allConverted = true;
    bool anyBank = false;
    for (const auto& instrument : catalog.instruments()) {
      if (instrument.banks.empty()) continue;
      anyBank = true;
      const std::string fileName = SafeFileName(instrument.name, leadBytes) + ".vpm";
      const fs::path target = folder / fs::path(NativePathFromText(fileName));
      if (!folderTargets_.insert(LowerAscii(fileName)).second || WroteEarlier(target)) {
        allConverted =
            Fail(source, "instrument \"" + instrument.name + "\" would be written to " +
                             ShownPath(target) + " as an earlier one was; that one is kept") &&
            allConverted;
        continue;
      }
      InstrumentMap map(catalog, instrument);
      allConverted = Write(map, source, target) && allConverted;
    }
    return anyBank ? allConverted
                   : Fail(source, "defines no instrument with a bank; " + InstrumentNames(catalog));
  });
}

bool Converter::List(const fs::path& source) {
  return WithInstruments(source, [&](InstrumentCatalog& catalog) {
    if (catalog.instruments().empty()) return Fail(source, kNoInstrumentToList);
    for (const InstrumentListing& instrument : ListInstruments(catalog)) {
      Print(instrument.Line());
      for (const BankListing& bank : instrument.banks) Print(bank.Line());
    }
    return Flushed(source, "its list");
  });
}

bool Converter::Check(const fs::path& source) {
  return Guarded(source, [&] {
    InstrumentSource opened(fileSystem_);
    if (!Open(source, opened)) return false;
    std::vector<Finding> findings;
    const LoadResult read = CheckWholeFileConversion(opened, findings);
    if (!read.Succeeded()) return Fail(source, LoadFailureText(read));
    const std::string shown = ShownPath(source);
    for (const Finding& finding : findings) {
      std::string line = shown;
      if (finding.line > 0) line.append(":").append(std::to_string(finding.line));
      Print(line.append(": ").append(FindingText(finding)));
    }
    return Flushed(source, "its findings") && findings.empty();
  });
}
