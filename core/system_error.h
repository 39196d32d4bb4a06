// The system's own reason for a failed file operation: errno on POSIX,
// GetLastError() on Windows. Each platform's file_system_*.cpp gives its
// meaning; a default SystemError is a success.
#pragma once

#include <cstdint>
#include <string>

class [[nodiscard]] SystemError {
 public:
  constexpr SystemError() = default;
  constexpr explicit SystemError(std::uint32_t code) : code_(code) {}

  // The reason of the system call that has just failed.
  static SystemError Last();

  constexpr bool Failed() const { return code_ != 0; }
  constexpr std::uint32_t Code() const { return code_; }

  // The file, or a folder on its path, does not exist.
  bool IsNotFound() const;
  // The system would not put another file in this one's place, although the
  // file itself may be written: a folder that lets only owners rename (sticky
  // bit), rights to write but not to delete, a file held open by another.
  bool RefusesReplacement() const;
  // The system refused for lack of rights (EACCES, EPERM; on Windows access
  // denied), rather than for want of room or any other reason.
  bool DeniesRights() const;
  // The reason in the user's words, such as "No such file or directory".
  std::string Text() const;

 private:
  std::uint32_t code_ = 0;
};
