// patchconv's command line: what to do, on which files.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct CommandLine {
  enum class Mode { kConvert, kIntoFolder, kEachInstrument, kList, kCheck, kHelp, kVersion };
  Mode mode = Mode::kConvert;
  std::optional<std::string> instrument;  // --instrument NAME, as the file's own text
  std::filesystem::path folder;           // -d DIR
  std::vector<std::filesystem::path> sources;
  std::filesystem::path target;  // for kConvert
};

// Reads the arguments after the program's name into `commandLine`; on wrong
// usage returns what is wrong, otherwise an empty text.
std::string ParseCommandLine(const std::vector<std::filesystem::path>& arguments,
                             CommandLine& commandLine);

inline constexpr const char* kUsage =
    "usage: patchconv [--instrument NAME] SOURCE.ins TARGET.vpm\n"
    "       patchconv [--instrument NAME] -d DIR SOURCE.ins...\n"
    "       patchconv --each-instrument -d DIR SOURCE.ins...\n"
    "       patchconv --list SOURCE.ins...\n"
    "       patchconv --check SOURCE.ins...\n";
