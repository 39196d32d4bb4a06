// Writing a patch map file: which target takes which path, and what a failure
// leaves behind. The target is opened first (a symbolic link followed to its
// end, even to a file not there yet); what the open file turns out to be
// decides the path.
//
//   target                                    path              a failure leaves
//   ----------------------------------------  ----------------  --------------------------
//   none yet (a new file)                     replace           no file
//   a regular file, one name                  replace           the old bytes
//   a device or pipe (NUL, /dev/null)         write in place    what was written so far
//   a file with other hard links              write in place    an incomplete target
//   a folder that refuses new files for lack  write in place    an incomplete target
//     of rights (EACCES, EPERM, access denied)
//   a file the system lets this user write    write in place    an incomplete target
//     but not replace (sticky folder, no
//     right to delete, held open by another)
//   another's file this user cannot give a    write in place    an incomplete target
//     new file's ownership to
//   read-only, a folder, in a missing folder  refuse            the target untouched
//   no room for a new file (disk full, no     refuse            the target untouched
//     inode left)
//
// "Replace" writes a temporary beside the target, puts it on disk and puts it
// in the target's place in one step; the temporary is removed on every way
// out, an interruption of the program included. "Write in place" empties the
// target and writes it with every write checked; a failure there is reported
// as one, never as success.
#include "patch_map_file.h"

#include <utility>

#include "byte_sink.h"
#include "interrupt_cleanup.h"

namespace {

WriteResult CannotWrite(SystemError error) {
  return {WriteFailure::kCannotWrite, error};
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
SystemError WriteAndClose(PatchMapSource& map, FileHandle file, FileSystem& fileSystem) {
  FileSink sink(fileSystem, file);
  SystemError error = map.WriteTo(sink) ? fileSystem.Flush(file) : sink.error();
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
    SetTemporaryToRemove(nullptr);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  SystemError Create(const NativePath& folder) {
    const SystemError error = fileSystem_.CreateTemporary(folder, handle_, path_);
    open_ = !error.Failed();
    if (open_) SetTemporaryToRemove(path_.c_str());
    return error;
  }
  // Hands the open file over to be written and closed.
  FileHandle TakeHandle() {
    open_ = false;
    return handle_;
  }
  SystemError PutInPlaceOf(const NativePath& target, bool targetExists) {
    const SystemError error = fileSystem_.Replace(path_, target, targetExists);
    if (!error.Failed()) {
      SetTemporaryToRemove(nullptr);  // its name is the target's now
      path_.clear();
    }
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
WriteResult WriteInPlace(PatchMapSource& map, const ExistingFile& target, FileSystem& fileSystem) {
  if (!target.isDevice) {
    if (const SystemError error = fileSystem.Truncate(target.handle); error.Failed()) {
      (void)fileSystem.Close(target.handle);
      return CannotWrite(error);
    }
  }
  const SystemError error = WriteAndClose(map, target.handle, fileSystem);
  return error.Failed() ? CannotWrite(error) : WriteResult{};
}

// Opens the target again and writes it in place: the way out where no new
// file may take its place.
WriteResult RewriteInPlace(PatchMapSource& map, const NativePath& target, FileSystem& fileSystem) {
  ExistingFile file;
  if (const SystemError error = fileSystem.OpenExisting(target, file); error.Failed()) {
    return CannotWrite(error);
  }
  return WriteInPlace(map, file, fileSystem);
}

// What became of writing a new file to take the target's place.
struct Replacement {
  WriteResult result;
  bool rewriteInPlace = false;  // refused for lack of rights: write the target itself
};

// Writes a new file beside the target and puts it in the target's place. Only
// where the system refuses that for lack of rights does it ask for the target
// to be written in place; any other failure (a full disk, no inode left)
// keeps the target as it was. The temporary is gone when it returns.
Replacement ReplaceWithNewFile(PatchMapSource& map, const NativePath& target, bool targetExists,
                               FileSystem& fileSystem) {
  const Replacement rewrite{{}, targetExists};
  TemporaryFile temporary(fileSystem);
  if (const SystemError error = temporary.Create(FolderPart(target)); error.Failed()) {
    return error.DeniesRights() ? rewrite : Replacement{CannotWrite(error)};
  }
  if (targetExists) {
    // A new file without the old one's owner would hand the target over to
    // this user, which a plain overwrite never does.
    const SystemError error = fileSystem.CopyOwnerAndPermissions(target, temporary.handle());
    if (error.DeniesRights()) return rewrite;
    if (error.Failed()) return {CannotWrite(error)};
  }
  if (const SystemError error = WriteAndClose(map, temporary.TakeHandle(), fileSystem);
      error.Failed()) {
    return {CannotWrite(error)};
  }
  const SystemError error = temporary.PutInPlaceOf(target, targetExists);
  if (!error.Failed()) return {};
  return error.RefusesReplacement() ? rewrite
                                    : Replacement{WriteResult{WriteFailure::kCannotReplace, error}};
}

}  // namespace

WriteResult WritePatchMapFile(PatchMapSource& map, const NativePath& requestedTarget,
                              FileSystem& fileSystem) {
  const NativePath target = fileSystem.ResolveLink(requestedTarget);
  ExistingFile existing;
  const SystemError opened = fileSystem.OpenExisting(target, existing);
  if (opened.Failed()) {
    if (!opened.IsNotFound() || target.empty()) return CannotWrite(opened);
    return ReplaceWithNewFile(map, target, /*targetExists=*/false, fileSystem).result;
  }
  if (existing.isDevice || existing.hasOtherNames) {
    return WriteInPlace(map, existing, fileSystem);
  }
  // Only opened to learn that it may be written and what it is.
  (void)fileSystem.Close(existing.handle);
  const Replacement replaced = ReplaceWithNewFile(map, target, /*targetExists=*/true, fileSystem);
  return replaced.rewriteInPlace ? RewriteInPlace(map, target, fileSystem) : replaced.result;
}

WriteResult WritePatchMapFile(const InstrumentDefinition& instrument, const NativePath& target,
                              FileSystem& fileSystem) {
  WholeFileMap map(instrument);
  return WritePatchMapFile(map, target, fileSystem);
}

int InstrumentDefinition::WritePatchMap(const NativePath& path) const {
  FileSystem fileSystem;
  return WritePatchMapFile(*this, path, fileSystem).Succeeded() ? 0 : -1;
}
