// Writing a patch map file: which target takes which path, and what a failure
// leaves behind. The target is opened first (a symbolic link followed to its
// end, even to a file not there yet); PlanWrite() below then asks what the
// table asks, in its order, and the first row that fits decides.
//
//   target                                      path              a failure leaves
//   ------------------------------------------  ----------------  ------------------------
//   a name of an open descriptor (/dev/stdout,  write where the   what was written so far
//     /dev/fd/N, /proc/self/fd/N, >(...))         descriptor stands
//   one that cannot be opened for writing:      refuse            the target untouched
//     read-only, a folder, an empty path
//   a device or pipe (NUL, CON, /dev/null)      write in place    what was written so far
//   a file with other hard links                write in place    an incomplete target
//   none yet, and its folder takes no new file  refuse            no file
//     (no right, no room, a missing folder)
//   none yet                                    replace           no file
//   a file in a folder that refuses new files   write in place    an incomplete target
//     for lack of rights (EACCES, EPERM,
//     access denied)
//   a file, and no room for a new one (disk     refuse            the target untouched
//     full, no inode left)
//   another's file whose owner, group, access   write in place    an incomplete target
//     control list or extended attributes this
//     user cannot give a new file (Windows:
//     ReplaceFileW keeps them all itself)
//   a regular file of one name                  replace           the old bytes
//     whose replacement the system refuses at   write in place    an incomplete target
//     the last step (sticky folder, no right
//     to delete, held open by another)
//
// "Replace" writes a temporary beside the target, puts it on disk and puts it
// in the target's place in one step; the temporary is removed on every way
// out, an interruption of the program included. "Write in place" empties the
// target and writes it with every write checked; "where the descriptor
// stands" writes without emptying, as a shell's redirection to it does. A
// failure there is reported as one, never as success.
#include "patch_map_file.h"

#include <utility>

#include "byte_sink.h"
#include "interrupt_cleanup.h"
#include "patch_map_writer.h"

namespace {

WriteResult CannotWrite(SystemError error) {
  return {WriteFailure::kCannotWrite, error};
}

// Sends the writer's bytes through the file system seam, and starts putting
// them on disk every few megabytes: a map of hundreds of megabytes then waits
// for the disk only for its last ones.
class FileSink final : public ByteSink {
 public:
  FileSink(FileSystem& fileSystem, FileHandle file) : fileSystem_(fileSystem), file_(file) {}
  SystemError Write(std::string_view bytes) override {
    const SystemError error = fileSystem_.Write(file_, bytes.data(), bytes.size());
    unflushed_ += bytes.size();
    if (unflushed_ >= kStartFlushBytes && !error.Failed()) {
      fileSystem_.StartFlush(file_);
      unflushed_ = 0;
    }
    return error;
  }

 private:
  static constexpr std::size_t kStartFlushBytes = 8 << 20;
  FileSystem& fileSystem_;
  FileHandle file_;
  std::size_t unflushed_ = 0;
};

// Writes the patch map into an open file, puts it on disk and closes it; the
// file is closed whatever fails.
SystemError WriteAndClose(PatchMapSource& map, FileHandle file, FileSystem& fileSystem) {
  FileSink sink(fileSystem, file);
  SystemError error = map.WriteTo(sink);
  if (!error.Failed()) error = fileSystem.Flush(file);
  const SystemError closed = fileSystem.Close(file);
  return error.Failed() ? error : closed;
}

struct InterruptsHeld {
  InterruptsHeld() { HoldInterrupts(); }
  ~InterruptsHeld() { ReleaseInterrupts(); }
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;
};

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

  // An interruption between the file's making and its naming to the handler
  // would leave it: interruptions wait until both are done.
  SystemError Create(const NativePath& folder) {
    const InterruptsHeld held;
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

enum class WritePath { kRefuse, kInPlace, kReplace };

// The row of the table that the target fits, and what its path needs: the
// reason for a refusal, the target opened for writing it in place.
struct WritePlan {
  static WritePlan Refuse(SystemError reason) { return {WritePath::kRefuse, reason, {}, false}; }
  static WritePlan InPlace(ExistingFile target) { return {WritePath::kInPlace, {}, target, true}; }
  static WritePlan Replace(bool targetExists) {
    return {WritePath::kReplace, {}, {}, targetExists};
  }

  WritePath path;
  SystemError reason;
  ExistingFile target;
  bool targetExists;
};

// A named descriptor is written where it stands, never emptied: as a device.
WritePlan AtDescriptor(int descriptor, FileSystem& fileSystem) {
  ExistingFile stream;
  const SystemError opened = fileSystem.OpenDescriptor(descriptor, stream.handle);
  stream.isDevice = true;
  return opened.Failed() ? WritePlan::Refuse(opened) : WritePlan::InPlace(stream);
}

// Decides the path of the write, row by row as the table at the top reads;
// for "replace" the temporary is made and given what it must keep.
WritePlan PlanWrite(const NativePath& target, TemporaryFile& temporary, FileSystem& fileSystem) {
  if (const int descriptor = DescriptorNamedBy(target); descriptor >= 0) {
    return AtDescriptor(descriptor, fileSystem);
  }
  ExistingFile existing;
  const SystemError opened = fileSystem.OpenExisting(target, existing);
  if (opened.Failed() && (!opened.IsNotFound() || target.empty())) {
    return WritePlan::Refuse(opened);
  }
  const bool exists = !opened.Failed();
  if (exists && (existing.isDevice || existing.hasOtherNames)) return WritePlan::InPlace(existing);
  const SystemError created = temporary.Create(FolderPart(target));
  if (!exists) return created.Failed() ? WritePlan::Refuse(created) : WritePlan::Replace(false);
  if (created.DeniesRights()) return WritePlan::InPlace(existing);
  // A new file without the old one's owner would hand the target over to
  // this user, which a plain overwrite never does.
  const SystemError copied =
      created.Failed() ? created : fileSystem.CopyOwnerAndAttributes(target, temporary.handle());
  if (copied.DeniesRights() || copied.IsUnsupported()) return WritePlan::InPlace(existing);
  // Opened only to learn what it is and that it may be written.
  (void)fileSystem.Close(existing.handle);
  return copied.Failed() ? WritePlan::Refuse(copied) : WritePlan::Replace(true);
}

// Writes the temporary and puts it in the target's place. Where the system
// refuses the replacement although the target may be written (the last row),
// the target is opened again and written in place.
WriteResult Replace(PatchMapSource& map, const NativePath& target, bool targetExists,
                    TemporaryFile& temporary, FileSystem& fileSystem) {
  if (const SystemError error = WriteAndClose(map, temporary.TakeHandle(), fileSystem);
      error.Failed()) {
    return CannotWrite(error);
  }
  const SystemError error = temporary.PutInPlaceOf(target, targetExists);
  if (!error.Failed()) return {};
  if (!targetExists) return CannotWrite(error);
  if (!error.RefusesReplacement()) return {WriteFailure::kCannotReplace, error};
  ExistingFile again;
  if (const SystemError reopened = fileSystem.OpenExisting(target, again); reopened.Failed()) {
    return CannotWrite(reopened);
  }
  return WriteInPlace(map, again, fileSystem);
}

}  // namespace

WriteResult WritePatchMapFile(PatchMapSource& map, const NativePath& requestedTarget,
                              FileSystem& fileSystem) {
  const NativePath target = fileSystem.ResolveLink(requestedTarget);
  TemporaryFile temporary(fileSystem);
  const WritePlan plan = PlanWrite(target, temporary, fileSystem);
  switch (plan.path) {
    case WritePath::kRefuse:
      return CannotWrite(plan.reason);
    case WritePath::kInPlace:
      return WriteInPlace(map, plan.target, fileSystem);
    case WritePath::kReplace:
      return Replace(map, target, plan.targetExists, temporary, fileSystem);
  }
  return CannotWrite(plan.reason);  // not reached: every path returns above
}

SystemError WholeFileMap::WriteTo(ByteSink& sink, PatchObserver* observer) {
  return WritePatchMapOf(instrument_, sink, observer);
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
