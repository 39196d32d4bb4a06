// Files as the cases see them: whole contents as bytes, fixtures copied into
// a case's own folder, and checks that compare byte for byte.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "environment.h"

// The file's bytes, or nothing if it cannot be read.
std::optional<std::string> ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);
std::string FixtureBytes(const Environment& environment, const std::string& name);
// Copies fixture `name` to `destination`; returns the destination.
std::filesystem::path PlaceFixture(const Environment& environment, const std::string& name,
                                   const std::filesystem::path& destination);
// A new, empty folder for one case (emptied if it was left from a former run).
std::filesystem::path FreshFolder(const std::filesystem::path& folder);

void ExpectFileBytes(const std::filesystem::path& file, const std::string& expected,
                     const std::string& what);
void ExpectNoFile(const std::filesystem::path& file, const std::string& what);
// Fails unless the folder holds exactly `count` entries.
void ExpectEntryCount(const std::filesystem::path& folder, std::size_t count);
