// Formats a patch map line by line: a header line, one line per patch and a
// closing line, each ended with CR LF on every platform. The lines are
// formatted straight into a fixed buffer that goes to the sink in large
// pieces; a patch map has millions of lines, so each byte counts. The buffer
// is part of the writer, which callers keep on the stack: writing allocates
// nothing, so it cannot run out of memory halfway through a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "system_error.h"
#include "xml_escape.h"

class ByteSink;
class InstrumentDefinition;

// Told each patch as the writer writes it, with the bank value it has: the
// page's preview shows the map's rows from this, not from its XML.
class PatchObserver {
 public:
  virtual ~PatchObserver() = default;
  virtual void Patch(std::int32_t bankValue, std::int32_t family, std::int32_t program,
                     std::string_view name) = 0;
};

class PatchMapWriter {
 public:
  explicit PatchMapWriter(ByteSink& sink, PatchObserver* observer = nullptr)
      : sink_(sink), observer_(observer), end_(buffer_) {}
  PatchMapWriter(const PatchMapWriter&) = delete;
  PatchMapWriter& operator=(const PatchMapWriter&) = delete;

  // Once the sink has refused bytes, nothing more is written, and WriteEnd
  // says why: a loop over millions of patches need not ask at each.
  void WriteHeader(std::string_view deviceName);
  // The bank of the patches that follow: its value before it is split into
  // its two 7-bit parts.
  void BeginBank(std::int32_t bankValue);
  void WritePatch(std::int32_t family, std::int32_t program, std::string_view name);
  // The closing line, and everything still in the buffer to the sink; why
  // the sink refused bytes, if it did.
  SystemError WriteEnd();

 private:
  static constexpr std::size_t kBufferBytes = 64 * 1024;
  // The longest line: fixed text, four numbers and a 299-byte device name
  // with every byte escaped.
  static constexpr std::size_t kMaxLineBytes = 128 + 299 * kMaxEscapedBytesPerByte;

  // Where the next line goes, with room for the longest line; nullptr once
  // the sink has refused bytes.
  char* LineStart();
  template <std::size_t N>
  void EndLine(char* out, std::string_view text, const char (&close)[N]);
  void Flush();

  ByteSink& sink_;
  PatchObserver* observer_;
  std::int32_t bankValue_ = 0;
  SystemError refused_;  // why the sink refused bytes, once it has
  char buffer_[kBufferBytes];
  char* end_;
  char bank_[8] = {};  // "high.low", at most "127.127"
  std::size_t bankSize_ = 0;
};

// The whole-file map of an instrument definition: its banks in order, each
// with its patches as read.
SystemError WritePatchMapOf(const InstrumentDefinition& instrument, ByteSink& sink,
                            PatchObserver* observer = nullptr);
