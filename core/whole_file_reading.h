// The whole-file reading of an instrument definition, as the Windows program
// reads it: two passes over the trimmed lines of the whole file, each telling
// its listeners what it meets, in the way an INI parser calls its handler.
// The conversion (whole_file_conversion.cpp) is one listener, the check
// (whole_file_check.cpp) another; ReadWholeFile runs both passes once for all
// the listeners it is given, and nothing else walks these lines.
//
// The bank pass (ReadBankDefinitions) meets every header (the last one names
// the device), every "BankSelMethod=" line (the last one counts) and every
// bank key "Patch[n]=LIST". The patch pass (ReadPatchNames) meets every
// header, and the key lines under a header that a listener takes as a bank's
// list: those are the bank's patches. Section markers carry no meaning in
// this reading: headers and keys count wherever they stand.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "definition_syntax.h"
#include "instrument_source.h"
#include "load_result.h"
#include "text_lines.h"

namespace whole_file {
using Text = std::string_view;
using Line = std::size_t;
}  // namespace whole_file

// What the reading tells a listener, each a member that does nothing here: a
// listener derives from it and hides those it hears. `line` is the physical
// line where the read began (reads of a long line share it).
struct WholeFileListenerBase {
  using Text = whole_file::Text;
  using Line = whole_file::Line;
  // The bank pass: every read of a line, before anything else is made of it;
  // then headers, methods and bank keys.
  void Read(Text, Line) {}
  void Header(Text, Line) {}
  // The same header with where its read began and where the next one begins
  // (LineReader::LastReadAt, NextReadAt).
  void HeaderAt(Text, std::uint64_t, std::uint64_t) {}
  void Method(Text, Line) {}
  void BankKey(Text, Text, Line) {}
  // After the bank pass, with where it ended (LineReader::NextReadAt).
  void EndBankPass(std::uint64_t) {}
  // Between the passes: the banks are known.
  void BeginPatchPass() {}
  // The patch pass: a header, true when the key lines under it are a bank's
  // patches for this listener, and those lines.
  bool ListHeader(Text, Line) { return false; }
  void PatchLine(Text, Text, Line) {}
};

template <typename L>
concept WholeFileListener = std::derived_from<L, WholeFileListenerBase> &&
    requires(L& l, whole_file::Text text, whole_file::Line line) {
  { l.ListHeader(text, line) } -> std::same_as<bool>;
};

// The bank pass looks only at the keys BankSelMethod and Patch[n]. The line is
// trimmed, so its key begins with its first byte; most lines of a file are
// patch lines and are passed over without being cut at their "=".
inline bool MayHoldBankKeyOrMethod(std::string_view line) {
  // A filter, not a comparison: setting bit 5 takes "B" to "b" and "P" to "p".
  const char first = static_cast<char>(line.front() | 0x20);
  return first == 'b' || first == 'p';
}

// The bank pass over `lines`, told to each listener; kCannotRead when the
// source could not be read to its end.
// A file has millions of lines: the listeners' calls are inlined into each
// pass's loop, and each pass is a function of its own.
template <WholeFileListener... Listeners>
[[gnu::flatten, gnu::noinline]] LoadResult ReadBankDefinitions(LineReader& lines,
                                                               Listeners&... listeners) {
  using namespace whole_file;
  std::string_view start;
  while (lines.NextStart(start)) {
    const std::size_t number = lines.LineNumber();
    // Most lines are patch lines, passed over on their first byte: their end
    // is trimmed only for a listener that reads every line, and for the rest.
    (listeners.Read(WithoutTrailingWhitespace(start), number), ...);
    if (IsIgnorable(start) || IsSectionMarker(start)) continue;
    const bool header = IsHeader(start);
    if (!header && !MayHoldBankKeyOrMethod(start)) continue;
    const std::string_view line = WithoutTrailingWhitespace(start);
    if (header) {
      const std::string_view name = HeaderText(line);
      (listeners.Header(name, number), ...);
      (listeners.HeaderAt(name, lines.LastReadAt(), lines.NextReadAt()), ...);
      continue;
    }
    std::string_view key, value, numberText;
    if (!SplitKeyValue(line, key, value)) continue;
    if (EqualsIgnoringCase(key, "BankSelMethod")) {
      (listeners.Method(value, number), ...);
    } else if (BankKeyNumberText(key, numberText)) {
      (listeners.BankKey(numberText, value, number), ...);
    }
  }
  return LoadResult::OfRead(lines.error());
}

namespace whole_file {

// The listeners that take the lines under the header last met, a bit each.
template <WholeFileListener... Listeners, std::size_t... I>
unsigned TakingAt(Text name, Line line, std::index_sequence<I...>, Listeners&... listeners) {
  return ((listeners.ListHeader(name, line) ? 1u << I : 0u) | ... | 0u);
}

template <WholeFileListener... Listeners, std::size_t... I>
void TellPatchLine(unsigned taking, Text key, Text value, Line line, std::index_sequence<I...>,
                   Listeners&... listeners) {
  ((taking & (1u << I) ? listeners.PatchLine(key, value, line) : void()), ...);
}

}  // namespace whole_file

// The patch pass over `lines`, told to each listener.
template <WholeFileListener... Listeners>
[[gnu::flatten, gnu::noinline]] LoadResult ReadPatchNames(LineReader& lines,
                                                          Listeners&... listeners) {
  static_assert(sizeof...(Listeners) <= 32, "one bit a listener");
  const auto each = std::index_sequence_for<Listeners...>();
  unsigned taking = 0;  // none: lines under no list are passed over at once
  std::string_view line;
  while (lines.Next(line)) {
    if (IsIgnorable(line) || IsSectionMarker(line)) continue;
    if (IsHeader(line)) {
      taking = whole_file::TakingAt(HeaderText(line), lines.LineNumber(), each, listeners...);
      continue;
    }
    std::string_view key, value;
    if (taking == 0 || !SplitKeyValue(line, key, value)) continue;
    whole_file::TellPatchLine(taking, key, value, lines.LineNumber(), each, listeners...);
  }
  return LoadResult::OfRead(lines.error());
}

namespace whole_file {

// Whether the bank pass met any bank key: without one a file is no
// instrument to convert.
struct BankKeyCount : WholeFileListenerBase {
  std::size_t count = 0;
  void BankKey(Text, Text, Line) { ++count; }
};

}  // namespace whole_file

// The bank pass over the source, told to every listener, then EndBankPass;
// kNoBank for a file without a bank key. The source is to be read again.
template <WholeFileListener... Listeners>
LoadResult ReadBankPass(InstrumentSource& source, Listeners&... listeners) {
  source.Expect(SourcePasses::kSeveral);
  whole_file::BankKeyCount banks;
  LineReader bankPass = source.Pass();
  if (LoadResult read = ReadBankDefinitions(bankPass, banks, listeners...); !read.Succeeded()) {
    return read;
  }
  if (banks.count == 0) return {LoadFailure::kNoBank, {}};
  (listeners.EndBankPass(bankPass.NextReadAt()), ...);
  return {};
}

// Runs both passes over the source once, each telling every listener, with
// BeginPatchPass between them; a file without a bank key ends after the bank
// pass with kNoBank.
template <WholeFileListener... Listeners>
LoadResult ReadWholeFile(InstrumentSource& source, Listeners&... listeners) {
  if (LoadResult read = ReadBankPass(source, listeners...); !read.Succeeded()) return read;
  (listeners.BeginPatchPass(), ...);
  LineReader patchPass = source.Pass();
  return ReadPatchNames(patchPass, listeners...);
}
