// The helpers that the tests share: a private temporary folder, whole-file
// reads and writes as bytes, instruments as text and as patch maps, patchconv
// run in-process, and a check run as another user.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "instrument_definition.h"
#include "memory_file_system.h"
#include "patchconv.h"

class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("patchconv-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  // The names of the files in the folder, to see that nothing stray is left.
  std::size_t FileCount() const {
    auto entries = std::filesystem::directory_iterator(path_);
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
  }

 private:
  std::filesystem::path path_;
};

// An instrument as text: "device=D method=M", then per bank "bank N list",
// per patch "  program family name".
inline std::string Describe(const InstrumentDefinition& instrument) {
  std::string text = "device=" + std::string(instrument.deviceName) +
                     " method=" + std::to_string(instrument.bankSelMethod) + "\n";
  for (const PatchBank* bank = instrument.banks; bank != nullptr; bank = bank->next) {
    text += "bank " + std::to_string(bank->bankNumber) + " " + bank->patchListName + "\n";
    for (const PatchEntry* patch = bank->patches; patch != nullptr; patch = patch->next) {
      text += "  " + std::to_string(patch->program) + " " + std::to_string(patch->family) + " " +
              patch->name + "\n";
    }
  }
  return text;
}

// The text of an instrument whose patch map is about `patchMapBytes` long, so
// that the writer hands it to the file in several pieces.
inline std::string LargeInstrumentText(std::size_t patchMapBytes) {
  std::string text = "[Big Synth]\r\nBankSelMethod=1\r\n";
  // Each patch line of the map is about 80 bytes; 128 patches to a bank.
  const std::size_t banks = patchMapBytes / (80 * 128) + 1;
  for (std::size_t bank = 0; bank < banks; ++bank) {
    text += "Patch[" + std::to_string(bank) + "]=List " + std::to_string(bank) + "\r\n";
  }
  for (std::size_t bank = 0; bank < banks; ++bank) {
    text += "[List " + std::to_string(bank) + "]\r\n";
    for (int program = 0; program < 128; ++program) {
      text += std::to_string(program) + "=Patch & name <" + std::to_string(bank) + "." +
              std::to_string(program) + ">\r\n";
    }
  }
  return text;
}

// The patch map of an instrument text, converted in memory; empty when the
// text does not load.
inline std::string PatchMapOf(std::string_view instrumentText) {
  InstrumentDefinition instrument;
  if (LoadInstrumentText(instrument, instrumentText) != 0) return {};
  StringSink sink;
  (void)WritePatchMapOf(instrument, sink);
  return sink.text;
}

// The names of the entries of a folder, sorted.
inline std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct PatchconvRun {
  int status;
  std::string out;
  std::string err;
};

// Runs patchconv in-process with its output and messages caught, or with its
// output going to `givenOut`.
inline PatchconvRun Patchconv(const std::vector<std::filesystem::path>& arguments,
                              std::FILE* givenOut = nullptr) {
  std::FILE* out = givenOut != nullptr ? givenOut : std::tmpfile();
  std::FILE* err = std::tmpfile();
  PatchconvRun run{RunPatchconv(arguments, out, err), "", ""};
  for (auto [file, text] : {std::pair{out, &run.out}, std::pair{err, &run.err}}) {
    if (file == givenOut) continue;
    std::fflush(file);
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text->push_back(static_cast<char>(c));
    std::fclose(file);
  }
  return run;
}

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#include <sys/wait.h>
#include <unistd.h>

// Runs `check` in a child process without root's rights (as "nobody" when the
// tests run as root), so that file permissions apply as they do to users.
// Returns what `check` returned, or false when the child could not run it.
template <typename Check>
bool AsUnprivilegedUser(Check check) {
  if (::geteuid() != 0) return check();
  pid_t child = ::fork();
  if (child == 0) {
    constexpr uid_t kNobody = 65534;
    bool dropped = ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
    ::_exit(dropped && check() ? 0 : 1);
  }
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}
