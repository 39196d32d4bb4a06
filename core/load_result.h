// Why reading an instrument definition failed, for every reading and every
// front end: what each pass returns, and the words each front end prints
// after the source's name.
#pragma once

#include <cstddef>
#include <string>

#include "system_error.h"

enum class LoadFailure {
  kNone,                // it did not fail
  kCannotOpen,          // the file cannot be opened (missing, no right, a folder)
  kCannotRead,          // a read failed before the end of the file
  kNoBank,              // the file declares no bank (no Patch[n] key)
  kUnreadableDocument,  // an XML document not well-formed, or asking for what is never read
};

struct [[nodiscard]] LoadResult {
  LoadResult() = default;
  LoadResult(LoadFailure what, SystemError why = {}) : failure(what), error(why) {}
  // A document that cannot be read as XML, at a line, for a reason.
  static LoadResult Unreadable(std::size_t at, std::string why) {
    LoadResult result(LoadFailure::kUnreadableDocument);
    result.line = at;
    result.reason = std::move(why);
    return result;
  }

  LoadFailure failure = LoadFailure::kNone;
  SystemError error;  // the system's reason for kCannotOpen and kCannotRead
  // For kUnreadableDocument: where, and why (the XML parser's words, or ours).
  std::size_t line = 0;
  std::string reason;

  bool Succeeded() const { return failure == LoadFailure::kNone; }

  // A read that failed, or none.
  static LoadResult OfRead(SystemError error) {
    return error.Failed() ? LoadResult{LoadFailure::kCannotRead, error} : LoadResult{};
  }
};

// "cannot be opened: REASON", "cannot be read: REASON", "holds no bank (no
// Patch[n] key in it)", "cannot be read as XML: line N: REASON".
std::string LoadFailureText(const LoadResult& result);
