#include "message_text.h"

namespace {

bool IsControlByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

}  // namespace

std::string EscapeControlBytes(std::string_view text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    if (!IsControlByte(c)) {
      escaped += c;
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    escaped.append("\\x").append(1, kDigits[byte >> 4]).append(1, kDigits[byte & 0xF]);
  }
  return escaped;
}

bool PrintLine(std::FILE* stream, std::string_view text) {
  std::string line = EscapeControlBytes(text);
  line += kLineEnd;
  return std::fwrite(line.data(), 1, line.size(), stream) == line.size();
}

bool PrintText(std::FILE* stream, std::string_view text) {
  bool printed = true;
  for (std::size_t end; (end = text.find('\n')) != std::string_view::npos;
       text.remove_prefix(end + 1)) {
    printed = PrintLine(stream, text.substr(0, end)) && printed;
  }
  return printed;
}
