// What the whole-file conversion (that of the Windows program) will make of an
// instrument definition, told as findings: merged instruments, empty or
// partial banks, stray patches, cut names and lines, numbers the map cannot
// hold, bytes that break the XML. patchconv --check prints them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class InstrumentSource;

struct Finding {
  std::size_t line = 0;  // the source's line, counted from 1; 0 for the whole file
  std::string text;
};

// Reads the source, pass after pass, and returns the findings in line order;
// of each kind at most a few, then a count of the rest. Check the source's
// error() afterwards.
std::vector<Finding> CheckWholeFileConversion(InstrumentSource& source);
