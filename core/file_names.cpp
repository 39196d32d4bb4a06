#include "file_names.h"

#include <vector>

#include "case_folding.h"
#include "text_encoding.h"
#include "text_lines.h"

namespace {

// Room for ".vpm" and for the folder within the limits of both systems.
constexpr std::size_t kMaxNameBytes = 200;

bool IsUnsafe(std::string_view character) {
  if (character.size() != 1) return false;
  const auto byte = static_cast<unsigned char>(character[0]);
  return byte < 0x20 || byte == 0x7F ||
         std::string_view("/\\:*?\"<>|").find(character[0]) != std::string_view::npos;
}

bool IsDotOrBlank(std::string_view character) {
  return character == "." || character == " ";
}

// The characters of `name`, each as its bytes.
std::vector<std::string_view> Characters(std::string_view name, const LeadBytes& leadBytes) {
  const bool utf8 = leadBytes.none() && IsValidUtf8(name);
  std::vector<std::string_view> characters;
  for (std::size_t at = 0; at < name.size();) {
    std::size_t length = 1;
    if (utf8) {
      length = Utf8SequenceLength(name, at);
    } else if (leadBytes.test(static_cast<unsigned char>(name[at])) && at + 1 < name.size()) {
      length = 2;
    }
    characters.push_back(name.substr(at, length));
    at += length;
  }
  return characters;
}

// The characters that fit in kMaxNameBytes.
void CutToLimit(std::vector<std::string_view>& characters) {
  std::size_t bytes = 0;
  std::size_t kept = 0;
  while (kept < characters.size() && bytes + characters[kept].size() <= kMaxNameBytes) {
    bytes += characters[kept++].size();
  }
  characters.resize(kept);
}

// A port number after COM or LPT: a digit, or a superscript ¹ ² ³, which
// Windows takes as the digit (as Windows-1252 bytes or as UTF-8).
bool IsPortNumber(std::string_view text) {
  for (const std::string_view superscript :
       {"\xB9", "\xB2", "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"}) {
    if (text == superscript) return true;
  }
  return text.size() == 1 && text[0] >= '0' && text[0] <= '9';
}

// Windows opens these as devices, whatever the extension after them.
bool IsReservedDeviceName(std::string_view stem) {
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (EqualsIgnoringCase(stem, device)) return true;
  }
  return (StartsWithIgnoringCase(stem, "COM") || StartsWithIgnoringCase(stem, "LPT")) &&
         IsPortNumber(stem.substr(3));
}

}  // namespace

std::string SafeFileName(std::string_view name, const LeadBytes& leadBytes) {
  std::vector<std::string_view> characters = Characters(name, leadBytes);
  CutToLimit(characters);
  while (!characters.empty() && IsDotOrBlank(characters.back())) characters.pop_back();
  if (characters.empty()) return "_";
  std::string safe;
  for (const std::string_view character : characters) {
    if (IsUnsafe(character)) {
      safe += '_';
    } else {
      safe += character;
    }
  }
  if (safe.front() == '.') safe.front() = '_';  // no hidden file
  // Windows ignores blanks at the end of the part before the first dot.
  std::string_view stem = std::string_view(safe).substr(0, safe.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  if (IsReservedDeviceName(stem))
    safe.insert(safe.begin() + static_cast<std::ptrdiff_t>(stem.size()), '_');
  return safe;
}

std::string PortableMapName(std::string_view instrumentName) {
  constexpr std::string_view kExtension = ".vpm";
  constexpr std::size_t kMaxFileNameBytes = 255;
  const std::string utf8 = Utf8FromText(SafeFileName(instrumentName));
  std::string_view stem = CutUtf8(utf8, kMaxFileNameBytes - kExtension.size());
  // A cut may end the stem in what Windows drops from a name's end.
  while (stem.size() > 1 && (stem.back() == '.' || stem.back() == ' ')) stem.remove_suffix(1);
  return std::string(stem).append(kExtension);
}

std::string FileNameKey(std::string_view utf8Name) {
  return CaseFolded(utf8Name);
}
