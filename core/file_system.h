// The few file operations the core needs, behind one seam so that tests can
// make any single step fail. file_system_posix.cpp and file_system_windows.cpp
// implement it, each for its own platform; nothing else in the core talks to
// the operating system.
#pragma once

#include <cstddef>
#include <cstdint>

#include "native_path.h"
#include "system_error.h"

// An open file: a POSIX descriptor or a Windows handle.
enum class FileHandle : std::intptr_t { kNone = -1 };

// An existing file opened for writing, and what the open file turned out to be.
struct ExistingFile {
  FileHandle handle = FileHandle::kNone;
  bool isDevice = false;       // a character device or a pipe, not a file on disk
  bool hasOtherNames = false;  // more than one hard link leads to it
};

// The base class is the real file system; it holds no state, so one can be
// made wherever it is needed.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual SystemError OpenForReading(const NativePath& path, FileHandle& file);
  // Reads up to `capacity` bytes; `got` is 0 at the end of the file.
  virtual SystemError Read(FileHandle file, char* buffer, std::size_t capacity, std::size_t& got);
  // Where the next read will start; fails for what cannot be read twice (a
  // pipe, a terminal).
  virtual SystemError Position(FileHandle file, std::uint64_t& offset);
  // Makes the next read start at `offset`, a place that Position gave.
  virtual SystemError Seek(FileHandle file, std::uint64_t offset);

  // Opens an existing file for writing without emptying it or making it; a
  // failure that IsNotFound() means there is no such file.
  virtual SystemError OpenExisting(const NativePath& path, ExistingFile& file);
  // Makes a new, empty file of a fresh name in `folder` (a FolderPart, may be
  // empty) and opens it for writing; `created` is its path. Never opens an
  // existing file.
  virtual SystemError CreateTemporary(const NativePath& folder, FileHandle& file,
                                      NativePath& created);
  // Empties a file opened for writing.
  virtual SystemError Truncate(FileHandle file);
  virtual SystemError Write(FileHandle file, const char* data, std::size_t size);
  // Puts what was written on disk (nothing to do for a device or pipe).
  virtual SystemError Flush(FileHandle file);
  // Starts putting what was written so far on disk and returns at once, so
  // that the disk works while the map is still being made and Flush waits
  // less; where the system has no such call, nothing. Never fails: Flush
  // tells whether the bytes reached the disk.
  virtual void StartFlush(FileHandle file);
  virtual SystemError Close(FileHandle file);
  // A handle of its own to an open descriptor of the process (see
  // DescriptorNamedBy), which writes where the descriptor stands.
  virtual SystemError OpenDescriptor(int descriptor, FileHandle& file);
  // Gives the new file what a plain overwrite would keep of the one it will
  // replace: owner and group, permission bits, and on Linux its extended
  // attributes, access control lists among them. DeniesRights() or
  // IsUnsupported() when the system does not let this user give them all.
  virtual SystemError CopyOwnerAndAttributes(const NativePath& from, FileHandle to);
  // Puts `from` in the place of `to` in one step. An existing `to` keeps
  // what the system keeps of a replaced file (on Windows its access rights,
  // attributes and creation time).
  virtual SystemError Replace(const NativePath& from, const NativePath& to, bool toExists);
  virtual SystemError Remove(const NativePath& path);
  // The file that a symbolic link leads to, so that the file is replaced and
  // the link stays, even where that file does not exist yet (a shell's
  // redirection makes it); any other path as it is.
  virtual NativePath ResolveLink(const NativePath& path);

  // The process's standard input, for reading; it is never closed.
  static FileHandle StandardInput();

  // What makes a file itself whatever path leads to it (another case on a
  // case-blind disk, a link, "a/../a"): device and inode on POSIX, volume
  // serial number and file index on Windows.
  struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    friend bool operator<(const FileIdentity& a, const FileIdentity& b) {
      return a.volume != b.volume ? a.volume < b.volume : a.file < b.file;
    }
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
  };
  // The identity of the existing file at `path`, links followed, and of an
  // open file.
  virtual SystemError Identify(const NativePath& path, FileIdentity& identity);
  virtual SystemError IdentifyOpen(FileHandle file, FileIdentity& identity);
};
