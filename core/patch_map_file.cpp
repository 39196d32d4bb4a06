#include "patch_map_file.h"

#include <utility>

#include "byte_sink.h"

namespace {

WriteResult Failure(WriteStep step, SystemError error) {
  return {step, error};
}

// Sends the writer's bytes through the file system seam and keeps the first
// failure's reason.
class FileSink final : public ByteSink {
 public:
  FileSink(FileSystem& fileSystem, FileHandle file) : fileSystem_(fileSystem), file_(file) {}
  bool Write(std::string_view bytes) override {
    error_ = fileSystem_.Write(file_, bytes.data(), bytes.size());
    return !error_.Failed();
  }
  SystemError error() const { return error_; }

 private:
  FileSystem& fileSystem_;
  FileHandle file_;
  SystemError error_;
};

// Writes the patch map into an open file, puts it on disk and closes it; the
// file is closed whatever fails.
SystemError WriteAndClose(const InstrumentDefinition& instrument, FileHandle file,
                          FileSystem& fileSystem) {
  FileSink sink(fileSystem, file);
  SystemError error = instrument.WritePatchMap(sink) == 0 ? fileSystem.Flush(file) : sink.error();
  const SystemError closed = fileSystem.Close(file);
  return error.Failed() ? error : closed;
}

// The temporary file beside the target: closed and removed on every way out
// (an exception included) unless it has been put in the target's place.
class TemporaryFile {
 public:
  explicit TemporaryFile(FileSystem& fileSystem) : fileSystem_(fileSystem) {}
  ~TemporaryFile() {
    if (open_) (void)fileSystem_.Close(handle_);
    if (!path_.empty()) (void)fileSystem_.Remove(path_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  SystemError Create(const NativePath& folder) {
    const SystemError error = fileSystem_.CreateTemporary(folder, handle_, path_);
    open_ = !error.Failed();
    return error;
  }
  // Hands the open file over to be written and closed.
  FileHandle TakeHandle() {
    open_ = false;
    return handle_;
  }
  SystemError PutInPlaceOf(const NativePath& target, bool targetExists) {
    const SystemError error = fileSystem_.Replace(path_, target, targetExists);
    if (!error.Failed()) path_.clear();
    return error;
  }
  FileHandle handle() const { return handle_; }

 private:
  FileSystem& fileSystem_;
  FileHandle handle_ = FileHandle::kNone;
  NativePath path_;
  bool open_ = false;
};

// Empties an existing file (unless it is a device or pipe) and writes the
// patch map into it with every write checked.
WriteResult WriteInPlace(const InstrumentDefinition& instrument, const ExistingFile& target,
                         FileSystem& fileSystem) {
  if (!target.isDevice) {
    if (const SystemError error = fileSystem.Truncate(target.handle); error.Failed()) {
      (void)fileSystem.Close(target.handle);
      return Failure(WriteStep::kWrite, error);
    }
  }
  const SystemError error = WriteAndClose(instrument, target.handle, fileSystem);
  return error.Failed() ? Failure(WriteStep::kWrite, error) : WriteResult{};
}

// Opens the target again and writes it in place: the way out where no new
// file may take its place.
WriteResult RewriteInPlace(const InstrumentDefinition& instrument, const NativePath& target,
                           FileSystem& fileSystem) {
  ExistingFile file;
  if (const SystemError error = fileSystem.OpenExisting(target, file); error.Failed()) {
    return Failure(WriteStep::kOpenTarget, error);
  }
  return WriteInPlace(instrument, file, fileSystem);
}

// Writes a new file beside the target and puts it in the target's place;
// falls back to writing in place where the folder or the system refuses that
// but the target itself may be written.
WriteResult ReplaceWithNewFile(const InstrumentDefinition& instrument, const NativePath& target,
                               bool targetExists, FileSystem& fileSystem) {
  TemporaryFile temporary(fileSystem);
  if (const SystemError error = temporary.Create(FolderPart(target)); error.Failed()) {
    if (targetExists) return RewriteInPlace(instrument, target, fileSystem);
    return Failure(WriteStep::kCreateTemporary, error);
  }
  if (targetExists) {
    const SystemError error = fileSystem.CopyPermissions(target, temporary.handle());
    if (error.Failed()) return Failure(WriteStep::kCreateTemporary, error);
  }
  if (const SystemError error = WriteAndClose(instrument, temporary.TakeHandle(), fileSystem);
      error.Failed()) {
    return Failure(WriteStep::kWrite, error);
  }
  const SystemError error = temporary.PutInPlaceOf(target, targetExists);
  if (!error.Failed()) return {};
  if (targetExists && error.RefusesReplacement()) {
    return RewriteInPlace(instrument, target, fileSystem);
  }
  return Failure(WriteStep::kReplace, error);
}

}  // namespace

WriteResult WritePatchMapFile(const InstrumentDefinition& instrument,
                              const NativePath& requestedTarget, FileSystem& fileSystem) {
  const NativePath target = fileSystem.ResolveLink(requestedTarget);
  ExistingFile existing;
  const SystemError opened = fileSystem.OpenExisting(target, existing);
  if (opened.Failed()) {
    if (!opened.IsNotFound() || target.empty()) return Failure(WriteStep::kOpenTarget, opened);
    return ReplaceWithNewFile(instrument, target, /*targetExists=*/false, fileSystem);
  }
  if (existing.isDevice || existing.hasOtherNames) {
    return WriteInPlace(instrument, existing, fileSystem);
  }
  // Only opened to learn that it may be written and what it is.
  (void)fileSystem.Close(existing.handle);
  return ReplaceWithNewFile(instrument, target, /*targetExists=*/true, fileSystem);
}

int InstrumentDefinition::WritePatchMap(const NativePath& path) const {
  FileSystem fileSystem;
  return WritePatchMapFile(*this, path, fileSystem).Succeeded() ? 0 : -1;
}
