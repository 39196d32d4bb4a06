// The MIDNAM reading: each ChannelNameSet of a MasterDeviceNames is an
// instrument; its banks are its PatchBanks, each with the patches of its own
// PatchNameList or of the one its UsesPatchNameList names; each patch's bank
// select and program come from its own commands, else its bank's. What a map
// cannot hold is left out and told as a finding.
#include <map>
#include <optional>

#include "midnam_tree.h"
#include "name_document.h"

namespace {

using Index = MidnamTree::Index;
using enum FindingKind;

// ASCII digits with XML blanks around them, leading zeros allowed; anything
// else is no number. Values past 127 are all one to the reading.
std::optional<int> NumberIn(const std::string* text) {
  if (text == nullptr) return std::nullopt;
  std::string_view rest = *text;
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!rest.empty() && blank(rest.front())) rest.remove_prefix(1);
  while (!rest.empty() && blank(rest.back())) rest.remove_suffix(1);
  if (rest.empty()) return std::nullopt;
  int value = 0;
  for (const char c : rest) {
    if (c < '0' || c > '9') return std::nullopt;
    value = std::min(value * 10 + (c - '0'), 1000);
  }
  return value;
}

// What a bank's or a patch's commands say: the last values of controls 0 and
// 32, whether a program change or SysEx is among them, the last program.
struct Commands {
  const std::string* msb = nullptr;
  const std::string* lsb = nullptr;
  bool programOrSysEx = false;
  const std::string* program = nullptr;
  bool hasProgram = false;

  bool SelectsBank() const { return msb != nullptr || lsb != nullptr; }
};

class MidnamReading {
 public:
  MidnamReading(const MidnamTree& tree, NameDocument& document)
      : tree_(tree), document_(document) {}

  void Read() {
    const auto& elements = tree_.elements();
    for (Index at = 0; at < elements.size(); ++at) {
      if (elements[at].tag != MidnamTag::kPatchNameList) continue;
      if (const std::string* name = tree_.Attribute(at, MidnamAttribute::kName)) {
        lists_.emplace(*name, at);  // the first of a name counts
      }
    }
    for (Index at = 0; at < elements.size(); ++at) {
      if (elements[at].tag == MidnamTag::kMasterDeviceNames) ReadDevice(at);
    }
    document_.findings = std::move(findings_).InLineOrder();
  }

 private:
  // The instruments of one MasterDeviceNames: its name sets.
  void ReadDevice(Index device) {
    std::string name;
    for (const MidnamTag part : {MidnamTag::kManufacturer, MidnamTag::kModel}) {
      const Index element = tree_.FirstChild(device, part);
      const std::string text = element == MidnamTree::kNone ? "" : CleanedName(tree_.Text(element));
      if (!text.empty()) name += (name.empty() ? "" : " ") + text;
    }
    std::vector<Index> nameSets;
    tree_.EachChild(device, MidnamTag::kChannelNameSet,
                    [&](Index set) { nameSets.push_back(set); });
    for (const Index set : nameSets) {
      std::string named = name;
      if (nameSets.size() > 1)
        named += ": " + CleanedName(AttributeText(set, MidnamAttribute::kName));
      NamedInstrument& instrument = document_.instruments.emplace_back();
      NamedMapMaker map(instrument, std::move(named), tree_.elements()[set].line, findings_);
      tree_.EachChild(set, MidnamTag::kPatchBank,
                      [&](Index bank) { ReadBank(bank, instrument, map); });
    }
  }

  void ReadBank(Index bank, NamedInstrument& instrument, NamedMapMaker& map) {
    NamedBank& read = instrument.banks.emplace_back();
    read.name = CleanedName(AttributeText(bank, MidnamAttribute::kName));
    const Index list = ListOf(bank, instrument, read);
    if (list == MidnamTree::kNone) return;
    const Commands commands = CommandsIn(bank, MidnamTag::kMIDICommands);
    // Selected by what a map cannot hold: only patches that select their own bank stay.
    const bool selectedOtherwise = commands.programOrSysEx && !commands.SelectsBank();
    std::size_t leftOutBySelect = 0;
    tree_.EachChild(list, MidnamTag::kPatch, [&](Index patch) {
      const std::string name = CleanedName(AttributeText(patch, MidnamAttribute::kName));
      if (name.empty()) return;  // no patch
      const Commands own = CommandsIn(patch, MidnamTag::kPatchMIDICommands);
      if (selectedOtherwise && !own.SelectsBank()) {
        ++leftOutBySelect;
        ++read.leftOut;
        return;
      }
      ++(ReadPatch(patch, name, own, commands, instrument, map) ? read.patches : read.leftOut);
    });
    if (leftOutBySelect > 0) {
      findings_.Add(kBankSelectedOtherwise, tree_.elements()[bank].line,
                    {instrument.name, read.name, std::to_string(leftOutBySelect)});
    }
  }

  // The bank's own list, else the one it takes by name; kNone when neither.
  Index ListOf(Index bank, const NamedInstrument& instrument, NamedBank& read) {
    if (const Index own = tree_.FirstChild(bank, MidnamTag::kPatchNameList);
        own != MidnamTree::kNone) {
      return own;
    }
    const Index uses = tree_.FirstChild(bank, MidnamTag::kUsesPatchNameList);
    if (uses == MidnamTree::kNone) return MidnamTree::kNone;
    read.listName = AttributeText(uses, MidnamAttribute::kName);
    if (const auto found = lists_.find(read.listName); found != lists_.end()) return found->second;
    findings_.Add(kListNotFound, tree_.elements()[bank].line,
                  {instrument.name, read.name, read.listName});
    return MidnamTree::kNone;
  }

  // The patch's bank select and program, and the patch added to the map;
  // false when it is left out.
  bool ReadPatch(Index patch, const std::string& name, const Commands& own, const Commands& bank,
                 const NamedInstrument& instrument, NamedMapMaker& map) {
    const std::size_t line = tree_.elements()[patch].line;
    int values[2] = {0, 0};
    const std::string* given[2] = {own.msb ? own.msb : bank.msb, own.lsb ? own.lsb : bank.lsb};
    for (int part = 0; part < 2; ++part) {
      if (given[part] == nullptr) continue;
      const std::optional<int> value = NumberIn(given[part]);
      if (!value || *value > 127) {
        findings_.Add(kBankValue, line,
                      {instrument.name, name, part == 0 ? "MSB" : "LSB", *given[part]});
        return false;
      }
      values[part] = *value;
    }
    const std::string* programText = tree_.Attribute(patch, MidnamAttribute::kProgramChange);
    if (programText == nullptr) programText = own.program;
    const std::optional<int> program = NumberIn(programText);
    if (!program || *program > 127) {
      findings_.Add(kNoProgram, line, {instrument.name, name});
      return false;
    }
    return map.Add(values[0], values[1], *program, name, line);
  }

  // The commands within the element's holders of commands (MIDICommands of a
  // bank, PatchMIDICommands of a patch), in order: the last of each counts.
  Commands CommandsIn(Index element, MidnamTag holder) const {
    Commands commands;
    tree_.EachChild(element, holder, [&](Index holding) {
      for (Index at = tree_.elements()[holding].firstChild; at != MidnamTree::kNone;
           at = tree_.elements()[at].nextSibling) {
        Take(at, commands);
      }
    });
    return commands;
  }

  void Take(Index command, Commands& commands) const {
    switch (tree_.elements()[command].tag) {
      case MidnamTag::kControlChange: {
        const std::optional<int> control =
            NumberIn(tree_.Attribute(command, MidnamAttribute::kControl));
        const std::string* value = tree_.Attribute(command, MidnamAttribute::kValue);
        static const std::string kNoValue;
        if (control == 0) commands.msb = value ? value : &kNoValue;
        if (control == 32) commands.lsb = value ? value : &kNoValue;
        break;
      }
      case MidnamTag::kProgramChange:
        commands.programOrSysEx = true;
        commands.program = tree_.Attribute(command, MidnamAttribute::kNumber);
        break;
      case MidnamTag::kSysEx:
        commands.programOrSysEx = true;
        break;
      default:
        break;
    }
  }

  std::string AttributeText(Index element, MidnamAttribute which) const {
    const std::string* value = tree_.Attribute(element, which);
    return value != nullptr ? *value : std::string();
  }

  const MidnamTree& tree_;
  NameDocument& document_;
  Findings findings_;
  std::map<std::string, Index> lists_;  // the first list of each name
};

}  // namespace

LoadResult ReadMidnam(InstrumentSource& source, NameDocument& document) {
  std::string bytes;
  if (LoadResult read = source.ReadWhole(bytes); !read.Succeeded()) return read;
  MidnamTree tree;
  if (LoadResult parsed = ParseMidnam(bytes, tree); !parsed.Succeeded()) return parsed;
  bytes = std::string();  // the tree holds what is read
  document.format = SourceFormat::kMidnam;
  MidnamReading(tree, document).Read();
  return {};
}
