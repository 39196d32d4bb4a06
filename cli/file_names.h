// File names made from instrument names, safe on Windows and POSIX alike.
#pragma once

#include <string>
#include <string_view>

// `name` as a file name without its extension: path separators, the
// characters : * ? " < > |, control bytes and a leading dot become "_",
// trailing dots and blanks are dropped, a name that Windows reserves for a
// device (NUL, COM1, ...) gets a "_" after it, and the result is at most 200
// bytes and never empty. Other bytes stay as they are.
std::string SafeFileName(std::string_view name);
