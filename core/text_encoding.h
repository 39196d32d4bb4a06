// The character sets that names come in: UTF-8 where a text is valid UTF-8,
// Windows-1252 otherwise, and the escaping of control characters wherever a
// name is shown as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The length of the well-formed UTF-8 sequence that begins at `at` (no
// overlong form, no surrogate, nothing above U+10FFFF), or 0 where none does.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);
bool IsValidUtf8(std::string_view text);
// The code point of the well-formed sequence of `length` bytes at `at`.
std::uint32_t DecodeUtf8(std::string_view text, std::size_t at, std::size_t length);
void AppendUtf8(std::string& out, std::uint32_t codePoint);

// Calls `take(character, bytes)` for each character of `text`: a well-formed
// UTF-8 sequence with its code point, or a byte that begins none, with the
// byte's value.
template <typename Take>
void ForEachCharacter(std::string_view text, Take take) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, at);
    const std::size_t taken = length == 0 ? 1 : length;
    take(length == 0 ? static_cast<unsigned char>(text[at]) : DecodeUtf8(text, at, length),
         text.substr(at, taken));
    at += taken;
  }
}

// The code point of a byte of Windows-1252, by Windows' own table: 0x81,
// 0x8D, 0x8F, 0x90 and 0x9D, which it assigns nothing, stand for U+0081,
// U+008D, U+008F, U+0090 and U+009D, as Windows and browsers read them.
std::uint32_t Windows1252CodePoint(unsigned char byte);

// A name's bytes as UTF-8: as they are where they are UTF-8 already,
// otherwise read as Windows-1252, as a Windows with that code page reads them.
std::string Utf8FromText(std::string_view bytes);

// UTF-8 `text` in Windows-1252, by Windows' table: a character that it does
// not hold becomes one "?" each, counted in `replaced`.
std::string Windows1252FromUtf8(std::string_view text, std::size_t& replaced);

// A name's bytes as a page shows them: UTF-8 (read as Windows-1252 where it
// is not), its control characters as \xHH.
std::string ShownText(std::string_view bytes);

// The longest start of UTF-8 `text` of at most `maxBytes` bytes that ends at a
// character's end.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);

// The characters below U+0020, U+007F and U+0080 to U+009F: a terminal acts on
// them (the last ones as C1 controls, 0x9B as CSI in 8-bit mode).
constexpr bool IsControlCharacter(std::uint32_t codePoint) {
  return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

// `text` with each control character written as \xHH (lower-case hex) per
// byte, so that a name from a file cannot clear the screen or set the window
// title: bytes below 0x20, 0x7F and 0x80-0x9F, and the UTF-8 forms of U+0080 to
// U+009F. Every other byte, UTF-8 characters among them, passes unchanged.
std::string EscapeControlBytes(std::string_view text);
