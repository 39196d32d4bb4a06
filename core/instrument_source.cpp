#include "instrument_source.h"

#include <algorithm>

InstrumentSource::InstrumentSource(FileSystem& fileSystem, std::size_t bufferBytes)
    : fileSystem_(fileSystem), bufferBytes_(std::max(bufferBytes, LineReader::kMinBufferBytes)) {}

InstrumentSource::~InstrumentSource() {
  if (ownsFile_) (void)fileSystem_.Close(file_);
}

LoadResult InstrumentSource::Open(const NativePath& path) {
  if (const SystemError error = fileSystem_.OpenForReading(path, file_); error.Failed()) {
    return {LoadFailure::kCannotOpen, error};
  }
  ownsFile_ = true;
  Begin(SourcePasses::kSeveral);
  return {};
}

void InstrumentSource::Borrow(FileHandle file, SourcePasses passes) {
  file_ = file;
  Begin(passes);
}

// A source that can go back to where it stands is read pass by pass; any
// other is read into memory now, while it can still be read at all, unless
// its one pass may read it as it comes.
void InstrumentSource::Begin(SourcePasses passes) {
  cannotGoBack_ = fileSystem_.Position(file_, start_);
  if (cannotGoBack_.Failed() && passes == SourcePasses::kSeveral) {
    ReadIntoMemory();
  } else {
    buffer_ = std::make_unique<char[]>(bufferBytes_);
  }
}

void InstrumentSource::ReadIntoMemory() {
  inMemory_ = true;
  for (;;) {
    const std::size_t used = text_.size();
    text_.resize(used + bufferBytes_);
    std::size_t got = 0;
    memoryError_ = fileSystem_.Read(file_, text_.data() + used, bufferBytes_, got);
    text_.resize(used + got);
    // Nothing after a 0x1A is ever read, so it need not be kept.
    if (memoryError_.Failed() || got == 0 || text_.find('\x1a', used) != std::string::npos) break;
  }
}

LineReader InstrumentSource::Pass() {
  if (inMemory_) {
    return memoryError_.Failed() ? LineReader::Unreadable(memoryError_)
                                 : LineReader(TextBeforeEndOfFileMark(text_));
  }
  SystemError error;
  if (!cannotGoBack_.Failed()) {
    error = fileSystem_.Seek(file_, start_);
  } else if (passesMade_ > 0) {
    error = cannotGoBack_;  // read once, as it came
  }
  ++passesMade_;
  if (error.Failed()) return LineReader::Unreadable(error);
  return LineReader(*this, buffer_.get(), bufferBytes_);
}

SystemError InstrumentSource::Read(char* buffer, std::size_t capacity, std::size_t& got) {
  return fileSystem_.Read(file_, buffer, capacity, got);
}
