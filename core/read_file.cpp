#include "read_file.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace {

// The file's size as far as the system knows it, to read it in one piece; 0
// when unknown (a pipe), in which case the loop below grows the buffer.
std::size_t ExpectedSize(const std::filesystem::path& path) {
  std::error_code error;
  auto size = std::filesystem::file_size(path, error);
  return error ? 0 : static_cast<std::size_t>(size);
}

}  // namespace

bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes, FileSystem& fileSystem) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    errno = EISDIR;
    return false;
  }
  std::FILE* file = fileSystem.OpenForReading(path);
  if (file == nullptr) return false;
  bytes.clear();
  // One byte more than expected, so that end of file is seen in the same read.
  std::size_t capacity = ExpectedSize(path) + 1;
  bool readError = false;
  for (;;) {
    std::size_t used = bytes.size();
    bytes.resize(std::max(capacity, used + 65536));
    std::size_t got = std::fread(bytes.data() + used, 1, bytes.size() - used, file);
    bytes.resize(used + got);
    if (got == 0 || std::feof(file) || std::ferror(file)) {
      readError = std::ferror(file) != 0;
      break;
    }
    capacity = bytes.size() * 2;
  }
  int savedErrno = errno;
  fileSystem.Close(file);
  errno = savedErrno;
  if (readError) {
    if (errno == 0) errno = EIO;
    return false;
  }
  return true;
}
