#include "load_result.h"

std::string LoadFailureText(const LoadResult& result) {
  switch (result.failure) {
    case LoadFailure::kCannotOpen:
      return "cannot be opened: " + result.error.Text();
    case LoadFailure::kCannotRead:
      return "cannot be read: " + result.error.Text();
    case LoadFailure::kNoBank:
      return "holds no bank (no Patch[n] key in it)";
    case LoadFailure::kNone:
      break;
  }
  return "was read";
}
