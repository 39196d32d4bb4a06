// The MIDNAM and REAPER readings: what each instrument's map holds, bank
// select by bank select, and what is left out with a finding; hostile XML
// fails with its line and reason and reads nothing it is not given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instruments.h"
#include "memory_file_system.h"
#include "name_document.h"

namespace {

// The document's instruments as text: "[NAME] DEVICE" then "  M.L P NAME" a
// patch, and the kinds of its findings, by number, after "findings:".
std::string Read(SourceFormat format, const std::string& bytes, std::string stem = "file") {
  MemoryFileSystem fileSystem(bytes);
  InstrumentSource source(fileSystem);
  if (!source.Open({}).Succeeded()) return "not opened";
  NameDocument document;
  const LoadResult read = format == SourceFormat::kMidnam ? ReadMidnam(source, document)
                                                          : ReadReabank(source, stem, document);
  if (!read.Succeeded())
    return "unreadable: line " + std::to_string(read.line) + ": " + read.reason;
  std::string text;
  for (const NamedInstrument& instrument : document.instruments) {
    text += "[" + instrument.name + "] " + instrument.deviceName + "\n";
    for (const NamedPatch& patch : instrument.patches) {
      text += "  " + std::to_string(patch.bankValue / 128) + "." +
              std::to_string(patch.bankValue % 128) + " " + std::to_string(patch.program) + " " +
              patch.name + "\n";
    }
  }
  text += "findings:";
  for (const Finding& finding : document.findings) {
    text.append(" ").append(std::to_string(static_cast<int>(finding.kind)));
  }
  return text;
}

std::string Kinds(std::initializer_list<FindingKind> kinds) {
  std::string text = "findings:";
  for (const FindingKind kind : kinds)
    text.append(" ").append(std::to_string(static_cast<int>(kind)));
  return text;
}

// A document of one device, one name set and the given banks and lists.
std::string Midnam(const std::string& banks, const std::string& more = "") {
  return "<?xml version=\"1.0\"?><MIDINameDocument><MasterDeviceNames>"
         "<Manufacturer> Acme </Manufacturer><Model>\n Synth \n</Model><Model>Other</Model>"
         "<ChannelNameSet Name=\"Set\">" +
         banks + "</ChannelNameSet></MasterDeviceNames>" + more + "</MIDINameDocument>";
}

std::string Control(int control, const std::string& value) {
  return "<ControlChange Channel=\"1\" Control=\"" + std::to_string(control) + "\" Value=\"" +
         value + "\"/>";
}

std::string Patch(const std::string& name, const std::string& program,
                  const std::string& commands = "") {
  return "<Patch Number=\"99\" Name=\"" + name + "\" ProgramChange=\"" + program + "\">" +
         (commands.empty() ? "" : "<PatchMIDICommands>" + commands + "</PatchMIDICommands>") +
         "</Patch>";
}

std::string Bank(const std::string& bankCommands, const std::string& patches) {
  return "<PatchBank Name=\"B\">" +
         (bankCommands.empty() ? "" : "<MIDICommands>" + bankCommands + "</MIDICommands>") +
         "<PatchNameList>" + patches + "</PatchNameList></PatchBank>";
}

struct Case {
  const char* what;
  std::string document;
  std::string read;
};

TEST(MidnamReading, GivesEachMapItsBankSelectProgramsAndNames) {
  using enum FindingKind;
  const std::string head = "[Acme Synth] Acme Synth\n";
  for (const Case& c : std::vector<Case>{
           {"controls 0 and 32 of the bank",
            Midnam(Bank(Control(0, "1") + Control(32, "2"), Patch("P", "5"))),
            head + "  1.2 5 P\nfindings:"},
           {"control 32 only", Midnam(Bank(Control(32, "3"), Patch("P", "5"))),
            head + "  0.3 5 P\nfindings:"},
           {"control 0 only, the last counts",
            Midnam(Bank(Control(0, "4") + Control(0, "007"), Patch("P", "5"))),
            head + "  7.0 5 P\nfindings:"},
           {"a patch's own commands, each control on its own",
            Midnam(Bank(Control(0, "1") + Control(32, "2"), Patch("P", "5", Control(32, " 9 ")))),
            head + "  1.9 5 P\nfindings:"},
           {"a bank selected by program change, and a patch that selects its own",
            Midnam(Bank("<ProgramChange Number=\"3\"/>",
                        Patch("Gone", "1") + Patch("Kept", "2", Control(0, "5")))),
            head + "  5.0 2 Kept\n" + Kinds({kBankSelectedOtherwise})},
           {"a bank selected by SysEx", Midnam(Bank("<SysEx>F0 7F F7</SysEx>", Patch("Gone", "1"))),
            head + Kinds({kBankSelectedOtherwise})},
           {"other controls are no commands", Midnam(Bank(Control(7, "100"), Patch("P", "1"))),
            head + "  0.0 1 P\nfindings:"},
           {"bank values that are no number 0-127",
            Midnam(Bank("",
                        Patch("A", "1", Control(0, "128")) + Patch("B", "2", Control(32, "+5")) +
                            Patch("C", "3", Control(0, "0x10")) + Patch("D", "4", Control(0, "")))),
            head + Kinds({kBankValue, kBankValue, kBankValue, kBankValue})},
           {"the program from the commands, the Number never",
            Midnam("<PatchBank Name=\"B\"><PatchNameList><Patch Number=\"9\" "
                   "Name=\"P\"><PatchMIDICommands>"
                   "<ProgramChange Number=\"1\"/><ProgramChange "
                   "Number=\"6\"/></PatchMIDICommands></Patch>"
                   "<Patch Number=\"9\" Name=\"Q\"/></PatchNameList></PatchBank>"),
            head + "  0.0 6 P\n" + Kinds({kNoProgram})},
           {"a ProgramChange attribute that is no number",
            Midnam(Bank("", Patch("P", "x", "<ProgramChange Number=\"2\"/>") + Patch("Q", "128"))),
            head + Kinds({kNoProgram, kNoProgram})},
           {"names: entities, controls as blanks, trimmed; a blank one is no patch",
            Midnam(Bank("", Patch(" A &amp; B&#9;C&#x20AC;&#xA0;", "1") + Patch(" &#10; ", "2") +
                                Patch("Two", "2"))),
            head + "  0.0 1 A & B C\x80\xA0\n  0.0 2 Two\nfindings:"},
           {"Windows-1252: its own table, then one ? a character",
            Midnam(Bank("", Patch("&#x81;&#x153;&#x142;&#x1F3B9;", "1"))),
            head + "  0.0 1 \x81\x9c??\n" + Kinds({kNotInWindows1252})},
           {"a place taken twice over the banks",
            Midnam(Bank("", Patch("A", "1")) + Bank("", Patch("B", "1"))),
            head + "  0.0 1 A\n" + Kinds({kSamePatchPlace})},
           {"a list named before or after its use, and one not there",
            Midnam("<PatchBank Name=\"B\"><UsesPatchNameList Name=\"Later\"/></PatchBank>"
                   "<PatchBank Name=\"C\"><UsesPatchNameList Name=\"later\"/></PatchBank>",
                   "<ExtendingDeviceNames><PatchNameList Name=\"Later\">" + Patch("L", "4") +
                       "</PatchNameList><PatchNameList Name=\"Later\">" + Patch("X", "5") +
                       "</PatchNameList></ExtendingDeviceNames>"),
            head + "  0.0 4 L\n" + Kinds({kListNotFound})},
           {"a name cut to 131 bytes", Midnam(Bank("", Patch(std::string(140, 'n'), "1"))),
            head + "  0.0 1 " + std::string(131, 'n') + "\n" + Kinds({kCutName})},
       }) {
    EXPECT_EQ(Read(SourceFormat::kMidnam, c.document), c.read) << c.what;
  }
}

TEST(MidnamReading, NamesAnInstrumentForEachNameSet) {
  const std::string sets =
      "<MIDINameDocument><ExtendingDeviceNames><Model>No</Model></ExtendingDeviceNames>"
      "<MasterDeviceNames><Model>Solo</Model><ChannelNameSet Name=\"Only\"/></MasterDeviceNames>"
      "<MasterDeviceNames><Manufacturer></Manufacturer><Model>Duo</Model>"
      "<ChannelNameSet Name=\" A \"/><ChannelNameSet Name=\"B\"/></MasterDeviceNames>"
      "</MIDINameDocument>";
  EXPECT_EQ(Read(SourceFormat::kMidnam, sets),
            "[Solo] Solo\n[Duo: A] Duo: A\n[Duo: B] Duo: B\nfindings:");
}

// Documents that are not well-formed, or ask to be read beyond themselves.
TEST(MidnamReading, RefusesHostileDocumentsWithTheirLineAndReason) {
  std::string laughs = "<!DOCTYPE d [<!ENTITY a0 \"lollollollol\">";
  for (int level = 1; level <= 9; ++level) {
    laughs += "<!ENTITY a" + std::to_string(level) + " \"" + std::string() + [&] {
      std::string value;
      for (int copy = 0; copy < 10; ++copy) value += "&a" + std::to_string(level - 1) + ";";
      return value;
    }() + "\">";
  }
  std::string deep;
  for (int level = 0; level < 500000; ++level) deep += "<a>";
  for (int level = 0; level < 500000; ++level) deep += "</a>";
  for (const auto& [document, read] : std::vector<std::pair<std::string, std::string>>{
           {"<MIDINameDocument>\n<Model></MIDINameDocument>", "unreadable: line 2: mismatched tag"},
           {"<MIDINameDocument>\n<Mo", "unreadable: line 2: unclosed token"},
           {std::string("<MIDINameDocument>\n\0</MIDINameDocument>", 39),
            "unreadable: line 2: not well-formed (invalid token)"},
           {laughs + "]>\n<d>&a9;</d>",
            "unreadable: line 2: limit on input amplification factor (from DTD and entities) "
            "breached"},
           {"<!DOCTYPE d [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n<d>&x;</d>",
            "unreadable: line 2: refers to the external entity file:///etc/passwd, which is never "
            "read"},
           {"<!DOCTYPE d SYSTEM \"http://example.invalid/d.dtd\">\n<d>&nbsp;</d>",
            "unreadable: line 2: refers to the entity &nbsp;, which it does not declare"},
           {"<d>\n&nbsp;</d>", "unreadable: line 2: undefined entity"},
           {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<d/>",
            "unreadable: line 1: unknown encoding"},
           {"<MIDINameDocument>" + deep + "</MIDINameDocument>", "findings:"},
           {"<!DOCTYPE d SYSTEM \"http://example.invalid/d.dtd\">\n<d/>", "findings:"},
       }) {
    EXPECT_EQ(Read(SourceFormat::kMidnam, document), read) << document.substr(0, 60);
  }
}

TEST(MidnamReading, ReadsUtf16AndLatin1AsTheyDeclareThemselves) {
  const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" +
                             Midnam(Bank("", Patch("Caf\xE9", "1"))).substr(21);
  const std::u16string wide =
      u"\uFEFF<MIDINameDocument><MasterDeviceNames><Model>\u00C9</Model>"
      u"<ChannelNameSet Name=\"S\"/></MasterDeviceNames></MIDINameDocument>";
  std::string le, be;
  for (const char16_t unit : wide) {
    le += static_cast<char>(unit & 0xFF), le += static_cast<char>(unit >> 8);
    be += static_cast<char>(unit >> 8), be += static_cast<char>(unit & 0xFF);
  }
  EXPECT_EQ(Read(SourceFormat::kMidnam, latin1),
            "[Acme Synth] Acme Synth\n  0.0 1 Caf\xE9\nfindings:");
  EXPECT_EQ(Read(SourceFormat::kMidnam, le), "[\xC3\x89] \xC9\nfindings:");
  EXPECT_EQ(Read(SourceFormat::kMidnam, be), "[\xC3\x89] \xC9\nfindings:");
}

TEST(ReabankReading, TakesBanksAndProgramsLineByLine) {
  using enum FindingKind;
  for (const Case& c : std::vector<Case>{
           {"banks, programs, comments and blank lines",
            "\xEF\xBB\xBF// comment\n\nBank 0 1 Pianos\n0 Grand\r\n 1\tUpright  \nBank 1 0\n5 "
            "Pad\n",
            "[file] file\n  0.1 0 Grand\n  0.1 1 Upright\n  1.0 5 Pad\nfindings:"},
           {"automatic and out-of-range banks leave their programs out",
            "Bank * * Articulations\n0 Legato\nBank 0 128\n1 X\nBank 0\n2 Y\nBank 0 0\n3 Z\n",
            "[file] file\n  0.0 3 Z\n" + Kinds({kBadBankLine, kBadBankLine, kBadBankLine})},
           {"programs before any bank, over 127, named twice, nameless",
            "7 Early\nBank 0 0\n128 High\n4 First\n4 Again\n5\nBank 0 0\n4 Drums\n12abc Not a "
            "program\n",
            "[file] file\n  0.0 4 First\n" +
                Kinds({kProgramBeforeBank, kProgramOutOfRange, kSamePatchPlace, kSamePatchPlace})},
           {"Windows-1252 where the file is not UTF-8", "Bank 0 0\n1 Caf\xE9 \x80\n",
            "[file] file\n  0.0 1 Caf\xE9 \x80\nfindings:"},
       }) {
    EXPECT_EQ(Read(SourceFormat::kReabank, c.document), c.read) << c.what;
  }
  EXPECT_EQ(Read(SourceFormat::kReabank, "", "Caf\xC3\xA9 \xE2\x82\xAC"),
            "[Caf\xC3\xA9 \xE2\x82\xAC] Caf\xE9 \x80\nfindings:");
}

}  // namespace
