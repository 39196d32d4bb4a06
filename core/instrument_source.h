// An instrument definition's source, read pass by pass through the file
// system seam: each pass reads the file afresh from where it stood when it
// was taken, in a buffer of fixed size, so that memory holds what the
// readings keep and nothing in proportion to the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "file_system.h"
#include "load_result.h"
#include "native_path.h"
#include "text_lines.h"

// How many passes a reading makes over its source.
enum class SourcePasses { kOne, kSeveral };

// The lines or bytes of an open source, pass after pass. A source that cannot
// be read twice (a pipe, a terminal) is read into memory once instead where
// several passes are expected of it.
class InstrumentSource final : private ByteSource {
 public:
  static constexpr std::size_t kBufferBytes = 64 * 1024;

  explicit InstrumentSource(FileSystem& fileSystem, std::size_t bufferBytes = kBufferBytes);
  ~InstrumentSource();
  InstrumentSource(const InstrumentSource&) = delete;
  InstrumentSource& operator=(const InstrumentSource&) = delete;

  // Opens the file: kCannotOpen with the system's reason where it cannot.
  LoadResult Open(const NativePath& path);
  // Takes an open file, such as standard input, from where it stands, and
  // leaves it open at the end.
  void Borrow(FileHandle file);

  // The first bytes of the file (up to kPeekBytes), to tell its format by;
  // the passes still begin at its start.
  static constexpr std::size_t kPeekBytes = 4096;
  std::string_view Peek();
  // Says how many passes will be made, before the first: a source that
  // cannot go back is then read into memory for several.
  void Expect(SourcePasses passes);

  // The lines of the whole file from its start. A pass that cannot be made
  // (the file does not go back, a source read once is asked again) gives no
  // lines, and their error() says why; so does a read that fails midway.
  LineReader Pass();
  // The bytes of the whole file from its start, as they are, for a pass.
  LoadResult ReadWhole(std::string& bytes);
  // The lines of a part of the file, from offset `begin` to `end` of a pass
  // (LineReader::NextReadAt and LastReadAt of an earlier pass), as that pass
  // read them. A source read once cannot give them (error() says so). The
  // lines are good until the next pass or range is asked for.
  LineReader Range(std::uint64_t begin, std::uint64_t end);
  // What makes the open file itself, to tell whether it is a target too.
  SystemError Identify(FileSystem::FileIdentity& identity);

 private:
  void Begin();
  // Where the next pass begins; false when it cannot begin.
  SystemError StartPass();
  SystemError Read(char* buffer, std::size_t capacity, std::size_t& got) override;
  void ReadIntoMemory();
  // Whether the bytes from `begin` to `end` of a pass are in the buffer as a
  // window of the file read for ranges; reads one from `begin`.
  bool WindowHolds(std::uint64_t begin, std::uint64_t end) const;
  SystemError ReadWindow(std::uint64_t begin);

  FileSystem& fileSystem_;
  FileHandle file_ = FileHandle::kNone;
  bool ownsFile_ = false;
  std::size_t bufferBytes_;
  std::unique_ptr<char[]> buffer_;
  std::uint64_t start_ = 0;   // where each pass begins
  SystemError cannotGoBack_;  // why the source cannot go back there, if it cannot
  int passesMade_ = 0;
  bool inMemory_ = false;
  std::string text_;         // the whole text of a source that cannot be read twice
  SystemError memoryError_;  // why reading it into memory failed, if it did
  std::uint64_t rangeLeft_ = ~std::uint64_t{0};  // what a range may still read
  std::uint64_t windowBegin_ = 0;                // where the window in the buffer begins in a pass
  std::size_t windowBytes_ = 0;                  // how much of the buffer it is; 0: none
  std::string peeked_;                           // read to peek from a source that cannot go back
  std::size_t peekedServed_ = 0;                 // how much of it the first pass has had
};
