// Writing a patch map to a file so that a failure loses nothing that a plain
// overwrite would have kept.
#pragma once

#include "file_system.h"
#include "instrument_definition.h"
#include "native_path.h"

class ByteSink;
class PatchObserver;

// A patch map as bytes made on demand, so that it need not be held whole in
// memory; it may be asked to write itself more than once.
class PatchMapSource {
 public:
  virtual ~PatchMapSource() = default;
  // Writes the patch map to `sink`, telling `observer` each patch if there is
  // one, or says why the sink refused it.
  virtual SystemError WriteTo(ByteSink& sink, PatchObserver* observer) = 0;
  SystemError WriteTo(ByteSink& sink) { return WriteTo(sink, nullptr); }
};

// How writing a patch map file failed.
enum class WriteFailure {
  kNone,
  kCannotWrite,    // the target could not be opened, made or written
  kCannotReplace,  // the new map was complete but could not take the target's place
};

struct [[nodiscard]] WriteResult {
  WriteFailure failure = WriteFailure::kNone;
  SystemError error;  // the system's reason for the failure

  bool Succeeded() const { return failure == WriteFailure::kNone; }
};

// The patch map of an instrument definition held whole in memory.
class WholeFileMap final : public PatchMapSource {
 public:
  explicit WholeFileMap(const InstrumentDefinition& instrument) : instrument_(instrument) {}
  using PatchMapSource::WriteTo;
  SystemError WriteTo(ByteSink& sink, PatchObserver* observer) override;

 private:
  const InstrumentDefinition& instrument_;
};

// Writes the patch map to `target`.
//
// A regular file is written to a new temporary file in the target's folder,
// put on disk and then put in the target's place in one step; on any failure
// the temporary is removed and an existing target keeps its bytes.
//
// The target is written in place, with every write checked, where replacing
// it would be wrong or is refused: a device or pipe (written to, never
// replaced), a file with other hard links (so that every name sees the new
// map), a folder that takes no new file, and a target that the system lets
// the user write but not replace, or whose owner this user cannot give to a
// new file. There a failed write can leave the target incomplete; it is
// reported all the same. Any other failure to make the new file (a full disk,
// no inode left) leaves the target alone.
//
// A target that cannot be opened for writing (read-only, a folder, locked) is
// refused and left alone.
WriteResult WritePatchMapFile(PatchMapSource& map, const NativePath& target,
                              FileSystem& fileSystem);
WriteResult WritePatchMapFile(const InstrumentDefinition& instrument, const NativePath& target,
                              FileSystem& fileSystem);
