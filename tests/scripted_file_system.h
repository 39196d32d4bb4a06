// The real file system, recording each step it takes, with one step made to
// fail as a full disk would: the step at a given position, or the first one
// of a given name. A failing write first writes half of its bytes, as a write
// cut short by the disk does.
#pragma once

#include <cerrno>
#include <string>
#include <vector>

#include "file_system.h"

class ScriptedFileSystem : public FileSystem {
 public:
  static constexpr std::size_t kNever = static_cast<std::size_t>(-1);

  explicit ScriptedFileSystem(std::size_t failAt = kNever) : failAt_(failAt) {}
  explicit ScriptedFileSystem(std::string failStep) : failStep_(std::move(failStep)) {}

  // The reason that the failing step gives (ENOSPC unless set).
  SystemError reason{ENOSPC};
  // The folder takes no new file at all, for this reason (without counting
  // as the failing step); none when it succeeds.
  SystemError noTemporary;

  SystemError OpenForReading(const NativePath& path, FileHandle& file) override {
    return Step("open source") ? FileSystem::OpenForReading(path, file) : reason;
  }
  SystemError Read(FileHandle file, char* buffer, std::size_t capacity, std::size_t& got) override {
    return Step("read") ? FileSystem::Read(file, buffer, capacity, got) : reason;
  }
  SystemError OpenExisting(const NativePath& path, ExistingFile& file) override {
    if (!Step("open target")) return reason;
    const SystemError error = FileSystem::OpenExisting(path, file);
    if (!error.Failed()) probe_ = file.handle;
    return error;
  }
  SystemError CreateTemporary(const NativePath& folder, FileHandle& file,
                              NativePath& created) override {
    if (noTemporary.Failed()) {
      steps.push_back("no temporary");
      return noTemporary;
    }
    return Step("create temporary") ? FileSystem::CreateTemporary(folder, file, created) : reason;
  }
  SystemError Truncate(FileHandle file) override {
    Written(file);
    return Step("truncate") ? FileSystem::Truncate(file) : reason;
  }
  SystemError Write(FileHandle file, const char* data, std::size_t size) override {
    Written(file);
    if (Step("write")) return FileSystem::Write(file, data, size);
    (void)FileSystem::Write(file, data, size / 2);
    return reason;
  }
  SystemError Flush(FileHandle file) override {
    return Step("flush") ? FileSystem::Flush(file) : reason;
  }
  SystemError Close(FileHandle file) override {
    const bool failing = !Step(file == probe_ ? "close probe" : "close");
    const SystemError closed = FileSystem::Close(file);  // the file is closed either way
    return failing ? reason : closed;
  }
  SystemError OpenDescriptor(int descriptor, FileHandle& file) override {
    return Step("open descriptor") ? FileSystem::OpenDescriptor(descriptor, file) : reason;
  }
  SystemError CopyOwnerAndAttributes(const NativePath& from, FileHandle to) override {
    return Step("copy owner") ? FileSystem::CopyOwnerAndAttributes(from, to) : reason;
  }
  SystemError Replace(const NativePath& from, const NativePath& to, bool toExists) override {
    return Step("replace") ? FileSystem::Replace(from, to, toExists) : reason;
  }
  SystemError Remove(const NativePath& path) override {
    steps.push_back("remove");  // cleaning up is never made to fail
    return FileSystem::Remove(path);
  }

  std::vector<std::string> steps;

 private:
  // Records the step; false when it is the one to fail.
  bool Step(const char* name) {
    const bool failing = steps.size() == failAt_ || (!failed_ && failStep_ == name);
    failed_ = failed_ || failing;
    steps.push_back(name);
    return !failing;
  }

  // A target opened and then written is no probe.
  void Written(FileHandle file) {
    if (file == probe_) probe_ = FileHandle::kNone;
  }

  std::size_t failAt_ = kNever;
  std::string failStep_;
  bool failed_ = false;
  FileHandle probe_ = FileHandle::kNone;  // a target opened only to learn what it is
};
