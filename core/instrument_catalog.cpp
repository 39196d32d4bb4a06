#include "instrument_catalog.h"

#include <algorithm>
#include <cstring>

#include "definition_syntax.h"
#include "instrument_source.h"
#include "text_lines.h"

namespace {

enum class Section { kIgnored, kPatchNames, kInstrumentDefinitions };

// A marker's whole text names the section; any other section is ignored.
Section SectionOf(std::string_view marker) {
  if (EqualsIgnoringCase(marker, ".Patch Names")) return Section::kPatchNames;
  if (EqualsIgnoringCase(marker, ".Instrument Definitions")) {
    return Section::kInstrumentDefinitions;
  }
  return Section::kIgnored;
}

bool StartsWithDigit(std::string_view key) {
  return !key.empty() && key.front() >= '0' && key.front() <= '9';
}

// Names are at most 299 bytes: a block holds hundreds.
constexpr std::size_t kTextBlockBytes = 64 * 1024;

}  // namespace

void InstrumentCatalog::Read(LineReader& lines) {
  Section section = Section::kIgnored;
  std::size_t list = kNone;
  std::size_t instrument = kNone;
  std::string_view line;
  while (lines.Next(line)) {
    if (IsIgnorable(line)) continue;
    if (IsSectionMarker(line)) {
      section = SectionOf(line);
      list = instrument = kNone;  // every marker ends what was open
      continue;
    }
    if (IsHeader(line)) {
      const std::string_view name = HeaderText(line);
      list = section == Section::kPatchNames ? ListNamed(name) : kNone;
      instrument = section == Section::kInstrumentDefinitions ? InstrumentNamed(name) : kNone;
      continue;
    }
    std::string_view key, value;
    if (!SplitKeyValue(line, key, value)) continue;
    if (list != kNone) AddListLine(lists_[list], key, value);
    if (instrument != kNone) AddInstrumentLine(instruments_[instrument], key, value);
  }
  AddBuiltInLists();
  for (Instrument& read : instruments_) DecideBanksInMap(read);
}

// The position of the item of that name, made at the end when there is none
// yet: a header seen again continues what it opened first.
template <typename Item>
std::size_t InstrumentCatalog::FindOrAdd(std::vector<Item>& items, NameIndex& index,
                                         std::string_view name) {
  const std::size_t found = index.Find(name);
  if (found != kNone) return found;
  const std::string_view kept = texts_.Keep(name);
  items.emplace_back().name = kept;
  return index.Add(kept, items.size() - 1);
}

std::size_t InstrumentCatalog::ListNamed(std::string_view name) {
  return FindOrAdd(lists_, listIndex_, name);
}

std::size_t InstrumentCatalog::InstrumentNamed(std::string_view name) {
  return FindOrAdd(instruments_, instrumentIndex_, name);
}

// "BasedOn=LIST" names the list it builds on; a key that begins with a digit
// is a patch when it has a name: one without a name neither adds a program nor
// replaces one. Every other line is ignored.
void InstrumentCatalog::AddListLine(PatchList& list, std::string_view key, std::string_view value) {
  if (EqualsIgnoringCase(key, "BasedOn")) {
    list.baseName = value;
    list.hasBase = true;
  } else if (StartsWithDigit(key) && !value.empty()) {
    list.own.push_back({DecimalValue(key), texts_.Keep(value.substr(0, kPatchNameBytes))});
  }
}

// Bank keys add banks in order; "BankSelMethod=n" sets the method.
void InstrumentCatalog::AddInstrumentLine(Instrument& instrument, std::string_view key,
                                          std::string_view value) {
  std::string_view numberText;
  if (BankKeyNumberText(key, numberText)) {
    instrument.banks.push_back({.number = DecimalValue(numberText),
                                .listName = std::string(value),
                                .isForOtherBanks = numberText == "*"});
  } else if (EqualsIgnoringCase(key, "BankSelMethod")) {
    instrument.bankSelMethod = DecimalValue(value);
  }
}

// Which banks go into the map: every numbered one, and the list for other
// banks ("Patch[*]") as bank 0 where no other key has the number 0. Of several
// "Patch[*]" keys only the last counts, in its own place; the others are
// dropped, as earlier "BankSelMethod" lines are.
void InstrumentCatalog::DecideBanksInMap(Instrument& instrument) {
  // Iterator pairs rather than ranges: emscripten's libc++ lacks the latter.
  const auto& banks = instrument.banks;
  auto earlierOnesForOtherBanks =
      std::count_if(banks.begin(), banks.end(),
                    [](const Bank& bank) { return bank.isForOtherBanks; }) -
      1;
  std::erase_if(instrument.banks, [&](const Bank& bank) {
    return bank.isForOtherBanks && earlierOnesForOtherBanks-- > 0;
  });
  const bool hasBankZero = std::any_of(banks.begin(), banks.end(), [](const Bank& bank) {
    return !bank.isForOtherBanks && bank.number == 0;
  });
  for (Bank& bank : instrument.banks) bank.isInMap = !bank.isForOtherBanks || !hasBankZero;
}

std::string_view InstrumentCatalog::TextStore::Keep(std::string_view text) {
  if (text.empty()) return {};
  if (text.size() > blockFree_) {
    blocks_.push_back(std::make_unique<char[]>(kTextBlockBytes));
    blockFree_ = kTextBlockBytes;
  }
  char* kept = blocks_.back().get() + (kTextBlockBytes - blockFree_);
  std::memcpy(kept, text.data(), text.size());
  blockFree_ -= text.size();
  return std::string_view(kept, text.size());
}

// The numbering lists that the format's tools provide, where the file does
// not define a list of that name itself. A header of that name with nothing
// under it only names the list, as files written for those tools do.
void InstrumentCatalog::AddBuiltInLists() {
  for (const int first : {0, 1}) {
    const std::string name = std::to_string(first) + ".." + std::to_string(first + 127);
    PatchList& list = lists_[ListNamed(name)];
    if (!list.own.empty() || list.hasBase) continue;
    list.isBuiltIn = true;
    for (std::int32_t program = 0; program < 128; ++program) {
      list.own.push_back({program, texts_.Keep(std::to_string(program + first))});
    }
  }
}

bool InstrumentCatalog::IsBuiltIn(std::string_view listName) const {
  const std::size_t list = FindList(listName);
  return list != kNone && lists_[list].isBuiltIn;
}

std::size_t InstrumentCatalog::FindList(std::string_view name) const {
  return listIndex_.Find(name);
}

const InstrumentCatalog::Instrument* InstrumentCatalog::FindInstrument(
    std::string_view name) const {
  const std::size_t instrument = instrumentIndex_.Find(name);
  return instrument != kNone ? &instruments_[instrument] : nullptr;
}

const std::string* InstrumentCatalog::BaseNameOf(std::string_view listName) const {
  const std::size_t list = FindList(listName);
  return list != kNone && lists_[list].hasBase ? &lists_[list].baseName : nullptr;
}

// Every list with its base, as the resolution takes them.
ListResolution& InstrumentCatalog::Resolution() {
  if (!resolution_) {
    std::vector<ListResolution::List> lists;
    lists.reserve(lists_.size());
    for (const PatchList& list : lists_) {
      lists.push_back({&list.own, list.hasBase ? FindList(list.baseName) : kNone});
    }
    resolution_ = std::make_unique<ListResolution>(lists);
  }
  return *resolution_;
}

std::size_t InstrumentCatalog::OwnProgramCount(std::string_view listName) {
  const std::size_t list = FindList(listName);
  return list == kNone ? 0 : Resolution().OwnCount(list);
}

const std::vector<InstrumentCatalog::Patch>& InstrumentCatalog::OwnPatchesOf(
    std::string_view listName) const {
  const std::size_t list = FindList(listName);
  return list == kNone ? noPatches_ : lists_[list].own;
}

std::size_t InstrumentCatalog::PatchCount(std::string_view listName) {
  const std::size_t list = FindList(listName);
  return list == kNone ? 0 : Resolution().Counts()[list];
}

// Resolves, in one walk, those of the lists that are not resolved yet.
void InstrumentCatalog::Resolve(const std::vector<std::size_t>& lists) {
  std::vector<bool> asked;
  for (const std::size_t list : lists) {
    if (list == kNone || resolved_.contains(list)) continue;
    if (asked.empty()) asked.resize(lists_.size());
    asked[list] = true;
  }
  if (!asked.empty()) Resolution().Resolve(asked, resolved_);
}

void InstrumentCatalog::ResolveListsOf(const Instrument* instrument) {
  std::vector<std::size_t> lists;
  auto take = [&](const Instrument& each) {
    for (const Bank& bank : each.banks) {
      if (bank.isInMap) lists.push_back(FindList(bank.listName));
    }
  };
  if (instrument != nullptr) {
    take(*instrument);
  } else {
    for (const Instrument& each : instruments_) take(each);
  }
  Resolve(lists);
}

const std::vector<InstrumentCatalog::Patch>& InstrumentCatalog::PatchesOf(
    std::string_view listName) {
  const std::size_t list = FindList(listName);
  if (list == kNone) return noPatches_;
  Resolve({list});
  return resolved_[list];
}

LoadResult ReadCatalog(InstrumentCatalog& catalog, InstrumentSource& source) {
  LineReader lines = source.Pass();
  catalog.Read(lines);
  return LoadResult::OfRead(lines.error());
}
