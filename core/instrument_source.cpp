#include "instrument_source.h"

#include <algorithm>
#include <cstring>

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
  Begin();
  return {};
}

void InstrumentSource::Borrow(FileHandle file) {
  file_ = file;
  Begin();
}

void InstrumentSource::Begin() {
  cannotGoBack_ = fileSystem_.Position(file_, start_);
  buffer_ = std::make_unique<char[]>(bufferBytes_);
}

// A file that goes back is read again from its start after the peek; one
// that does not hands what was peeked to its first pass.
std::string_view InstrumentSource::Peek() {
  if (inMemory_) return std::string_view(text_).substr(0, kPeekBytes);
  if (peeked_.empty() && passesMade_ == 0) {
    peeked_.resize(kPeekBytes);
    std::size_t used = 0;
    for (std::size_t got = 1; got > 0 && used < kPeekBytes; used += got) {
      if (fileSystem_.Read(file_, peeked_.data() + used, kPeekBytes - used, got).Failed()) break;
    }
    peeked_.resize(used);
    if (!cannotGoBack_.Failed()) (void)fileSystem_.Seek(file_, start_);
  }
  return peeked_;
}

void InstrumentSource::Expect(SourcePasses passes) {
  if (passes == SourcePasses::kSeveral && cannotGoBack_.Failed() && !inMemory_) ReadIntoMemory();
}

void InstrumentSource::ReadIntoMemory() {
  inMemory_ = true;
  text_ = peeked_.substr(peekedServed_);
  for (;;) {
    const std::size_t used = text_.size();
    text_.resize(used + bufferBytes_);
    std::size_t got = 0;
    memoryError_ = fileSystem_.Read(file_, text_.data() + used, bufferBytes_, got);
    text_.resize(used + got);
    if (memoryError_.Failed() || got == 0) break;
  }
}

SystemError InstrumentSource::StartPass() {
  rangeLeft_ = ~std::uint64_t{0};
  windowBytes_ = 0;
  SystemError error;
  if (!cannotGoBack_.Failed()) {
    error = fileSystem_.Seek(file_, start_);
  } else if (passesMade_ > 0) {
    error = cannotGoBack_;  // read once, as it came
  }
  ++passesMade_;
  return error;
}

LineReader InstrumentSource::Pass() {
  if (inMemory_) {
    return memoryError_.Failed() ? LineReader::Unreadable(memoryError_)
                                 : LineReader(TextBeforeEndOfFileMark(text_));
  }
  if (const SystemError error = StartPass(); error.Failed()) return LineReader::Unreadable(error);
  return LineReader(*this, buffer_.get(), bufferBytes_);
}

LineReader InstrumentSource::Range(std::uint64_t begin, std::uint64_t end) {
  if (inMemory_) {
    const std::string_view text = TextBeforeEndOfFileMark(text_);
    const auto from = static_cast<std::size_t>(std::min<std::uint64_t>(begin, text.size()));
    const auto to = static_cast<std::size_t>(std::clamp<std::uint64_t>(end, from, text.size()));
    return LineReader(text.substr(from, to - from));
  }
  if (cannotGoBack_.Failed()) return LineReader::Unreadable(cannotGoBack_);
  if (end - begin <= bufferBytes_) {
    if (!WindowHolds(begin, end)) {
      if (const SystemError error = ReadWindow(begin); error.Failed()) {
        return LineReader::Unreadable(error);
      }
    }
    if (WindowHolds(begin, end)) {  // so both differences fit in the buffer's size
      return LineReader(
          std::string_view(buffer_.get() + static_cast<std::size_t>(begin - windowBegin_),
                           static_cast<std::size_t>(end - begin)));
    }
  }
  windowBytes_ = 0;  // the buffer is the reader's now
  if (const SystemError error = fileSystem_.Seek(file_, start_ + begin); error.Failed()) {
    return LineReader::Unreadable(error);
  }
  rangeLeft_ = end - begin;
  return LineReader(*this, buffer_.get(), bufferBytes_);
}

bool InstrumentSource::WindowHolds(std::uint64_t begin, std::uint64_t end) const {
  return begin >= windowBegin_ && end <= windowBegin_ + windowBytes_;
}

// Ranges mostly follow one another in the file, and most are far shorter
// than the buffer: one read of a buffer's worth serves many of them.
SystemError InstrumentSource::ReadWindow(std::uint64_t begin) {
  windowBytes_ = 0;
  if (const SystemError error = fileSystem_.Seek(file_, start_ + begin); error.Failed()) {
    return error;
  }
  std::size_t used = 0;
  for (std::size_t got = 1; got > 0 && used < bufferBytes_; used += got) {
    if (const SystemError error =
            fileSystem_.Read(file_, buffer_.get() + used, bufferBytes_ - used, got);
        error.Failed()) {
      return error;
    }
  }
  windowBegin_ = begin;
  windowBytes_ = used;
  return {};
}

SystemError InstrumentSource::Identify(FileSystem::FileIdentity& identity) {
  return fileSystem_.IdentifyOpen(file_, identity);
}

LoadResult InstrumentSource::ReadWhole(std::string& bytes) {
  if (inMemory_) {
    bytes = text_;
    return LoadResult::OfRead(memoryError_);
  }
  if (const SystemError error = StartPass(); error.Failed()) return LoadResult::OfRead(error);
  bytes.clear();
  for (;;) {
    std::size_t got = 0;
    if (const SystemError error = Read(buffer_.get(), bufferBytes_, got); error.Failed()) {
      return LoadResult::OfRead(error);
    }
    if (got == 0) return {};
    bytes.append(buffer_.get(), got);
  }
}

// The first pass over a source that does not go back begins with what was
// peeked of it.
SystemError InstrumentSource::Read(char* buffer, std::size_t capacity, std::size_t& got) {
  if (cannotGoBack_.Failed() && peekedServed_ < peeked_.size()) {
    got = std::min(capacity, peeked_.size() - peekedServed_);
    std::memcpy(buffer, peeked_.data() + peekedServed_, got);
    peekedServed_ += got;
    return {};
  }
  const SystemError error = fileSystem_.Read(
      file_, buffer, static_cast<std::size_t>(std::min<std::uint64_t>(capacity, rangeLeft_)), got);
  if (rangeLeft_ != ~std::uint64_t{0}) rangeLeft_ -= got;
  return error;
}
