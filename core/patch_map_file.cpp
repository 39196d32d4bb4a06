#include "patch_map_file.h"

#include <cerrno>
#include <system_error>

#include "byte_sink.h"

namespace {

namespace fs = std::filesystem;

// Sends the writer's bytes through the file system seam.
class FileSink final : public ByteSink {
 public:
  FileSink(FileSystem& fileSystem, std::FILE* file) : fileSystem_(fileSystem), file_(file) {}
  bool Write(std::string_view bytes) override {
    return fileSystem_.Write(file_, bytes.data(), bytes.size());
  }

 private:
  FileSystem& fileSystem_;
  std::FILE* file_;
};

// Runs `cleanup` without letting it change errno, which still names the
// failure being reported.
template <typename Cleanup>
void KeepingErrno(Cleanup cleanup) {
  int saved = errno;
  cleanup();
  errno = saved;
}

// A link is followed, so that the file it names is replaced and the link stays.
fs::path ResolveLink(const fs::path& target) {
  std::error_code error;
  if (!fs::is_symlink(target, error)) return target;
  fs::path resolved = fs::canonical(target, error);
  return error ? target : resolved;
}

// Writes the patch map into an open file and closes it; false on any failure,
// with the file closed either way.
bool WriteAndClose(const InstrumentDefinition& instrument, std::FILE* file,
                   FileSystem& fileSystem) {
  FileSink sink(fileSystem, file);
  bool written = instrument.WritePatchMap(sink) == 0 && fileSystem.Flush(file);
  if (!written) {
    KeepingErrno([&] { fileSystem.Close(file); });
    return false;
  }
  return fileSystem.Close(file);
}

// The fallback for a folder that takes no new file: checked writes straight
// into the existing target.
int RewriteInPlace(const InstrumentDefinition& instrument, const fs::path& target,
                   FileSystem& fileSystem) {
  std::FILE* file = fileSystem.OpenExistingForWriting(target, /*truncate=*/true);
  if (file == nullptr) return -1;
  return WriteAndClose(instrument, file, fileSystem) ? 0 : -1;
}

// False, with errno set, when an existing target may not be replaced: it is a
// folder or cannot be opened for writing (read-only, locked).
bool ExistingTargetIsWritable(const fs::path& target, FileSystem& fileSystem) {
  std::error_code error;
  if (fs::is_directory(target, error)) {
    errno = EISDIR;
    return false;
  }
  std::FILE* probe = fileSystem.OpenExistingForWriting(target, /*truncate=*/false);
  if (probe == nullptr) return false;
  fileSystem.Close(probe);
  return true;
}

}  // namespace

int WritePatchMapFile(const InstrumentDefinition& instrument, const fs::path& requestedTarget,
                      FileSystem& fileSystem) {
  if (requestedTarget.empty()) {
    errno = ENOENT;
    return -1;
  }
  const fs::path target = ResolveLink(requestedTarget);
  std::error_code error;
  const bool targetExists = fs::exists(target, error);
  if (targetExists && !ExistingTargetIsWritable(target, fileSystem)) return -1;
  // A device or a pipe is written to, never replaced by a regular file.
  if (targetExists && !fs::is_regular_file(target, error)) {
    return RewriteInPlace(instrument, target, fileSystem);
  }

  fs::path temporary;
  std::FILE* file = fileSystem.CreateTemporary(target.parent_path(), temporary);
  if (file == nullptr) {
    if (!targetExists) return -1;
    return RewriteInPlace(instrument, target, fileSystem);
  }
  if (targetExists && !fileSystem.CopyPermissions(target, file)) {
    KeepingErrno([&] {
      fileSystem.Close(file);
      fileSystem.Remove(temporary);
    });
    return -1;
  }
  if (!WriteAndClose(instrument, file, fileSystem) || !fileSystem.Replace(temporary, target)) {
    KeepingErrno([&] { fileSystem.Remove(temporary); });
    return -1;
  }
  return 0;
}

int InstrumentDefinition::WritePatchMap(const std::filesystem::path& path) const {
  return WritePatchMapFile(*this, path, FileSystem::Real());
}
