// Instruments and helpers shared by the fault tests.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// The text of an instrument whose patch map is about `patchMapBytes` long, so
// that the writer hands it to the file in several pieces.
std::string LargeInstrumentText(std::size_t patchMapBytes);

// The patch map of an instrument text, converted in memory.
std::string PatchMapOf(const std::string& instrumentText);

// The names of the entries of a folder, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

struct PatchconvRun {
  int status;
  std::string out;
  std::string err;
};

// Runs patchconv in-process with its output and messages caught.
PatchconvRun RunPatchconvCaught(const std::vector<std::filesystem::path>& arguments);
