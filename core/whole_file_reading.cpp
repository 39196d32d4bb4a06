// The whole-file conversion's listeners: pass 1 fills the device name, the
// method and the banks; pass 2 hangs each patch line on the first bank that
// names its list.
#include "whole_file_reading.h"

#include <vector>

#include "instrument_definition.h"
#include "name_index.h"

namespace {

template <typename Node>
Node* LastOf(Node* nodes) {
  while (nodes != nullptr && nodes->next != nullptr) nodes = nodes->next;
  return nodes;
}

class BankDefinitionsInto {
 public:
  explicit BankDefinitionsInto(InstrumentDefinition& instrument)
      : instrument_(instrument), tail_(LastOf(instrument.banks)) {}

  void Read(std::string_view, std::size_t) {}
  void Header(std::string_view name, std::size_t) { CopyToField(instrument_.deviceName, name); }
  void Method(std::string_view value, std::size_t) {
    instrument_.bankSelMethod = DecimalValue(value);
  }
  void BankKey(std::string_view numberText, std::string_view listName, std::size_t) {
    tail_ = instrument_.AppendBank(tail_, DecimalValue(numberText), listName);
  }

 private:
  InstrumentDefinition& instrument_;
  PatchBank* tail_;
};

class PatchNamesInto {
 public:
  // Only the first bank of a list gets its patches.
  explicit PatchNamesInto(InstrumentDefinition& instrument) : instrument_(instrument) {
    for (PatchBank* bank = instrument.banks; bank != nullptr; bank = bank->next) {
      if (lists_.Add(bank->patchListName, banks_.size()) == banks_.size()) {
        banks_.push_back({bank, LastOf(bank->patches)});
      }
    }
  }

  bool ListHeader(std::string_view name, std::size_t) {
    const std::size_t found = lists_.Find(name);
    current_ = found != NameIndex::kNone ? &banks_[found] : nullptr;
    return current_ != nullptr;
  }
  void PatchLine(std::string_view key, std::string_view name, std::size_t) {
    current_->tail =
        instrument_.AppendPatch(*current_->bank, current_->tail, DecimalValue(key), name);
  }

 private:
  // A bank that gets patches, and the last patch it holds so far.
  struct Receiving {
    PatchBank* bank;
    PatchEntry* tail;
  };
  InstrumentDefinition& instrument_;
  NameIndex lists_;
  std::vector<Receiving> banks_;
  Receiving* current_ = nullptr;
};

}  // namespace

// A file has millions of lines: the listener's calls are inlined into the loops.
[[gnu::flatten]] void InstrumentDefinition::ReadBankDefinitions(LineReader& lines) {
  BankDefinitionsInto listener(*this);
  ReadBankDefinitionLines(lines, listener);
}

[[gnu::flatten]] void InstrumentDefinition::ReadPatchNames(LineReader& lines) {
  PatchNamesInto listener(*this);
  ReadPatchLines(lines, listener);
}
