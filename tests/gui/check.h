// How a test case fails: by throwing CaseFailure with a message that says what
// was expected and what was found. The runner catches it and goes on.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "text.h"

struct CaseFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] inline void Fail(const std::string& message) {
  throw CaseFailure(message);
}

inline void Expect(bool condition, const std::string& what) {
  if (!condition) Fail(what);
}

inline void ExpectText(std::wstring_view actual, std::wstring_view expected,
                       const std::string& what) {
  if (actual != expected) {
    Fail(what + ": expected \"" + Printable(expected) + "\", got \"" + Printable(actual) + "\"");
  }
}

inline void ExpectNumber(long long actual, long long expected, const std::string& what) {
  if (actual != expected) {
    Fail(what + ": expected " + std::to_string(expected) + ", got " + std::to_string(actual));
  }
}
