// The file operations on POSIX systems: descriptors, fsync and rename.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "file_system.h"
#include "temporary_name.h"

namespace {

int Descriptor(FileHandle file) {
  return static_cast<int>(file);
}

FileHandle Handle(int descriptor) {
  return static_cast<FileHandle>(descriptor);
}

SystemError Result(bool succeeded) {
  return succeeded ? SystemError() : SystemError::Last();
}

}  // namespace

SystemError SystemError::Last() {
  return SystemError(static_cast<std::uint32_t>(errno));
}

bool SystemError::IsNotFound() const {
  return code_ == ENOENT;
}

bool SystemError::RefusesReplacement() const {
  return code_ == EPERM || code_ == EACCES || code_ == EBUSY;
}

std::string SystemError::Text() const {
  return std::strerror(static_cast<int>(code_));
}

FileHandle FileSystem::StandardInput() {
  return Handle(STDIN_FILENO);
}

SystemError FileSystem::OpenForReading(const NativePath& path, FileHandle& file) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return SystemError::Last();
  struct stat status;
  if (::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(descriptor);
    return SystemError(EISDIR);
  }
  file = Handle(descriptor);
  return {};
}

SystemError FileSystem::Read(FileHandle file, char* buffer, std::size_t capacity,
                             std::size_t& got) {
  for (;;) {
    const ssize_t count = ::read(Descriptor(file), buffer, capacity);
    if (count >= 0) {
      got = static_cast<std::size_t>(count);
      return {};
    }
    if (errno != EINTR) return SystemError::Last();
  }
}

SystemError FileSystem::Rewind(FileHandle file) {
  return Result(::lseek(Descriptor(file), 0, SEEK_SET) == 0);
}

SystemError FileSystem::OpenExisting(const NativePath& path, ExistingFile& file) {
  // No O_CREAT: only a file that is there is opened.
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (descriptor < 0) return SystemError::Last();
  struct stat status;
  if (::fstat(descriptor, &status) != 0) {
    const SystemError error = SystemError::Last();
    ::close(descriptor);
    return error;
  }
  file.handle = Handle(descriptor);
  file.isDevice = !S_ISREG(status.st_mode);
  file.hasOtherNames = S_ISREG(status.st_mode) && status.st_nlink > 1;
  return {};
}

SystemError FileSystem::CreateTemporary(const NativePath& folder, FileHandle& file,
                                        NativePath& created) {
  for (unsigned attempt = 0;; ++attempt) {
    NativePath candidate = folder + TemporaryName<NativePath>(attempt, static_cast<std::uint64_t>(::getpid()));
    const int descriptor =
        ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor >= 0) {
      file = Handle(descriptor);
      created = std::move(candidate);
      return {};
    }
    if (errno != EEXIST || attempt == kTemporaryNameAttempts) return SystemError::Last();
  }
}

SystemError FileSystem::Truncate(FileHandle file) {
  return Result(::ftruncate(Descriptor(file), 0) == 0);
}

SystemError FileSystem::Write(FileHandle file, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(Descriptor(file), data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return SystemError::Last();
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return {};
}

SystemError FileSystem::Flush(FileHandle file) {
  // EINVAL: a device or pipe, which has nothing to put on disk.
  return Result(::fsync(Descriptor(file)) == 0 || errno == EINVAL);
}

SystemError FileSystem::Close(FileHandle file) {
  return Result(::close(Descriptor(file)) == 0);
}

SystemError FileSystem::CopyPermissions(const NativePath& from, FileHandle to) {
  struct stat status;
  if (::stat(from.c_str(), &status) != 0) return SystemError::Last();
  return Result(::fchmod(Descriptor(to), status.st_mode & 07777) == 0);
}

SystemError FileSystem::Replace(const NativePath& from, const NativePath& to, bool /*toExists*/) {
  return Result(::rename(from.c_str(), to.c_str()) == 0);
}

SystemError FileSystem::Remove(const NativePath& path) {
  return Result(::unlink(path.c_str()) == 0);
}

NativePath FileSystem::ResolveLink(const NativePath& path) {
  struct stat status;
  if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                       &std::free);
  return resolved != nullptr ? NativePath(resolved.get()) : path;
}

SystemError FileSystem::Identify(const NativePath& path, FileIdentity& identity) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return SystemError::Last();
  identity = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
  return {};
}
