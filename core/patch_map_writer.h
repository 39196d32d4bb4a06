// Formats a patch map line by line: a header line, one line per patch and a
// closing line, each ended with CR LF on every platform. The lines are
// formatted straight into a fixed buffer that goes to the sink in large
// pieces; a patch map has millions of lines, so each byte counts. The buffer
// is part of the writer, which callers keep on the stack: writing allocates
// nothing, so it cannot run out of memory halfway through a file.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
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
      : sink_(sink), observer_(observer), end_(buffer_) {
    BeginBank(0);  // until told another
  }
  PatchMapWriter(const PatchMapWriter&) = delete;
  PatchMapWriter& operator=(const PatchMapWriter&) = delete;

  // Once the sink has refused bytes, nothing more is written, and WriteEnd
  // says why: a loop over millions of patches need not ask at each.
  void WriteHeader(std::string_view deviceName);
  // The bank of the patches that follow (0 until then): its value before it is split into
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
  char* FlushForLine();
  template <std::size_t N>
  void EndLine(char* out, std::string_view text, const char (&close)[N]);
  // The buffer to the sink. Once the sink has refused bytes, the buffer is
  // left full, so that every line start comes to FlushForLine and gets none.
  void Flush();

  ByteSink& sink_;
  PatchObserver* observer_;
  std::int32_t bankValue_ = 0;
  SystemError refused_;  // why the sink refused bytes, once it has
  char buffer_[kBufferBytes];
  char* end_;
  // The text between family and preset numbers, the same for a whole bank:
  // '" bank="high.low" preset="', at most 25 bytes.
  char bankText_[32] = {};
  std::size_t bankTextSize_ = 0;
};

// The line's pieces, inline: a map has millions of lines.
namespace patch_map_text {

template <std::size_t N>
char* AppendLiteral(char* out, const char (&literal)[N]) {
  std::memcpy(out, literal, N - 1);
  return out + N - 1;
}

// Two decimal digits for each value below 100.
inline constexpr struct DigitPairs {
  char digits[200];
  constexpr DigitPairs() : digits() {
    for (int i = 0; i < 100; ++i) {
      digits[2 * i] = static_cast<char>('0' + i / 10);
      digits[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
  }
} kDigitPairs;

// Family and program numbers are nearly always below 128.
inline char* PutDecimal(char* out, std::int32_t value) {
  if (value >= 0 && value < 10) {
    *out = static_cast<char>('0' + value);
    return out + 1;
  }
  if (value >= 10 && value < 100) {
    std::memcpy(out, kDigitPairs.digits + 2 * value, 2);
    return out + 2;
  }
  if (value >= 100 && value < 1000) {
    *out = static_cast<char>('0' + value / 100);
    std::memcpy(out + 1, kDigitPairs.digits + 2 * (value % 100), 2);
    return out + 3;
  }
  return std::to_chars(out, out + 11, value).ptr;
}

}  // namespace patch_map_text

inline char* PatchMapWriter::LineStart() {
  if (static_cast<std::size_t>(end_ - buffer_) > kBufferBytes - kMaxLineBytes) {
    return FlushForLine();
  }
  return end_;
}

template <std::size_t N>
void PatchMapWriter::EndLine(char* out, std::string_view text, const char (&close)[N]) {
  end_ = patch_map_text::AppendLiteral(WriteEscapedXml(out, text.substr(0, 299)), close);
}

inline void PatchMapWriter::WritePatch(std::int32_t family, std::int32_t program,
                                       std::string_view name) {
  using patch_map_text::AppendLiteral;
  using patch_map_text::PutDecimal;
  char* out = LineStart();
  if (out == nullptr) return;
  if (observer_ != nullptr) observer_->Patch(bankValue_, family, program, name.substr(0, 299));
  out = AppendLiteral(out, "<patch family=\"");
  out = PutDecimal(out, family);
  std::memcpy(out, bankText_, sizeof bankText_);  // whole, then only its length counts
  out = PutDecimal(out + bankTextSize_, program);
  EndLine(AppendLiteral(out, "\" name=\""), name, "\" />\r\n");
}

// The whole-file map of an instrument definition: its banks in order, each
// with its patches as read.
SystemError WritePatchMapOf(const InstrumentDefinition& instrument, ByteSink& sink,
                            PatchObserver* observer = nullptr);
