// File names made from instrument names, safe on Windows and POSIX alike.
#pragma once

#include <string>
#include <string_view>

#include "native_path.h"

// `name` as a file name without its extension: path separators, the
// characters : * ? " < > |, control bytes and a leading dot become "_",
// trailing dots and blanks are dropped, a name that Windows reserves for a
// device (NUL, COM1, COM¹, ...) gets a "_" after it, and the result is at
// most 200 bytes and never empty. Other bytes stay as they are.
//
// The name is taken character by character: two bytes of a double-byte code
// page (by `leadBytes`) or a UTF-8 sequence where the whole name is valid
// UTF-8, otherwise a byte. So the second byte of a character is never taken
// for a separator, and the cut never splits a character.
std::string SafeFileName(std::string_view name, const LeadBytes& leadBytes = {});

// The name of an instrument's map as a UTF-8 file name for a download or a zip
// entry: SafeFileName, read as UTF-8 where it is that and as Windows-1252
// otherwise, cut at a character's end to fit 255 bytes with ".vpm" (the limit
// of most file systems), which ends it.
std::string PortableMapName(std::string_view instrumentName);

// What two file names have in common when a case-blind disk or archive tool
// takes them as one: the UTF-8 name fully case-folded.
std::string FileNameKey(std::string_view utf8Name);
