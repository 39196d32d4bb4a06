// The few file operations the core needs, behind one seam so that tests can
// make any single step fail. The real implementation is the only place in the
// core that talks to the operating system beyond the C library.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // fopen in binary mode with a path in any script (a wide path on Windows).
  virtual std::FILE* OpenForReading(const std::filesystem::path& path);

  // Creates a new, empty file of a fresh name in `folder` for writing; fills
  // `created` with its path. Never opens an existing file. nullptr on failure.
  virtual std::FILE* CreateTemporary(const std::filesystem::path& folder,
                                     std::filesystem::path& created);

  // Opens an existing file for writing without emptying it (checks that it
  // may be written), or empties it when `truncate` is set. nullptr on failure.
  virtual std::FILE* OpenExistingForWriting(const std::filesystem::path& path, bool truncate);

  virtual bool Write(std::FILE* file, const char* data, std::size_t size);
  // Flushes the stream and asks the system to put the file's data on disk.
  virtual bool Flush(std::FILE* file);
  virtual bool Close(std::FILE* file);
  // Gives the temporary the permission bits of the file it will replace.
  virtual bool CopyPermissions(const std::filesystem::path& from, std::FILE* to);
  // Puts `from` in the place of `to` in one step, replacing it if it exists.
  virtual bool Replace(const std::filesystem::path& from, const std::filesystem::path& to);
  virtual bool Remove(const std::filesystem::path& path);

  // The reason for the last failure in the user's words ("No such file or
  // directory"), for messages.
  static std::string LastErrorText();

  static FileSystem& Real();
};
