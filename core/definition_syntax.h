// What the trimmed lines of an instrument definition are: comments, section
// markers, headers and key lines, and the bank keys among them. Shared by the
// whole-file reading and the instrument reading, so that both see the same lines.
#pragma once

#include <string_view>

#include "text_lines.h"

// Lines that no reading looks at: blank lines and whole-line comments.
inline bool IsIgnorable(std::string_view line) {
  return line.empty() || line.front() == ';';
}

// A line beginning with "." opens a section, such as ".Patch Names".
inline bool IsSectionMarker(std::string_view line) {
  return line.front() == '.';
}

// A line beginning with "[" names a patch list or an instrument.
inline bool IsHeader(std::string_view line) {
  return line.front() == '[';
}

// The text of a header line "[...]": without the "[", without one closing
// "]" and trimmed. The line must be trimmed and begin with "[".
std::string_view HeaderText(std::string_view line);

// The text between the brackets of a bank key such as "Patch[3]" or
// "patch [*]"; false when the key is no bank key.
bool BankKeyNumberText(std::string_view key, std::string_view& numberText);
