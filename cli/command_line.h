// patchconv's command line: what to do, on which files.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "source_format.h"

struct CommandLine {
  enum class Mode { kConvert, kIntoFolder, kEachInstrument, kList, kCheck, kHelp, kVersion };
  Mode mode = Mode::kConvert;
  // --instrument NAME, trimmed: as an instrument definition's text (the ANSI
  // code page on Windows) and as UTF-8, as the other formats spell names.
  std::optional<std::string> instrument;
  std::string instrumentUtf8;
  std::optional<SourceFormat> format;  // --from FORMAT
  std::filesystem::path folder;        // -d DIR
  std::vector<std::filesystem::path> sources;
  std::filesystem::path target;  // for kConvert
};

// What is wrong with a command line.
enum class UsageError {
  kNone,
  kUnknownOption,     // the argument: the option
  kGivenTwice,        // the argument: the option
  kNoFolderOrSource,  // -d at the end, or without a source
  kEmptyFolder,
  kNoInstrumentName,
  kUnknownFormat,  // the argument: the word given
  kNoSource,       // the argument: the option that needs one
  kEmptyPath,
  kHelpNotAlone,
  kModesTogether,
  kFolderWithListOrCheck,
  kEachInstrumentWithoutFolder,
  kNotSourceAndTarget,
};

struct [[nodiscard]] WrongUsage {
  WrongUsage(UsageError what = UsageError::kNone, std::string option = {})
      : error(what), argument(std::move(option)) {}
  UsageError error;
  std::string argument;  // the option it concerns, where the error names one
};

// Reads the arguments after the program's name into `commandLine`; says what
// is wrong on wrong usage.
WrongUsage ParseCommandLine(const std::vector<std::filesystem::path>& arguments,
                            CommandLine& commandLine);

// What is wrong, in the words patchconv prints before its usage.
std::string UsageErrorText(const WrongUsage& wrong);

inline constexpr const char* kUsage =
    "usage: patchconv [--from FORMAT] [--instrument NAME] SOURCE TARGET.vpm\n"
    "       patchconv [--from FORMAT] [--instrument NAME] -d DIR SOURCE...\n"
    "       patchconv [--from FORMAT] --each-instrument -d DIR SOURCE...\n"
    "       patchconv [--from FORMAT] --list SOURCE...\n"
    "       patchconv [--from FORMAT] --check SOURCE...\n";
