#include "message_text.h"

#include "text_encoding.h"

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
