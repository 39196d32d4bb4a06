#include "instrument_source.h"

#include <algorithm>

InstrumentSource::InstrumentSource(FileSystem& fileSystem, std::size_t bufferBytes)
    : fileSystem_(fileSystem), bufferBytes_(std::max(bufferBytes, LineReader::kMinBufferBytes)) {}

InstrumentSource::~InstrumentSource() {
  if (ownsFile_) (void)fileSystem_.Close(file_);
}

SystemError InstrumentSource::Open(const NativePath& path) {
  if (const SystemError error = fileSystem_.OpenForReading(path, file_); error.Failed()) {
    return error;
  }
  ownsFile_ = true;
  Begin(SourcePasses::kSeveral);
  return {};
}

void InstrumentSource::Borrow(FileHandle file, SourcePasses passes) {
  file_ = file;
  Begin(passes);
}

void InstrumentSource::UseText(std::string_view bytes) {
  inMemory_ = true;
  text_ = bytes;
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
    error_ = fileSystem_.Read(file_, text_.data() + used, bufferBytes_, got);
    text_.resize(used + got);
    // Nothing after a 0x1A is ever read, so it need not be kept.
    if (error_.Failed() || got == 0 || text_.find('\x1a', used) != std::string::npos) break;
  }
}

LineReader InstrumentSource::Pass() {
  if (error_.Failed()) return LineReader(std::string_view());
  if (inMemory_) return LineReader(TextBeforeEndOfFileMark(text_));
  if (!cannotGoBack_.Failed()) {
    error_ = fileSystem_.Seek(file_, start_);
  } else if (passesMade_ > 0) {
    error_ = cannotGoBack_;  // read once, as it came
  }
  ++passesMade_;
  if (error_.Failed()) return LineReader(std::string_view());
  return LineReader(*this, buffer_.get(), bufferBytes_);
}

bool InstrumentSource::Read(char* buffer, std::size_t capacity, std::size_t& got) {
  error_ = fileSystem_.Read(file_, buffer, capacity, got);
  return !error_.Failed();
}

std::string LoadFailureText(const LoadResult& result) {
  switch (result.failure) {
    case LoadFailure::kCannotOpen:
      return "cannot be opened: " + result.error.Text();
    case LoadFailure::kCannotRead:
      return "cannot be read: " + result.error.Text();
    case LoadFailure::kNoBank:
      return "holds no bank (no Patch[n] key in it)";
    case LoadFailure::kNone:
      break;
  }
  return "was read";
}

LoadResult ReadInstrument(InstrumentDefinition& instrument, InstrumentSource& source) {
  LineReader firstPass = source.Pass();
  instrument.ReadBankDefinitions(firstPass);
  if (source.error().Failed()) return {LoadFailure::kCannotRead, source.error()};
  if (instrument.banks == nullptr) return {LoadFailure::kNoBank, {}};
  LineReader secondPass = source.Pass();
  instrument.ReadPatchNames(secondPass);
  if (source.error().Failed()) return {LoadFailure::kCannotRead, source.error()};
  return {};
}

LoadResult ReadInstrumentFile(InstrumentDefinition& instrument, const NativePath& path,
                              FileSystem& fileSystem) {
  InstrumentSource source(fileSystem);
  if (const SystemError error = source.Open(path); error.Failed()) {
    return {LoadFailure::kCannotOpen, error};
  }
  return ReadInstrument(instrument, source);
}
