#include "command_line.h"

#include <algorithm>

#include "native_path.h"
#include "text_lines.h"

namespace {

namespace fs = std::filesystem;
using Mode = CommandLine::Mode;

// The options as they were given, before they are checked against each other.
struct Given {
  bool help = false;
  bool version = false;
  bool eachInstrument = false;
  bool list = false;
  bool check = false;
  std::optional<std::string> instrument;
  std::optional<fs::path> folder;
  std::vector<fs::path> positional;
};

bool IsOption(const fs::path& argument) {
  const auto& text = argument.native();
  return text.size() > 1 && text[0] == '-';
}

// Takes the options and positional arguments; "--" ends the options.
std::string Gather(const std::vector<fs::path>& arguments, Given& given) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const fs::path& argument = arguments[i];
    if (!IsOption(argument)) {
      given.positional.push_back(argument);
    } else if (argument == "--") {
      given.positional.insert(given.positional.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                              arguments.end());
      break;
    } else if (argument == "-h" || argument == "--help") {
      given.help = true;
    } else if (argument == "--version") {
      given.version = true;
    } else if (argument == "--each-instrument") {
      given.eachInstrument = true;
    } else if (argument == "--list") {
      given.list = true;
    } else if (argument == "--check") {
      given.check = true;
    } else if (argument == "-d" || argument == "--output-dir") {
      if (++i == arguments.size()) return "-d needs a folder and at least one source";
      if (given.folder) return "-d is given twice";
      if (arguments[i].empty()) return "-d needs a folder, not an empty name";
      given.folder = arguments[i];
    } else if (argument == "--instrument") {
      if (++i == arguments.size()) return "--instrument needs the name of an instrument";
      if (given.instrument) return "--instrument is given twice";
      // Trimmed, as the file's header names are.
      given.instrument = std::string(TrimmedView(TextFromNativePath(arguments[i].native())));
    } else {
      return "unknown option " + TextFromNativePath(argument.native());
    }
  }
  return {};
}

// The sources of a mode that takes one or more.
std::string TakeSources(Given& given, const char* what, CommandLine& commandLine) {
  if (given.positional.empty()) return std::string(what) + " needs at least one source";
  commandLine.sources = std::move(given.positional);
  return {};
}

std::string Check(Given& given, std::size_t argumentCount, CommandLine& commandLine) {
  if (given.help || given.version) {
    if (argumentCount != 1) return "--help and --version stand alone";
    commandLine.mode = given.help ? Mode::kHelp : Mode::kVersion;
    return {};
  }
  if (given.eachInstrument + given.list + given.check > 1 ||
      (given.instrument && (given.eachInstrument || given.list || given.check))) {
    return "--instrument, --each-instrument, --list and --check exclude each other";
  }
  commandLine.instrument = given.instrument;
  if (given.list || given.check) {
    if (given.folder) return "-d does not go with --list or --check";
    commandLine.mode = given.list ? Mode::kList : Mode::kCheck;
    return TakeSources(given, given.list ? "--list" : "--check", commandLine);
  }
  if (given.eachInstrument && !given.folder) return "--each-instrument needs -d DIR";
  if (given.folder) {
    commandLine.mode = given.eachInstrument ? Mode::kEachInstrument : Mode::kIntoFolder;
    commandLine.folder = *given.folder;
    return given.positional.empty() ? "-d needs a folder and at least one source"
                                    : TakeSources(given, "-d", commandLine);
  }
  if (given.positional.size() != 2) return "expected a source and a target";
  commandLine.mode = Mode::kConvert;
  commandLine.sources = {given.positional[0]};
  commandLine.target = given.positional[1];
  return {};
}

}  // namespace

std::string ParseCommandLine(const std::vector<fs::path>& arguments, CommandLine& commandLine) {
  Given given;
  if (std::string problem = Gather(arguments, given); !problem.empty()) return problem;
  // An empty name would mean the current folder to some calls and nothing to others.
  if (std::any_of(given.positional.begin(), given.positional.end(),
                  [](const fs::path& path) { return path.empty(); })) {
    return "an empty SOURCE or TARGET names no file";
  }
  return Check(given, arguments.size(), commandLine);
}
