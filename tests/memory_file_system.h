// Files held in memory for the tests and the fuzzer: a file system of one
// file's bytes, which reads like a file on disk (pass by pass, from where it
// stands) or like a pipe, and a sink that keeps what is written.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "byte_sink.h"
#include "file_system.h"
#include "instrument_definition.h"
#include "instrument_source.h"
#include "patch_map_writer.h"
#include "whole_file_conversion.h"

class MemoryFileSystem final : public FileSystem {
 public:
  enum class Kind { kFile, kPipe };
  // Each read gives at most `piece` bytes; a pipe cannot tell its position.
  explicit MemoryFileSystem(std::string_view bytes, std::size_t piece = ~std::size_t{0},
                            Kind kind = Kind::kFile)
      : bytes_(bytes), piece_(piece), kind_(kind) {}

  SystemError OpenForReading(const NativePath&, FileHandle& file) override {
    file = FileHandle{0};
    at_ = 0;
    return {};
  }
  SystemError Read(FileHandle, char* buffer, std::size_t capacity, std::size_t& got) override {
    got = std::min({capacity, piece_, bytes_.size() - at_});
    if (got > 0) std::memcpy(buffer, bytes_.data() + at_, got);
    at_ += got;
    return {};
  }
  SystemError Position(FileHandle, std::uint64_t& offset) override {
    if (kind_ == Kind::kPipe) return SystemError::Posix(ESPIPE);
    offset = at_;
    return {};
  }
  SystemError Seek(FileHandle, std::uint64_t offset) override {
    at_ = static_cast<std::size_t>(offset);
    return {};
  }
  SystemError Close(FileHandle) override { return {}; }

 private:
  std::string bytes_;
  std::size_t piece_;
  Kind kind_;
  std::size_t at_ = 0;
};

// Hands out its bytes `piece` at a time, as a slow file would.
class PieceSource final : public ByteSource {
 public:
  PieceSource(std::string_view bytes, std::size_t piece) : rest_(bytes), piece_(piece) {}
  SystemError Read(char* buffer, std::size_t capacity, std::size_t& got) override {
    got = std::min({capacity, piece_, rest_.size()});
    if (got > 0) std::memcpy(buffer, rest_.data(), got);
    rest_.remove_prefix(got);
    return {};
  }

 private:
  std::string_view rest_;
  std::size_t piece_;
};

// Collects the bytes in memory.
class StringSink final : public ByteSink {
 public:
  SystemError Write(std::string_view bytes) override {
    text.append(bytes);
    return {};
  }
  std::string text;
};

// The whole-file conversion of the bytes of a file, as LoadInstrumentFile
// reads it: 0 or -1.
inline int LoadInstrumentText(InstrumentDefinition& instrument, std::string_view bytes) {
  MemoryFileSystem fileSystem(bytes);
  return ReadInstrumentFile(instrument, {}, fileSystem).Succeeded() ? 0 : -1;
}
