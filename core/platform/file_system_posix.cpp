// The file operations on POSIX systems: descriptors, fsync and rename.
#include <fcntl.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "file_system.h"
#include "temporary_name.h"

namespace {

int Descriptor(FileHandle file) {
  return static_cast<int>(file);
}

FileHandle Handle(int descriptor) {
  return static_cast<FileHandle>(descriptor);
}

// No error when the call succeeded, otherwise errno.
SystemError ErrorUnless(bool succeeded) {
  return succeeded ? SystemError() : SystemError::Last();
}

// Opens `path` and learns what the open file is; closed again on failure.
SystemError OpenWithStatus(const std::string& path, int flags, int& descriptor,
                           struct stat& status) {
  descriptor = ::open(path.c_str(), flags | O_CLOEXEC);
  if (descriptor < 0) return SystemError::Last();
  if (::fstat(descriptor, &status) == 0) return {};
  const SystemError error = SystemError::Last();
  ::close(descriptor);
  return error;
}

#ifdef __linux__
// The names of the file's extended attributes, each ended by a zero; empty
// where the file system keeps none.
SystemError ExtendedAttributeNames(const std::string& path, std::string& names) {
  for (;;) {
    const ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
    if (size < 0) return errno == ENOTSUP ? SystemError() : SystemError::Last();
    names.resize(static_cast<std::size_t>(size));
    if (size == 0) return {};
    const ssize_t got = ::listxattr(path.c_str(), names.data(), names.size());
    if (got >= 0) {
      names.resize(static_cast<std::size_t>(got));
      return {};
    }
    if (errno != ERANGE) return SystemError::Last();  // grown meanwhile: ask again
  }
}

SystemError ExtendedAttributeValue(const std::string& path, const char* name, std::string& value) {
  for (;;) {
    const ssize_t size = ::getxattr(path.c_str(), name, nullptr, 0);
    if (size < 0) return SystemError::Last();
    value.resize(static_cast<std::size_t>(size));
    const ssize_t got = ::getxattr(path.c_str(), name, value.data(), value.size());
    if (got >= 0) {
      value.resize(static_cast<std::size_t>(got));
      return {};
    }
    if (errno != ERANGE) return SystemError::Last();
  }
}

// Every extended attribute of `from` (user.*, the access control lists
// system.posix_acl_*, security.*) set on the open file `to`. One that this
// user may not set fails with EPERM or ENOTSUP, and the caller then writes
// the target in place rather than lose it.
SystemError CopyExtendedAttributes(const std::string& from, int to) {
  std::string names, value;
  if (const SystemError error = ExtendedAttributeNames(from, names); error.Failed()) return error;
  for (std::size_t at = 0, end; (end = names.find('\0', at)) != std::string::npos; at = end + 1) {
    const char* name = names.c_str() + at;
    if (const SystemError error = ExtendedAttributeValue(from, name, value); error.Failed()) {
      return error;
    }
    if (::fsetxattr(to, name, value.data(), value.size(), 0) != 0) return SystemError::Last();
  }
  return {};
}
#else
// Other systems spell extended attributes each their own way; only the owner
// and the permission bits are kept there.
SystemError CopyExtendedAttributes(const std::string&, int) {
  return {};
}
#endif

}  // namespace

SystemError SystemError::Last() {
  return SystemError(static_cast<std::uint32_t>(errno));
}

std::string SystemError::Text() const {
  if (foreign_) return "Windows error " + std::to_string(code_);
  return std::strerror(static_cast<int>(code_));
}

FileHandle FileSystem::StandardInput() {
  return Handle(STDIN_FILENO);
}

SystemError FileSystem::OpenForReading(const NativePath& path, FileHandle& file) {
  struct stat status;
  int descriptor = -1;
  if (const SystemError error = OpenWithStatus(path, O_RDONLY, descriptor, status);
      error.Failed()) {
    return error;
  }
  if (S_ISDIR(status.st_mode)) {
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

SystemError FileSystem::Position(FileHandle file, std::uint64_t& offset) {
  const off_t at = ::lseek(Descriptor(file), 0, SEEK_CUR);
  if (at < 0) return SystemError::Last();
  offset = static_cast<std::uint64_t>(at);
  return {};
}

SystemError FileSystem::Seek(FileHandle file, std::uint64_t offset) {
  const auto at = static_cast<off_t>(offset);
  return ErrorUnless(::lseek(Descriptor(file), at, SEEK_SET) == at);
}

SystemError FileSystem::OpenExisting(const NativePath& path, ExistingFile& file) {
  // No O_CREAT: only a file that is there is opened.
  struct stat status;
  int descriptor = -1;
  if (const SystemError error = OpenWithStatus(path, O_WRONLY, descriptor, status);
      error.Failed()) {
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
    NativePath candidate =
        folder + TemporaryName<NativePath>(attempt, static_cast<std::uint64_t>(::getpid()));
    const int descriptor = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor >= 0) {
      file = Handle(descriptor);
      created = std::move(candidate);
      return {};
    }
    if (errno != EEXIST || attempt == kTemporaryNameAttempts) return SystemError::Last();
  }
}

SystemError FileSystem::Truncate(FileHandle file) {
  return ErrorUnless(::ftruncate(Descriptor(file), 0) == 0);
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
  return ErrorUnless(::fsync(Descriptor(file)) == 0 || errno == EINVAL);
}

void FileSystem::StartFlush([[maybe_unused]] FileHandle file) {
#ifdef __linux__
  // Begins the write-back without waiting for it; a pipe or device refuses,
  // and has nothing to put on disk.
  ::sync_file_range(Descriptor(file), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

SystemError FileSystem::Close(FileHandle file) {
  return ErrorUnless(::close(Descriptor(file)) == 0);
}

SystemError FileSystem::OpenDescriptor(int descriptor, FileHandle& file) {
  const int copy = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return SystemError::Last();
  file = Handle(copy);
  return {};
}

SystemError FileSystem::CopyOwnerAndAttributes(const NativePath& from, FileHandle to) {
  struct stat old, fresh;
  if (::stat(from.c_str(), &old) != 0 || ::fstat(Descriptor(to), &fresh) != 0) {
    return SystemError::Last();
  }
  // Owner first: a change of owner may clear the set-user-ID bits.
  if ((old.st_uid != fresh.st_uid || old.st_gid != fresh.st_gid) &&
      ::fchown(Descriptor(to), old.st_uid, old.st_gid) != 0) {
    return SystemError::Last();
  }
  if (::fchmod(Descriptor(to), old.st_mode & 07777) != 0) return SystemError::Last();
  // Last: an access control list sets the group bits of the mode (its mask).
  return CopyExtendedAttributes(from, Descriptor(to));
}

SystemError FileSystem::Replace(const NativePath& from, const NativePath& to, bool /*toExists*/) {
  return ErrorUnless(::rename(from.c_str(), to.c_str()) == 0);
}

SystemError FileSystem::Remove(const NativePath& path) {
  return ErrorUnless(::unlink(path.c_str()) == 0);
}

NativePath FileSystem::ResolveLink(const NativePath& path) {
  // As the system follows links when it opens a file: at most this many.
  constexpr int kMaxLinks = 40;
  NativePath current = path;
  for (int followed = 0; followed < kMaxLinks; ++followed) {
    // /dev/stdout and its kin are links too, to the descriptor's own file,
    // whose name ("pipe:[N]", a log's path) must not be taken in its place.
    if (DescriptorNamedBy(current) >= 0) return current;
    struct stat status;
    if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return current;
    std::string linked(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 0) + 256,
                       '\0');
    const ssize_t length = ::readlink(current.c_str(), linked.data(), linked.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= linked.size()) return path;
    linked.resize(static_cast<std::size_t>(length));
    // A relative link is read from the folder that holds it.
    current = linked.front() == '/' ? linked : FolderPart(current) + linked;
  }
  return path;  // a loop of links: opening the path says so
}

SystemError FileSystem::Identify(const NativePath& path, FileIdentity& identity) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return SystemError::Last();
  identity = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
  return {};
}

SystemError FileSystem::IdentifyOpen(FileHandle file, FileIdentity& identity) {
  struct stat status;
  if (::fstat(Descriptor(file), &status) != 0) return SystemError::Last();
  identity = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
  return {};
}
