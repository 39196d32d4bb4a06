// What every test case is given: where the program, the fixtures and the
// probe library are, and a fresh folder of its own.
#pragma once

#include <filesystem>

#include "probe_client.h"

struct Environment {
  std::filesystem::path program;
  std::filesystem::path fixtures;
  std::filesystem::path workRoot;
  ProbeClient* probe = nullptr;
};
