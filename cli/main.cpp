// Entry point of patchconv: turns the command line into paths (wide ones on
// Windows, so that names in any script work) and runs the converter.
#include <cstdio>
#include <filesystem>
#include <vector>

#include "interrupt_cleanup.h"
#include "patchconv.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

int wmain(int argc, wchar_t** argv) {
  // The patch map's CR LF must reach standard output unchanged; the lines of
  // messages and listings end in CR LF of their own on both streams.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  RemoveTemporaryOnInterrupt();
  std::vector<std::filesystem::path> arguments(argv + 1, argv + argc);
  return RunPatchconv(arguments, stdout, stderr);
}
#else
int main(int argc, char** argv) {
  RemoveTemporaryOnInterrupt();
  std::vector<std::filesystem::path> arguments(argv + 1, argv + argc);
  return RunPatchconv(arguments, stdout, stderr);
}
#endif
