// The command-line converter, callable in-process so that tests can run it.
#pragma once

#include <cstdio>
#include <filesystem>
#include <vector>

// Exit statuses of patchconv.
inline constexpr int kExitConverted = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs patchconv with the arguments after the program name. The patch map of
// a target "-" goes to `out`, messages go to `err`; both must be in binary
// mode, as lines end in kLineEnd.
int RunPatchconv(const std::vector<std::filesystem::path>& arguments, std::FILE* out,
                 std::FILE* err);
