#include "text_encoding.h"

#include <algorithm>

namespace {

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

void AppendEscaped(std::string& out, unsigned char byte) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out.append("\\x").append(1, kDigits[byte >> 4]).append(1, kDigits[byte & 0xF]);
}

}  // namespace

// The well-formed UTF-8 sequences by their first byte, as Unicode's table of
// them lists: how long, and the range of the second byte, which rules out
// overlong forms, surrogates and anything above U+10FFFF.
namespace {

struct LeadByte {
  unsigned char first, last;
  std::size_t length;
  unsigned char low, high;
};
constexpr LeadByte kLeadBytes[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return 1;
  for (const LeadByte& row : kLeadBytes) {
    if (lead < row.first || lead > row.last) continue;
    if (at + row.length > text.size()) return 0;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (second < row.low || second > row.high) return 0;
    for (std::size_t i = 2; i < row.length; ++i) {
      if (!IsContinuation(text[at + i])) return 0;
    }
    return row.length;
  }
  return 0;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::uint32_t DecodeUtf8(std::string_view text, std::size_t at, std::size_t length) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (length == 1) return lead;
  std::uint32_t codePoint = lead & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3Fu);
  }
  return codePoint;
}

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::uint32_t Windows1252CodePoint(unsigned char byte) {
  static constexpr std::uint16_t k80To9F[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return byte >= 0x80 && byte <= 0x9F ? k80To9F[byte - 0x80] : byte;
}

std::string Utf8FromText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string utf8;
  utf8.reserve(bytes.size() * 2);
  for (const char c : bytes) AppendUtf8(utf8, Windows1252CodePoint(static_cast<unsigned char>(c)));
  return utf8;
}

std::string Windows1252FromUtf8(std::string_view text, std::size_t& replaced) {
  std::string bytes;
  bytes.reserve(text.size());
  ForEachCharacter(text, [&](std::uint32_t character, std::string_view) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
      bytes += static_cast<char>(character);
      return;
    }
    for (unsigned byte = 0x80; byte <= 0x9F; ++byte) {
      if (Windows1252CodePoint(static_cast<unsigned char>(byte)) == character) {
        bytes += static_cast<char>(byte);
        return;
      }
    }
    bytes += '?';
    ++replaced;
  });
  return bytes;
}

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t length = std::max<std::size_t>(Utf8SequenceLength(text, end), 1);
    if (end + length > maxBytes) break;
    end += length;
  }
  return text.substr(0, end);
}

// Sequence by sequence: a byte 0x80-0x9F inside a UTF-8 character (the end of
// "€") is part of it, one outside (a Windows-1252 quote) stands alone.
std::string EscapeControlBytes(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  ForEachCharacter(text, [&](std::uint32_t character, std::string_view bytes) {
    if (!IsControlCharacter(character)) {
      escaped.append(bytes);
      return;
    }
    for (const char byte : bytes) AppendEscaped(escaped, static_cast<unsigned char>(byte));
  });
  return escaped;
}

std::string ShownText(std::string_view bytes) {
  return EscapeControlBytes(Utf8FromText(bytes));
}
