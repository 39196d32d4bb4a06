// Reading an instrument definition file through the file system seam: each
// pass reads the file afresh from its start in a buffer of fixed size, so that
// memory holds the banks and patches and nothing in proportion to the file.
#pragma once

#include <memory>
#include <string>

#include "file_system.h"
#include "instrument_definition.h"
#include "native_path.h"
#include "text_lines.h"

// Why reading an instrument definition failed.
enum class LoadFailure {
  kNone,        // it did not fail
  kCannotOpen,  // the file cannot be opened (missing, no right, a folder)
  kCannotRead,  // a read failed before the end of the file
  kNoBank,      // the file declares no bank (no Patch[n] key)
};

struct [[nodiscard]] LoadResult {
  LoadFailure failure = LoadFailure::kNone;
  SystemError error;  // the system's reason for kCannotOpen and kCannotRead

  bool Succeeded() const { return failure == LoadFailure::kNone; }
};

// Why the load failed, in the words every front end uses after the source's
// name: "cannot be opened: REASON", "holds no bank (no Patch[n] key in it)".
std::string LoadFailureText(const LoadResult& result);

// How many passes a reading makes over its source.
enum class SourcePasses { kOne, kSeveral };

// The lines of an open source, pass after pass, each from where the source
// stood when it was taken. A source that cannot be read twice (a pipe, a
// terminal) is read into memory once instead, unless one pass is all that
// will be asked of it.
class InstrumentSource final : private ByteSource {
 public:
  static constexpr std::size_t kBufferBytes = 64 * 1024;

  explicit InstrumentSource(FileSystem& fileSystem, std::size_t bufferBytes = kBufferBytes);
  ~InstrumentSource();
  InstrumentSource(const InstrumentSource&) = delete;
  InstrumentSource& operator=(const InstrumentSource&) = delete;

  // Opens the file; a read that fails from here on shows in error().
  SystemError Open(const NativePath& path);
  // Takes an open file, such as standard input, from where it stands, and
  // leaves it open at the end.
  void Borrow(FileHandle file, SourcePasses passes = SourcePasses::kSeveral);
  // Takes the bytes of a file already in memory.
  void UseText(std::string_view bytes);

  // The lines of the whole file from its start. Check error() after the pass;
  // a second pass over a source read once fails there.
  LineReader Pass();

  // The first failure to read or to go back to the start.
  SystemError error() const { return error_; }

 private:
  void Begin(SourcePasses passes);
  bool Read(char* buffer, std::size_t capacity, std::size_t& got) override;
  void ReadIntoMemory();

  FileSystem& fileSystem_;
  FileHandle file_ = FileHandle::kNone;
  bool ownsFile_ = false;
  std::size_t bufferBytes_;
  std::unique_ptr<char[]> buffer_;
  std::uint64_t start_ = 0;   // where each pass begins
  SystemError cannotGoBack_;  // why the source cannot go back there, if it cannot
  int passesMade_ = 0;
  bool inMemory_ = false;
  std::string text_;  // the whole text of a source that cannot be read twice
  SystemError error_;
};

// Reads an instrument from an open source; says why it failed.
LoadResult ReadInstrument(InstrumentDefinition& instrument, InstrumentSource& source);

// Opens the file at `path` and reads an instrument from it; says why it failed.
// Expects a fresh instance.
LoadResult ReadInstrumentFile(InstrumentDefinition& instrument, const NativePath& path,
                              FileSystem& fileSystem);
