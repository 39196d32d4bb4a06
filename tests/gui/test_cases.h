// The named end-to-end cases, grouped by what they drive. Each runs against a
// freshly started program in a fresh folder of its own.
#pragma once

#include <filesystem>
#include <vector>

#include "environment.h"

struct TestCase {
  const char* name;
  void (*run)(const Environment& environment, const std::filesystem::path& folder);
};

std::vector<TestCase> WindowCases();
std::vector<TestCase> ConversionCases();
std::vector<TestCase> BrowseCases();
