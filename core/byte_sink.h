// Where the patch map writer sends its bytes: a file, standard output or memory.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes all of `bytes`; false when they could not all be written.
  virtual bool Write(std::string_view bytes) = 0;
};

// Collects the bytes in memory.
class StringSink final : public ByteSink {
 public:
  bool Write(std::string_view bytes) override {
    text.append(bytes);
    return true;
  }
  std::string text;
};

// Writes to an open stdio stream, which must be in binary mode.
class StdioSink final : public ByteSink {
 public:
  explicit StdioSink(std::FILE* stream) : stream_(stream) {}
  bool Write(std::string_view bytes) override {
    return std::fwrite(bytes.data(), 1, bytes.size(), stream_) == bytes.size();
  }

 private:
  std::FILE* stream_;
};
