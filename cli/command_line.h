// patchconv's command line: what to do, on which files.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct CommandLine {
  enum class Mode { kConvert, kIntoFolder, kEachInstrument, kList, kCheck, kHelp, kVersion };
  Mode mode = Mode::kConvert;
  std::optional<std::string> instrument;  // --instrument NAME, as the file's own text
  std::filesystem::path folder;           // -d DIR
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
  kNoSource,  // the argument: the option that needs one
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
    "usage: patchconv [--instrument NAME] SOURCE.ins TARGET.vpm\n"
    "       patchconv [--instrument NAME] -d DIR SOURCE.ins...\n"
    "       patchconv --each-instrument -d DIR SOURCE.ins...\n"
    "       patchconv --list SOURCE.ins...\n"
    "       patchconv --check SOURCE.ins...\n";
