// The real file operations. Windows takes wide paths through the C runtime's
// _w functions and replaces files with MoveFileExW; POSIX uses open, fsync
// and rename.
#include "file_system.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// A name that no other writer in the same folder is likely to pick; the
// exclusive create below makes a clash harmless anyway.
std::filesystem::path TemporaryName(const std::filesystem::path& folder) {
  static std::mt19937_64 generator{std::random_device{}()};
  std::string name = ".patchconv-" + std::to_string(generator() % 100000000000ull) + ".tmp";
  return folder.empty() ? std::filesystem::path(name) : folder / name;
}

#ifdef _WIN32
std::FILE* OpenWithFlags(const std::filesystem::path& path, int flags, const char* mode) {
  int fd = _wopen(path.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = _fdopen(fd, mode);
  if (file == nullptr) _close(fd);
  return file;
}

// Maps the last Windows error of a failed MoveFileExW onto errno, so that
// callers can report it like any C library failure.
void SetErrnoFromLastError() {
  switch (GetLastError()) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      errno = EACCES;
      break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      errno = ENOENT;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      errno = ENOSPC;
      break;
    default:
      errno = EIO;
      break;
  }
}
#else
std::FILE* OpenWithFlags(const std::filesystem::path& path, int flags, const char* mode) {
  int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, mode);
  if (file == nullptr) ::close(fd);
  return file;
}
#endif

}  // namespace

std::FILE* FileSystem::OpenForReading(const std::filesystem::path& path) {
#ifdef _WIN32
  return _wfopen(path.c_str(), L"rb");
#else
  return std::fopen(path.c_str(), "rb");
#endif
}

std::FILE* FileSystem::CreateTemporary(const std::filesystem::path& folder,
                                       std::filesystem::path& created) {
#ifdef _WIN32
  const int flags = _O_WRONLY | _O_CREAT | _O_EXCL;
#else
  const int flags = O_WRONLY | O_CREAT | O_EXCL;
#endif
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::filesystem::path candidate = TemporaryName(folder);
    if (std::FILE* file = OpenWithFlags(candidate, flags, "wb")) {
      created = candidate;
      return file;
    }
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

std::FILE* FileSystem::OpenExistingForWriting(const std::filesystem::path& path, bool truncate) {
#ifdef _WIN32
  const int flags = _O_WRONLY | (truncate ? _O_TRUNC : 0);
#else
  const int flags = O_WRONLY | (truncate ? O_TRUNC : 0);
#endif
  return OpenWithFlags(path, flags, "wb");
}

bool FileSystem::Write(std::FILE* file, const char* data, std::size_t size) {
  return std::fwrite(data, 1, size, file) == size;
}

bool FileSystem::Flush(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  // EINVAL: a device or pipe that has nothing to put on disk.
  return ::fsync(fileno(file)) == 0 || errno == EINVAL;
#endif
}

bool FileSystem::Close(std::FILE* file) {
  return std::fclose(file) == 0;
}

bool FileSystem::CopyPermissions(const std::filesystem::path& from, std::FILE* to) {
#ifdef _WIN32
  (void)from;
  (void)to;  // a new file in the same folder inherits the folder's access rights
  return true;
#else
  struct stat status;
  if (::stat(from.c_str(), &status) != 0) return false;
  return ::fchmod(fileno(to), status.st_mode & 07777) == 0;
#endif
}

bool FileSystem::Replace(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef _WIN32
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  SetErrnoFromLastError();
  return false;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool FileSystem::Remove(const std::filesystem::path& path) {
#ifdef _WIN32
  return _wremove(path.c_str()) == 0;
#else
  return std::remove(path.c_str()) == 0;
#endif
}

std::string FileSystem::LastErrorText() {
  return std::strerror(errno);
}

FileSystem& FileSystem::Real() {
  static FileSystem real;
  return real;
}
