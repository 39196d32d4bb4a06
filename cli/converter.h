// What patchconv does with each source: the whole-file conversion, the map of one
// instrument or of each, the list of instruments and the check. Each failure
// is one line on the error stream naming the file and the reason.
#pragma once

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "file_system.h"
#include "findings.h"
#include "source_format.h"

class Instruments;
class PatchMapSource;
class InstrumentSource;

class Converter {
 public:
  // Each source is read as `commandLine` says (--from, --instrument).
  Converter(std::FILE* out, std::FILE* err, const CommandLine& commandLine)
      : out_(out), err_(err), commandLine_(commandLine) {}

  // Converts `source` into `target` ("-" for standard output): the whole file,
  // or the one instrument named by --instrument when it is given. The whole
  // file of a format other than the instrument definition's is its one
  // instrument.
  bool Convert(const std::filesystem::path& source, const std::filesystem::path& target);
  // Converts each instrument of `source` that has a map into `folder`, named
  // after the instrument.
  bool ConvertEachInstrument(const std::filesystem::path& source,
                             const std::filesystem::path& folder);
  // Prints the instruments of `source`, their methods and banks.
  bool List(const std::filesystem::path& source);
  // Prints what the whole-file conversion will make of `source`; false when there
  // is anything to say.
  bool Check(const std::filesystem::path& source);

  bool Fail(const std::filesystem::path& file, const std::string& reason);

  // Whether `target` is a file that an earlier map of this run was written
  // to, under this name or another that leads to the same file.
  bool WroteEarlier(const std::filesystem::path& target);

 private:
  template <typename Work>
  bool Guarded(const std::filesystem::path& source, Work work);
  template <typename Work>
  bool WithInstruments(const std::filesystem::path& source, Work work);
  bool ConvertInstrument(const std::filesystem::path& source, const std::filesystem::path& target);
  bool IsTheSource(InstrumentSource& opened, const std::filesystem::path& target);
  bool ConvertWholeFileHeld(const std::filesystem::path& source, InstrumentSource& opened,
                            const std::filesystem::path& target);
  bool ConvertTheInstrument(const std::filesystem::path& source, InstrumentSource& opened,
                            const std::filesystem::path& target);
  bool ConvertInto(const std::filesystem::path& source, const std::filesystem::path& folder,
                   Instruments& instruments, std::size_t instrument);
  bool Open(const std::filesystem::path& source, InstrumentSource& opened);
  SourceFormat FormatOf(const std::filesystem::path& source, InstrumentSource& opened);
  bool PrintFindings(const std::filesystem::path& source, const std::vector<Finding>& findings);
  bool Flushed(const std::filesystem::path& source, const char* what);
  void Print(std::string_view line);
  void Refused(SystemError error);
  bool Write(PatchMapSource& map, const std::filesystem::path& source,
             const std::filesystem::path& target);

  std::FILE* out_;
  std::FILE* err_;
  const CommandLine& commandLine_;
  SystemError outError_;  // why standard output first refused bytes
  FileSystem fileSystem_;
  std::set<std::string> folderTargets_;  // the maps that --each-instrument wrote, lower case
  std::set<FileSystem::FileIdentity> writtenTargets_;  // every map written to a file
};

// A path as text for messages; standard input as such.
std::string ShownPath(const std::filesystem::path& path);
