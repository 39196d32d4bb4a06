#include "file_names.h"

#include <algorithm>

#include "text_lines.h"

namespace {

// Room for ".vpm" and for the folder within the limits of both systems.
constexpr std::size_t kMaxNameBytes = 200;

bool IsUnsafe(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
}

// Windows opens these as devices, whatever the extension after them.
bool IsReservedDeviceName(std::string_view stem) {
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (EqualsIgnoringCase(stem, device)) return true;
  }
  return stem.size() == 4 && (StartsWithIgnoringCase(stem, "COM") || StartsWithIgnoringCase(stem, "LPT")) &&
         stem[3] >= '0' && stem[3] <= '9';
}

}  // namespace

std::string SafeFileName(std::string_view name) {
  std::string safe(name.substr(0, kMaxNameBytes));
  std::replace_if(safe.begin(), safe.end(), IsUnsafe, '_');
  if (!safe.empty() && safe.front() == '.') safe.front() = '_';  // no hidden file
  while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) safe.pop_back();
  if (safe.empty()) return "_";
  // Windows ignores blanks at the end of the part before the first dot.
  std::string_view stem = std::string_view(safe).substr(0, safe.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  if (IsReservedDeviceName(stem)) safe.insert(safe.begin() + static_cast<std::ptrdiff_t>(stem.size()), '_');
  return safe;
}
