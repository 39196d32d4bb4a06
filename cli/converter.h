// What patchconv does with each source: the whole-file conversion, the map of one
// instrument or of each, the list of instruments and the check. Each failure
// is one line on the error stream naming the file and the reason.
#pragma once

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>

#include "file_system.h"

class InstrumentCatalog;
class InstrumentDefinition;
class PatchMapSource;
class InstrumentSource;

class Converter {
 public:
  Converter(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

  // Converts `source` into `target` ("-" for standard output): the whole file,
  // or the one instrument named `instrument` when it is given.
  bool Convert(const std::filesystem::path& source, const std::filesystem::path& target,
               const std::string* instrument);
  // Converts each instrument of `source` that has a bank into `folder`, named
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
  bool ConvertInstrument(const std::filesystem::path& source, const std::filesystem::path& target,
                         const std::string& name);
  bool Open(const std::filesystem::path& source, InstrumentSource& opened);
  bool ReadInstruments(const std::filesystem::path& source, InstrumentSource& opened,
                       InstrumentCatalog& catalog);
  bool Flushed(const std::filesystem::path& source, const char* what);
  void Print(std::string_view line);
  void Refused(SystemError error);
  bool Write(PatchMapSource& map, const std::filesystem::path& source,
             const std::filesystem::path& target);

  std::FILE* out_;
  std::FILE* err_;
  SystemError outError_;  // why standard output first refused bytes
  FileSystem fileSystem_;
  std::set<std::string> folderTargets_;  // the maps that --each-instrument wrote, lower case
  std::set<FileSystem::FileIdentity> writtenTargets_;  // every map written to a file
};

// A path as text for messages; standard input as such.
std::string ShownPath(const std::filesystem::path& path);
