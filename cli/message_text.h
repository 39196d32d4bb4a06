// Text that patchconv prints: bytes from files and paths shown as text, never
// run by the terminal.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Lines end as the system's text files do: CR LF on Windows, where patchconv
// writes its streams in binary mode so that a patch map keeps its bytes.
#ifdef _WIN32
inline constexpr std::string_view kLineEnd = "\r\n";
#else
inline constexpr std::string_view kLineEnd = "\n";
#endif

// Writes `text`, its control characters escaped (EscapeControlBytes), and a line end; false when
// the stream did not take it all.
bool PrintLine(std::FILE* stream, std::string_view text);
// Writes patchconv's own text of lines that end in "\n", each with kLineEnd.
bool PrintText(std::FILE* stream, std::string_view text);
