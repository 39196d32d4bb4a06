// What the whole-file conversion (that of the Windows program) will make of an
// instrument definition, told as findings: merged instruments, empty or
// partial banks, stray patches, cut names and lines, numbers the map cannot
// hold, bytes that break the XML. patchconv --check prints them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "instrument_source.h"

struct Finding {
  std::size_t line = 0;  // the source's line, counted from 1; 0 for the whole file
  std::string text;
};

struct [[nodiscard]] CheckResult {
  std::vector<Finding> findings;  // in line order; of each kind a few, then a count of the rest
  LoadResult read;                // kCannotRead when the source could not be read to its end
};

// Reads the source, pass after pass, and says what the whole-file conversion
// will make of it.
CheckResult CheckWholeFileConversion(InstrumentSource& source);
