#include "load_result.h"

std::string LoadFailureText(const LoadResult& result) {
  switch (result.failure) {
    case LoadFailure::kCannotOpen:
      return "cannot be opened: " + result.error.Text();
    case LoadFailure::kCannotRead:
      return "cannot be read: " + result.error.Text();
    case LoadFailure::kNoBank:
      return "holds no bank (no Patch[n] key in it)";
    case LoadFailure::kUnreadableDocument:
      return "cannot be read as XML: line " + std::to_string(result.line) + ": " + result.reason;
    case LoadFailure::kNone:
      break;
  }
  return "was read";
}
