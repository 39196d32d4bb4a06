// Where the patch map writer sends its bytes: a file, standard output, the
// page's worker.
#pragma once

#include <cerrno>
#include <cstdio>
#include <string_view>

#include "system_error.h"

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes all of `bytes`, or says why it could not.
  virtual SystemError Write(std::string_view bytes) = 0;
};

// Writes to an open stdio stream, which must be in binary mode.
class StdioSink final : public ByteSink {
 public:
  explicit StdioSink(std::FILE* stream) : stream_(stream) {}
  SystemError Write(std::string_view bytes) override {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) == bytes.size()) return {};
    return errno != 0 ? SystemError::Last() : SystemError::Posix(EIO);
  }

 private:
  std::FILE* stream_;
};
