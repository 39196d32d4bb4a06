// Names for the temporary file that a patch map is written to before it
// takes the target's place.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// How often a clash with an existing name is tried again.
inline constexpr unsigned kTemporaryNameAttempts = 16;

// ".patchconv-<digits>.tmp", from the clock, the process and the attempt: no
// other writer in the folder is likely to pick it, and the exclusive create
// makes a clash harmless anyway.
template <typename Path>
Path TemporaryName(unsigned attempt, std::uint64_t processId) {
  std::uint64_t mixed =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  mixed ^= (processId << 32) ^ (attempt * 0x9E3779B97F4A7C15ull);
  const std::string ascii = ".patchconv-" + std::to_string(mixed % 1000000000000ull) + ".tmp";
  return Path(ascii.begin(), ascii.end());
}
