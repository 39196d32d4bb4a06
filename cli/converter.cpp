#include "converter.h"

#include <new>

#include "byte_sink.h"
#include "file_names.h"
#include "instrument_listing.h"
#include "instrument_source.h"
#include "instruments.h"
#include "message_text.h"
#include "name_list.h"
#include "patch_map_file.h"
#include "text_lines.h"
#include "whole_file_check.h"
#include "whole_file_conversion.h"
#include "whole_file_positions.h"

namespace fs = std::filesystem;

namespace {

std::string InstrumentNames(const Instruments& instruments) {
  NameList names;
  for (std::size_t i = 0; i < instruments.size(); ++i) names.Add(instruments.Name(i));
  return names.size() == 0 ? "it defines no instrument" : "it defines: " + names.Text();
}

// The name REAPER's one instrument takes: the file's, without its extension.
std::string FileStem(const fs::path& source) {
  return source == "-" ? "standard input" : Utf8FromNativePath(source.stem().native());
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

// As --from says, else by the extension, else by the first bytes.
SourceFormat Converter::FormatOf(const fs::path& source, InstrumentSource& opened) {
  if (commandLine_.format) return *commandLine_.format;
  if (source != "-") {
    if (const auto format = FormatOfExtension(TextFromNativePath(source.extension().native()))) {
      return *format;
    }
  }
  return FormatOfContent(opened.Peek());
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

// Reads the instruments of `source`, in one pass, and runs `work` on them
// and on the findings of their reading, if its format has any.
template <typename Work>
bool Converter::WithInstruments(const fs::path& source, Work work) {
  return Guarded(source, [&] {
    InstrumentSource opened(fileSystem_);
    if (!Open(source, opened)) return false;
    std::unique_ptr<Instruments> instruments;
    std::vector<Finding> findings;
    const LoadResult read = ::ReadInstruments(opened, FormatOf(source, opened), FileStem(source),
                                              instruments, &findings);
    return read.Succeeded() ? work(*instruments, findings) : Fail(source, LoadFailureText(read));
  });
}

bool Converter::Convert(const fs::path& source, const fs::path& target) {
  if (commandLine_.instrument) return ConvertInstrument(source, target);
  return Guarded(source, [&] {
    InstrumentSource opened(fileSystem_);
    if (!Open(source, opened)) return false;
    if (FormatOf(source, opened) != SourceFormat::kInstrumentDefinition) {
      return ConvertTheInstrument(source, opened, target);
    }
    if (IsTheSource(opened, target)) return ConvertWholeFileHeld(source, opened, target);
    WholeFilePositions positions;
    const LoadResult loaded = ReadWholeFilePositions(opened, positions);
    if (!loaded.Succeeded()) return Fail(source, LoadFailureText(loaded));
    PositionedMap map(positions, opened);
    return Write(map, source, target);
  });
}

// Whether the target is the very file being read: written in place (a file
// with other hard links, say), it would be emptied before its patches were
// read again.
bool Converter::IsTheSource(InstrumentSource& opened, const fs::path& target) {
  FileSystem::FileIdentity read, written;
  return target != "-" && !opened.Identify(read).Failed() &&
         !fileSystem_.Identify(target.native(), written).Failed() && read == written;
}

// The whole file held in memory as the Windows program holds it, for a
// target that is the source itself.
bool Converter::ConvertWholeFileHeld(const fs::path& source, InstrumentSource& opened,
                                     const fs::path& target) {
  InstrumentDefinition whole;
  const LoadResult loaded = ReadWholeFileInto(whole, opened);
  if (!loaded.Succeeded()) return Fail(source, LoadFailureText(loaded));
  WholeFileMap map(whole);
  return Write(map, source, target);
}

// The whole file of a format that merges no instruments: its one instrument,
// never a merge of several.
bool Converter::ConvertTheInstrument(const fs::path& source, InstrumentSource& opened,
                                     const fs::path& target) {
  std::unique_ptr<Instruments> instruments;
  const LoadResult read =
      ::ReadInstruments(opened, FormatOf(source, opened), FileStem(source), instruments);
  if (!read.Succeeded()) return Fail(source, LoadFailureText(read));
  if (instruments->size() == 0) return Fail(source, std::string(instruments->NoInstrument()));
  if (instruments->size() > 1) {
    NameList names;
    for (std::size_t i = 0; i < instruments->size(); ++i) names.Add(instruments->Name(i));
    return Fail(source, "defines " + std::to_string(instruments->size()) +
                            " instruments: " + names.Text() +
                            "; choose one with --instrument NAME, or convert each with "
                            "--each-instrument");
  }
  return Write(*instruments->Map(0), source, target);
}

bool Converter::ConvertInstrument(const fs::path& source, const fs::path& target) {
  return WithInstruments(source, [&](Instruments& instruments, const std::vector<Finding>&) {
    const std::string& name =
        instruments.NamesAreUtf8() ? commandLine_.instrumentUtf8 : *commandLine_.instrument;
    const std::size_t found = instruments.Find(name);
    if (found == Instruments::kNone) {
      return Fail(source, "no instrument \"" + name + "\"; " + InstrumentNames(instruments));
    }
    if (!instruments.HasMap(found)) {
      return Fail(source, "instrument \"" + instruments.Name(found) + "\" declares no bank");
    }
    return Write(*instruments.Map(found), source, target);
  });
}

bool Converter::ConvertEachInstrument(const fs::path& source, const fs::path& folder) {
  return WithInstruments(source, [&](Instruments& instruments, const std::vector<Finding>&) {
    instruments.PrepareEveryMap();
    bool allConverted = true;
    bool anyMap = false;
    for (std::size_t i = 0; i < instruments.size(); ++i) {
      if (!instruments.HasMap(i)) continue;
      anyMap = true;
      allConverted = ConvertInto(source, folder, instruments, i) && allConverted;
    }
    if (anyMap) return allConverted;
    const std::string why = instruments.size() == 0 ? std::string(instruments.NoInstrument())
                                                    : "defines no instrument with a bank; " +
                                                          InstrumentNames(instruments);
    return Fail(source, why);
  });
}

// One instrument's map into the folder, under a name made from its own; a
// name that an earlier map took is refused.
bool Converter::ConvertInto(const fs::path& source, const fs::path& folder,
                            Instruments& instruments, std::size_t instrument) {
  const bool utf8 = instruments.NamesAreUtf8();
  const std::string& name = instruments.Name(instrument);
  const std::string fileName = SafeFileName(name, utf8 ? LeadBytes() : TextLeadBytes()) + ".vpm";
  const fs::path target =
      folder / fs::path(utf8 ? NativePathFromUtf8(fileName) : NativePathFromText(fileName));
  if (!folderTargets_.insert(LowerAscii(fileName)).second || WroteEarlier(target)) {
    return Fail(source, "instrument \"" + name + "\" would be written to " + ShownPath(target) +
                            " as an earlier one was; that one is kept");
  }
  return Write(*instruments.Map(instrument), source, target);
}

bool Converter::List(const fs::path& source) {
  return WithInstruments(source, [&](Instruments& instruments, const std::vector<Finding>&) {
    if (instruments.size() == 0) return Fail(source, std::string(instruments.NoInstrument()));
    Print(ShownPath(source) + ": " + std::string(FormatDescription(instruments.format())));
    for (const InstrumentListing& instrument : instruments.Listing()) {
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
    const SourceFormat format = FormatOf(source, opened);
    std::unique_ptr<Instruments> read;
    const LoadResult result =
        format == SourceFormat::kInstrumentDefinition
            ? CheckWholeFileConversion(opened, findings)
            : ::ReadInstruments(opened, format, FileStem(source), read, &findings);
    if (!result.Succeeded()) return Fail(source, LoadFailureText(result));
    return PrintFindings(source, findings);
  });
}

// The findings, each on a line with the source's line where it has one.
bool Converter::PrintFindings(const fs::path& source, const std::vector<Finding>& findings) {
  const std::string shown = ShownPath(source);
  for (const Finding& finding : findings) {
    std::string line = shown;
    if (finding.line > 0) line.append(":").append(std::to_string(finding.line));
    Print(line.append(": ").append(FindingText(finding)));
  }
  return Flushed(source, "its findings") && findings.empty();
}
