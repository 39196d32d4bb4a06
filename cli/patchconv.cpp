#include "patchconv.h"

#include <set>
#include <string>

#include "command_line.h"
#include "converter.h"
#include "message_text.h"
#include "version.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kHelp =
    "Converts MIDI instrument definition files (.ins), MIDNAM documents (.midnam) and REAPER\n"
    "bank files (.reabank) into Halvorn Quintara patch maps (.vpm).\n"
    "\n"
    "  patchconv SOURCE TARGET.vpm       convert the whole file: an .ins file as the Windows\n"
    "                                    program does, the others' one instrument\n"
    "  -d, --output-dir DIR              convert each source into DIR/<name>.vpm\n"
    "  --instrument NAME                 convert only that instrument, with the patches its\n"
    "                                    lists inherit (BasedOn) and the built-in lists\n"
    "  --each-instrument                 with -d: one map per instrument, DIR/<instrument>.vpm\n"
    "  --list                            show each instrument, its method and its banks\n"
    "  --check                           tell what the whole-file conversion will make of it,\n"
    "                                    or what a MIDNAM or REAPER map leaves out\n"
    "  --from FORMAT                     read every source as ins, midnam or reabank (else\n"
    "                                    told by its extension, then by its first bytes)\n"
    "  -h, --help                        show this help\n"
    "  --version                         show the version\n"
    "  --                                end of options: every later argument is a file\n"
    "\n"
    "SOURCE - reads standard input; TARGET - writes standard output.\n"
    "Exit status: 0 when every file converted (--check: nothing to say), 1 when any\n"
    "failed (--check: something to say), 2 for wrong usage.\n"
    "A target is replaced only by a complete patch map; after a failure it is unchanged,\n"
    "except where it is written in place (a device, a file with other hard links, one\n"
    "this user may write but not replace), as patchconv(1) lists.\n";

int Usage(std::FILE* err, const std::string& problem) {
  PrintLine(err, "patchconv: " + problem);
  PrintText(err, kUsage);
  return kExitUsage;
}

// Prints the help or the version; like any output, it fails where standard
// output cannot take it.
int PrintAbout(const std::string& text, std::FILE* out, std::FILE* err) {
  PrintText(out, text);
  if (std::fflush(out) == 0 && !std::ferror(out)) return kExitConverted;
  PrintLine(err, "patchconv: standard output cannot be written");
  return kExitSomeFailed;
}

// Converts every source into the folder, each to <stem>.vpm; two sources of
// the same stem would write one target, so the later one is refused, as is
// one whose target is a file written before under another name (a link, or
// another case on a case-blind disk).
bool ConvertIntoFolder(const CommandLine& commandLine, Converter& converter) {
  bool allConverted = true;
  std::set<fs::path> targets;
  for (const fs::path& source : commandLine.sources) {
    if (source == "-") {
      allConverted = converter.Fail(source,
                                    "has no name to give its patch map; convert it to a "
                                    "TARGET instead") &&
                     allConverted;
      continue;
    }
    fs::path target = commandLine.folder / source.stem();
    target += ".vpm";
    const bool converted =
        targets.insert(target).second && !converter.WroteEarlier(target)
            ? converter.Convert(source, target)
            : converter.Fail(source, "has the same name as an earlier source; " +
                                         ShownPath(target) + " is kept as converted");
    allConverted = converted && allConverted;
  }
  return allConverted;
}

// Runs `work` on each source; true when it succeeded for all.
template <typename Work>
bool ForEachSource(const CommandLine& commandLine, Work work) {
  bool all = true;
  for (const fs::path& source : commandLine.sources) all = work(source) && all;
  return all;
}

bool Run(const CommandLine& commandLine, Converter& converter) {
  using Mode = CommandLine::Mode;
  switch (commandLine.mode) {
    case Mode::kIntoFolder:
      return ConvertIntoFolder(commandLine, converter);
    case Mode::kEachInstrument:
      return ForEachSource(commandLine, [&](const fs::path& source) {
        return converter.ConvertEachInstrument(source, commandLine.folder);
      });
    case Mode::kList:
      return ForEachSource(commandLine,
                           [&](const fs::path& source) { return converter.List(source); });
    case Mode::kCheck:
      return ForEachSource(commandLine,
                           [&](const fs::path& source) { return converter.Check(source); });
    default:
      return converter.Convert(commandLine.sources.front(), commandLine.target);
  }
}

}  // namespace

int RunPatchconv(const std::vector<fs::path>& arguments, std::FILE* out, std::FILE* err) {
  CommandLine commandLine;
  if (const WrongUsage wrong = ParseCommandLine(arguments, commandLine);
      wrong.error != UsageError::kNone) {
    return Usage(err, UsageErrorText(wrong));
  }
  if (commandLine.mode == CommandLine::Mode::kHelp) {
    return PrintAbout(std::string(kUsage) + "\n" + kHelp, out, err);
  }
  if (commandLine.mode == CommandLine::Mode::kVersion) {
    return PrintAbout(std::string("patchconv ") + PATCHCONV_VERSION_STRING + "\n", out, err);
  }
  Converter converter(out, err, commandLine);
  return Run(commandLine, converter) ? kExitConverted : kExitSomeFailed;
}
