// The end-to-end test driver of PatchConverter.exe: runs every named case
// against the real program and prints one line per case and the totals.
//
//   gui_tests --program EXE --fixtures DIR --work DIR [--time-scale X] [--only TEXT]
//             [--trace on]
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "check.h"
#include "files.h"
#include "probe_client.h"
#include "test_cases.h"
#include "waiting.h"

namespace fs = std::filesystem;

namespace {

struct Options {
  fs::path program;
  fs::path fixtures;
  fs::path work;
  double timeScale = 1.0;
  std::wstring only;  // run only the cases whose name contains this text
};

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
  for (int index = 1; index + 1 < argc; index += 2) {
    const std::wstring name = argv[index];
    const std::wstring value = argv[index + 1];
    if (name == L"--program") {
      options.program = value;
    } else if (name == L"--fixtures") {
      options.fixtures = value;
    } else if (name == L"--work") {
      options.work = value;
    } else if (name == L"--time-scale") {
      options.timeScale = std::stod(value);
    } else if (name == L"--trace") {
      if (value == L"on") EnableTrace();
    } else if (name == L"--only") {
      options.only = value;
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && !options.program.empty() && !options.fixtures.empty() &&
         !options.work.empty();
}

fs::path ProbeLibraryBesideDriver() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path() / L"gui_probe.dll";
}

// A folder name for the case: its name with anything unusual replaced.
std::wstring FolderName(std::size_t number, const std::string& name) {
  std::wstring folder = std::to_wstring(number) + L"-";
  for (const char character : name) {
    const bool plain = (character >= 'a' && character <= 'z') ||
                       (character >= 'A' && character <= 'Z') ||
                       (character >= '0' && character <= '9');
    folder += plain ? static_cast<wchar_t>(character) : L'-';
  }
  return folder;
}

bool RunCase(const TestCase& testCase, const Environment& environment, const fs::path& folder) {
  const ULONGLONG started = GetTickCount64();
  std::string failure;
  try {
    testCase.run(environment, FreshFolder(folder));
  } catch (const std::exception& error) {
    failure = error.what();
  }
  const double seconds = static_cast<double>(GetTickCount64() - started) / 1000.0;
  if (failure.empty()) {
    std::printf("ok    %s (%.1f s)\n", testCase.name, seconds);
  } else {
    std::printf("FAIL  %s (%.1f s): %s\n", testCase.name, seconds, failure.c_str());
  }
  std::fflush(stdout);
  return failure.empty();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: gui_tests --program EXE --fixtures DIR --work DIR"
                 " [--time-scale X] [--only TEXT] [--trace on]\n");
    return 2;
  }
  SetTimeScale(options.timeScale);
  std::vector<TestCase> cases = WindowCases();
  for (auto group : {ConversionCases(), BrowseCases()}) {
    cases.insert(cases.end(), group.begin(), group.end());
  }

  const ULONGLONG suiteStarted = GetTickCount64();
  int passed = 0;
  int failed = 0;
  try {
    ProbeClient probe(ProbeLibraryBesideDriver());
    const Environment environment{options.program, options.fixtures, options.work, &probe};
    for (std::size_t index = 0; index < cases.size(); ++index) {
      if (!options.only.empty() &&
          FromUtf8(cases[index].name).find(options.only) == std::wstring::npos) {
        continue;
      }
      const fs::path folder = options.work / FolderName(index + 1, cases[index].name);
      (RunCase(cases[index], environment, folder) ? passed : failed) += 1;
    }
  } catch (const std::exception& error) {
    std::printf("FAIL  setting up the driver: %s\n", error.what());
    ++failed;
  }
  std::printf("GUI suite: %d cases in %.1f s\n", passed + failed,
              static_cast<double>(GetTickCount64() - suiteStarted) / 1000.0);
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}
