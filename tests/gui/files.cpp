#include "files.h"

#include <fstream>
#include <iterator>

#include "check.h"

namespace fs = std::filesystem;

std::optional<std::string> ReadBytes(const fs::path& file) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream stream(file, std::ios::binary | std::ios::trunc);
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!stream) Fail("cannot write " + ToUtf8(file.wstring()));
}

std::string FixtureBytes(const Environment& environment, const std::string& name) {
  const auto bytes = ReadBytes(environment.fixtures / name);
  if (!bytes) Fail("missing fixture " + name);
  return *bytes;
}

fs::path PlaceFixture(const Environment& environment, const std::string& name,
                      const fs::path& destination) {
  WriteBytes(destination, FixtureBytes(environment, name));
  return destination;
}

fs::path FreshFolder(const fs::path& folder) {
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  fs::create_directories(folder);
  return folder;
}

void ExpectFileBytes(const fs::path& file, const std::string& expected, const std::string& what) {
  const auto bytes = ReadBytes(file);
  if (!bytes) Fail(what + ": " + ToUtf8(file.wstring()) + " does not exist");
  if (*bytes != expected) {
    Fail(what + ": " + ToUtf8(file.wstring()) + " has other bytes (" +
         std::to_string(bytes->size()) + " instead of " + std::to_string(expected.size()) + ")");
  }
}

void ExpectNoFile(const fs::path& file, const std::string& what) {
  std::error_code error;
  if (fs::exists(file, error)) Fail(what + ": " + ToUtf8(file.wstring()) + " exists");
}

void ExpectEntryCount(const fs::path& folder, std::size_t count) {
  const auto entries = static_cast<std::size_t>(
      std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  if (entries != count) {
    Fail(ToUtf8(folder.wstring()) + " holds " + std::to_string(entries) + " entries instead of " +
         std::to_string(count));
  }
}
