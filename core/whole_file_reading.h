// The whole-file reading of an instrument definition, as the Windows program
// reads it: two passes over the trimmed lines of the whole file, each telling
// a listener what it meets, in the way an INI parser calls its handler. The
// conversion (whole_file_reading.cpp) is one listener, the check
// (whole_file_check.cpp) others; nothing else walks these lines.
//
// Pass 1 meets every header (the last one names the device), every
// "BankSelMethod=" line (the last one counts) and every bank key
// "Patch[n]=LIST". Pass 2 meets every header, and the key lines under a header
// that the listener takes as a bank's list: those are the bank's patches.
// Section markers carry no meaning in this reading: headers and keys count
// wherever they stand.
//
// A listener has these members; `line` is the physical line where the read
// began (reads of a long line share it):
//   Pass 1: void Read(std::string_view text, std::size_t line)   every read
//           void Header(std::string_view name, std::size_t line)
//           void Method(std::string_view value, std::size_t line)
//           void BankKey(std::string_view numberText, std::string_view listName,
//                        std::size_t line)
//   Pass 2: bool ListHeader(std::string_view name, std::size_t line)
//               true when the lines under it are a bank's patches
//           void PatchLine(std::string_view key, std::string_view name, std::size_t line)
// The listener is a template parameter, so that the conversion's calls are
// inlined: a file has millions of lines.
#pragma once

#include <string_view>

#include "definition_syntax.h"
#include "text_lines.h"

// Pass 1 looks only at the keys BankSelMethod and Patch[n]. The line is
// trimmed, so its key begins with its first byte; most lines of a file are
// patch lines and are passed over without being cut at their "=".
inline bool MayHoldBankKeyOrMethod(std::string_view line) {
  const char first = static_cast<char>(line.front() | 0x20);  // ASCII lower case
  return first == 'b' || first == 'p';
}

template <typename Listener>
void ReadBankDefinitionLines(LineReader& lines, Listener& listener) {
  std::string_view line;
  while (lines.Next(line)) {
    const std::size_t number = lines.LineNumber();
    listener.Read(line, number);
    if (IsIgnorable(line) || IsSectionMarker(line)) continue;
    if (IsHeader(line)) {
      listener.Header(HeaderText(line), number);
      continue;
    }
    std::string_view key, value, numberText;
    if (!MayHoldBankKeyOrMethod(line) || !SplitKeyValue(line, key, value)) continue;
    if (EqualsIgnoringCase(key, "BankSelMethod")) {
      listener.Method(value, number);
    } else if (BankKeyNumberText(key, numberText)) {
      listener.BankKey(numberText, value, number);
    }
  }
}

template <typename Listener>
void ReadPatchLines(LineReader& lines, Listener& listener) {
  bool inList = false;  // under a header that names a bank's list
  std::string_view line;
  while (lines.Next(line)) {
    if (IsIgnorable(line) || IsSectionMarker(line)) continue;
    if (IsHeader(line)) {
      inList = listener.ListHeader(HeaderText(line), lines.LineNumber());
      continue;
    }
    std::string_view key, value;
    if (!inList || !SplitKeyValue(line, key, value)) continue;
    listener.PatchLine(key, value, lines.LineNumber());
  }
}
