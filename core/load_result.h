// Why reading an instrument definition failed, for every reading and every
// front end: what each pass returns, and the words each front end prints
// after the source's name.
#pragma once

#include <string>

#include "system_error.h"

enum class LoadFailure {
  kNone,        // it did not fail
  kCannotOpen,  // the file cannot be opened (missing, no right, a folder)
  kCannotRead,  // a read failed before the end of the file
  kNoBank,      // the file declares no bank (no Patch[n] key)
};

struct [[nodiscard]] LoadResult {
  LoadFailure failure = LoadFailure::kNone;
  SystemError error;  // the system's reason for kCannotOpen and kCannotRead

  bool Succeeded() const { return failure == LoadFailure::kNone; }

  // A read that failed, or none.
  static LoadResult OfRead(SystemError error) {
    return error.Failed() ? LoadResult{LoadFailure::kCannotRead, error} : LoadResult{};
  }
};

// "cannot be opened: REASON", "cannot be read: REASON", "holds no bank (no
// Patch[n] key in it)".
std::string LoadFailureText(const LoadResult& result);
