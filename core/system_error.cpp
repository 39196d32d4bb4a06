#include "system_error.h"

#include <cerrno>

namespace {

using Cause = SystemError::Cause;

struct CodeCause {
  std::uint32_t code;
  Cause cause;
};

// <cerrno>'s names, whose values differ from one C library to another.
const CodeCause kPosixCauses[] = {
    {ENOENT, Cause::kNotFound}, {EACCES, Cause::kNoRights},     {EPERM, Cause::kNoRights},
    {EBUSY, Cause::kInUse},     {ENOTSUP, Cause::kUnsupported}, {EOPNOTSUPP, Cause::kUnsupported},
};

// Win32's codes, by number: this table is compiled on every system.
const CodeCause kWindowsCauses[] = {
    {2, Cause::kNotFound},      // ERROR_FILE_NOT_FOUND
    {3, Cause::kNotFound},      // ERROR_PATH_NOT_FOUND
    {5, Cause::kNoRights},      // ERROR_ACCESS_DENIED
    {32, Cause::kInUse},        // ERROR_SHARING_VIOLATION
    {1175, Cause::kInUse},      // ERROR_UNABLE_TO_REMOVE_REPLACED
    {1176, Cause::kInUse},      // ERROR_UNABLE_TO_MOVE_REPLACEMENT
    {50, Cause::kUnsupported},  // ERROR_NOT_SUPPORTED
};

template <std::size_t N>
Cause CauseIn(const CodeCause (&table)[N], std::uint32_t code) {
  if (code == 0) return Cause::kNone;
  for (const CodeCause& row : table) {
    if (row.code == code) return row.cause;
  }
  return Cause::kOther;
}

}  // namespace

Cause PosixCause(std::uint32_t code) {
  return CauseIn(kPosixCauses, code);
}

Cause WindowsCause(std::uint32_t code) {
  return CauseIn(kWindowsCauses, code);
}

#ifdef _WIN32
SystemError::SystemError(std::uint32_t code) : SystemError(code, WindowsCause(code), false) {}
SystemError SystemError::Posix(std::uint32_t code) {
  return {code, PosixCause(code), true};
}
SystemError SystemError::Windows(std::uint32_t code) {
  return SystemError(code);
}
#else
SystemError::SystemError(std::uint32_t code) : SystemError(code, PosixCause(code), false) {}
SystemError SystemError::Posix(std::uint32_t code) {
  return SystemError(code);
}
SystemError SystemError::Windows(std::uint32_t code) {
  return {code, WindowsCause(code), true};
}
#endif
