// The system's own reason for a failed file operation: errno on POSIX,
// GetLastError() on Windows. What a reason means for the write paths (not
// found, no rights, in use, not supported) is read from a table of each
// system's codes, both compiled everywhere, so that a test on one system can
// give the answers of the other; only the text comes from the system itself.
// A default SystemError is a success.
#pragma once

#include <cstdint>
#include <string>

class [[nodiscard]] SystemError {
 public:
  // What a code means to the paths a write may take.
  enum class Cause : std::uint8_t {
    kNone,
    kOther,
    kNotFound,     // the file, or a folder on its path, does not exist
    kNoRights,     // refused for lack of rights (EACCES, EPERM; access denied)
    kInUse,        // held by another: EBUSY, a sharing violation, a replaced file kept
    kUnsupported,  // the file system cannot do it (ENOTSUP; not supported)
  };

  constexpr SystemError() = default;
  // A code of this system, as Last() reads it.
  explicit SystemError(std::uint32_t code);

  // A code of the other system, classified by its table; Text() names it by
  // number where this system has no text for it.
  static SystemError Posix(std::uint32_t code);
  static SystemError Windows(std::uint32_t code);

  // The reason of the system call that has just failed.
  static SystemError Last();

  constexpr bool Failed() const { return cause_ != Cause::kNone; }
  constexpr std::uint32_t Code() const { return code_; }
  constexpr Cause cause() const { return cause_; }

  bool IsNotFound() const { return cause_ == Cause::kNotFound; }
  bool DeniesRights() const { return cause_ == Cause::kNoRights; }
  // The system would not put another file in this one's place, although the
  // file itself may be written: a folder that lets only owners rename (sticky
  // bit), rights to write but not to delete, a file held open by another.
  bool RefusesReplacement() const { return cause_ == Cause::kNoRights || cause_ == Cause::kInUse; }
  bool IsUnsupported() const { return cause_ == Cause::kUnsupported; }

  // The reason in the user's words, such as "No such file or directory".
  std::string Text() const;

 private:
  constexpr SystemError(std::uint32_t code, Cause cause, bool foreign)
      : code_(code), cause_(cause), foreign_(foreign) {}

  std::uint32_t code_ = 0;
  Cause cause_ = Cause::kNone;
  bool foreign_ = false;  // a code of the other system
};

// The causes of each system's codes; any code not listed is kOther, 0 kNone.
SystemError::Cause PosixCause(std::uint32_t code);
SystemError::Cause WindowsCause(std::uint32_t code);
