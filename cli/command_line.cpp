#include "command_line.h"

#include <algorithm>

#include "native_path.h"
#include "text_lines.h"

namespace {

namespace fs = std::filesystem;
using Mode = CommandLine::Mode;

// The options as they were given, before they are checked against each other.
struct GivenOptions {
  bool help = false;
  bool version = false;
  bool eachInstrument = false;
  bool list = false;
  bool check = false;
  std::optional<std::string> instrument;
  std::string instrumentUtf8;
  std::optional<SourceFormat> format;
  std::optional<fs::path> folder;
  std::vector<fs::path> positional;
};

bool IsOption(const fs::path& argument) {
  const auto& text = argument.native();
  return text.size() > 1 && text[0] == '-';
}

// The option that stands alone, without a value; nullptr for any other.
bool* FlagNamed(const fs::path& argument, GivenOptions& options) {
  const std::pair<const char*, bool GivenOptions::*> kFlags[] = {
      {"-h", &GivenOptions::help},           {"--help", &GivenOptions::help},
      {"--version", &GivenOptions::version}, {"--each-instrument", &GivenOptions::eachInstrument},
      {"--list", &GivenOptions::list},       {"--check", &GivenOptions::check},
  };
  for (const auto& [name, flag] : kFlags) {
    if (argument == name) return &(options.*flag);
  }
  return nullptr;
}

// Takes the options and positional arguments; "--" ends the options.
WrongUsage CollectArguments(const std::vector<fs::path>& arguments, GivenOptions& options) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const fs::path& argument = arguments[i];
    if (!IsOption(argument)) {
      options.positional.push_back(argument);
    } else if (argument == "--") {
      options.positional.insert(options.positional.end(),
                                arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                arguments.end());
      break;
    } else if (bool* flag = FlagNamed(argument, options)) {
      *flag = true;
    } else if (argument == "-d" || argument == "--output-dir") {
      if (++i == arguments.size()) return {UsageError::kNoFolderOrSource};
      if (options.folder) return {UsageError::kGivenTwice, "-d"};
      if (arguments[i].empty()) return {UsageError::kEmptyFolder};
      options.folder = arguments[i];
    } else if (argument == "--instrument") {
      if (++i == arguments.size()) return {UsageError::kNoInstrumentName};
      if (options.instrument) return {UsageError::kGivenTwice, "--instrument"};
      // Trimmed, as the file's header names are.
      options.instrument = std::string(TrimmedView(TextFromNativePath(arguments[i].native())));
      options.instrumentUtf8 = std::string(TrimmedView(Utf8FromNativePath(arguments[i].native())));
    } else if (argument == "--from") {
      if (++i == arguments.size()) return {UsageError::kUnknownFormat, ""};
      const std::string word = TextFromNativePath(arguments[i].native());
      if (options.format) return {UsageError::kGivenTwice, "--from"};
      options.format = FormatNamed(word);
      if (!options.format) return {UsageError::kUnknownFormat, word};
    } else {
      return {UsageError::kUnknownOption, TextFromNativePath(argument.native())};
    }
  }
  return {};
}

// The sources of a mode that takes one or more.
WrongUsage TakeSources(GivenOptions& options, const char* option, CommandLine& commandLine) {
  if (options.positional.empty()) return {UsageError::kNoSource, option};
  commandLine.sources = std::move(options.positional);
  return {};
}

WrongUsage ChooseMode(GivenOptions& options, std::size_t argumentCount, CommandLine& commandLine) {
  if (options.help || options.version) {
    if (argumentCount != 1) return {UsageError::kHelpNotAlone};
    commandLine.mode = options.help ? Mode::kHelp : Mode::kVersion;
    return {};
  }
  if (options.eachInstrument + options.list + options.check > 1 ||
      (options.instrument && (options.eachInstrument || options.list || options.check))) {
    return {UsageError::kModesTogether};
  }
  commandLine.instrument = options.instrument;
  commandLine.instrumentUtf8 = options.instrumentUtf8;
  commandLine.format = options.format;
  if (options.list || options.check) {
    if (options.folder) return {UsageError::kFolderWithListOrCheck};
    commandLine.mode = options.list ? Mode::kList : Mode::kCheck;
    return TakeSources(options, options.list ? "--list" : "--check", commandLine);
  }
  if (options.eachInstrument && !options.folder) return {UsageError::kEachInstrumentWithoutFolder};
  if (options.folder) {
    commandLine.mode = options.eachInstrument ? Mode::kEachInstrument : Mode::kIntoFolder;
    commandLine.folder = *options.folder;
    return options.positional.empty() ? WrongUsage{UsageError::kNoFolderOrSource}
                                      : TakeSources(options, "-d", commandLine);
  }
  if (options.positional.size() != 2) return {UsageError::kNotSourceAndTarget};
  commandLine.mode = Mode::kConvert;
  commandLine.sources = {options.positional[0]};
  commandLine.target = options.positional[1];
  return {};
}

// Each error's words around the option it names, if it names one.
struct UsageText {
  UsageError error;
  const char* before;
  const char* after;
};

constexpr UsageText kUsageTexts[] = {
    {UsageError::kUnknownOption, "unknown option ", ""},
    {UsageError::kGivenTwice, "", " is given twice"},
    {UsageError::kNoFolderOrSource, "-d needs a folder and at least one source", ""},
    {UsageError::kEmptyFolder, "-d needs a folder, not an empty name", ""},
    {UsageError::kNoInstrumentName, "--instrument needs the name of an instrument", ""},
    {UsageError::kUnknownFormat, "--from takes ins, midnam or reabank, not \"", "\""},
    {UsageError::kNoSource, "", " needs at least one source"},
    {UsageError::kEmptyPath, "an empty SOURCE or TARGET names no file", ""},
    {UsageError::kHelpNotAlone, "--help and --version stand alone", ""},
    {UsageError::kModesTogether,
     "--instrument, --each-instrument, --list and --check exclude each other", ""},
    {UsageError::kFolderWithListOrCheck, "-d does not go with --list or --check", ""},
    {UsageError::kEachInstrumentWithoutFolder, "--each-instrument needs -d DIR", ""},
    {UsageError::kNotSourceAndTarget, "expected a source and a target", ""},
};

}  // namespace

std::string UsageErrorText(const WrongUsage& wrong) {
  for (const UsageText& text : kUsageTexts) {
    if (text.error == wrong.error) return text.before + wrong.argument + text.after;
  }
  return {};
}

WrongUsage ParseCommandLine(const std::vector<fs::path>& arguments, CommandLine& commandLine) {
  GivenOptions options;
  if (WrongUsage wrong = CollectArguments(arguments, options); wrong.error != UsageError::kNone) {
    return wrong;
  }
  // An empty name would mean the current folder to some calls and nothing to others.
  if (std::any_of(options.positional.begin(), options.positional.end(),
                  [](const fs::path& path) { return path.empty(); })) {
    return {UsageError::kEmptyPath};
  }
  return ChooseMode(options, arguments.size(), commandLine);
}
