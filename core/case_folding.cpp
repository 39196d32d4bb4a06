#include "case_folding.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "text_encoding.h"

namespace {

// `count` code points from `first`, `step` apart, each folding to itself
// plus `offset`.
struct FoldRun {
  std::uint32_t first;
  std::uint32_t count;
  std::int32_t offset;
  std::uint32_t step;
};

// A code point that folds to two or three (the unused ones 0).
struct MultipleFold {
  std::uint32_t code;
  std::uint32_t folded[3];
};

#include "case_folding_table.inc"

void AppendFolded(std::string& out, std::uint32_t code) {
  const auto multiple =
      std::lower_bound(std::begin(kMultipleFolds), std::end(kMultipleFolds), code,
                       [](const MultipleFold& fold, std::uint32_t c) { return fold.code < c; });
  if (multiple != std::end(kMultipleFolds) && multiple->code == code) {
    for (const std::uint32_t folded : multiple->folded) {
      if (folded != 0) AppendUtf8(out, folded);
    }
    return;
  }
  // The last run that starts at or before the code point.
  const auto after =
      std::upper_bound(std::begin(kFoldRuns), std::end(kFoldRuns), code,
                       [](std::uint32_t c, const FoldRun& run) { return c < run.first; });
  if (after != std::begin(kFoldRuns)) {
    const FoldRun& run = *std::prev(after);
    const std::uint32_t distance = code - run.first;
    if (distance % run.step == 0 && distance / run.step < run.count) {
      code = static_cast<std::uint32_t>(static_cast<std::int32_t>(code) + run.offset);
    }
  }
  AppendUtf8(out, code);
}

}  // namespace

std::string CaseFolded(std::string_view text) {
  std::string folded;
  folded.reserve(text.size());
  ForEachCharacter(text, [&](std::uint32_t character, std::string_view bytes) {
    if (bytes.size() == 1 && character >= 0x80) {
      folded.append(bytes);  // a byte that is no UTF-8
    } else {
      AppendFolded(folded, character);
    }
  });
  return folded;
}
