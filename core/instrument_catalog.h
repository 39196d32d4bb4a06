// The instrument reading of a definition file: its patch lists (".Patch
// Names") and its instruments (".Instrument Definitions"), each instrument
// with its own banks and bank-select method, and each list with the patches
// it inherits through "BasedOn". It gives the patch map of one instrument,
// where the whole-file reading merges the whole file into one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "instrument_definition.h"
#include "list_resolution.h"
#include "load_result.h"
#include "name_index.h"

class InstrumentSource;
class LineReader;

class InstrumentCatalog {
 public:
  struct Bank {
    std::int32_t number = 0;
    std::string listName;
    // "Patch[*]": the list for the banks that the instrument does not list.
    // It is bank 0 of the map only where no other bank key has the number 0.
    bool isForOtherBanks = false;
    bool isInMap = true;
  };

  struct Instrument {
    std::string name;  // as first written
    std::int32_t bankSelMethod = 0;
    std::vector<Bank> banks;  // in the order of their bank keys
  };

  // One patch of a list: its program and a name kept by the catalog.
  using Patch = ListResolution::Patch;

  // Reads the lines of the whole file once.
  void Read(LineReader& lines);

  // The instruments in the order of their first header.
  const std::vector<Instrument>& instruments() const { return instruments_; }

  // The instrument of that name, ASCII case ignored; nullptr when none.
  const Instrument* FindInstrument(std::string_view name) const;

  // Whether a list of that name exists: defined in the file or built in.
  bool HasList(std::string_view name) const { return FindList(name) != kNone; }

  // The name of the list that a list of the file builds on ("BasedOn"), or
  // nullptr when it builds on none.
  const std::string* BaseNameOf(std::string_view listName) const;

  // Whether the list is one that the format's tools provide ("0..127",
  // "1..128"), built in because the file does not define it.
  bool IsBuiltIn(std::string_view listName) const;

  // How many programs a list names in lines of its own, and with those it
  // inherits; 0 for a list that does not exist.
  std::size_t OwnProgramCount(std::string_view listName);
  std::size_t PatchCount(std::string_view listName);

  // The patches of a list's own lines, in file order (a later line of a
  // program replaces an earlier one in PatchesOf); none when the list does not
  // exist. A patch of PatchesOf whose name is one of these (the same bytes in
  // the catalog, not equal text) is the list's own; any other is inherited.
  const std::vector<Patch>& OwnPatchesOf(std::string_view listName) const;

  // Makes the patches of the lists that the instrument's banks name ready
  // for PatchesOf, or those of every instrument's banks for nullptr: one walk
  // over all lists for all of them.
  void ResolveListsOf(const Instrument* instrument);

  // The patches of a list with those it inherits, ordered by program (as a
  // signed number), each program once; none when the list does not exist.
  // A list not made ready is resolved alone.
  const std::vector<Patch>& PatchesOf(std::string_view listName);

  // The work of its name lookups and of resolving lists so far, in slots
  // probed and ListResolution::steps.
  std::uint64_t Steps() const {
    return listIndex_.probes() + instrumentIndex_.probes() +
           (resolution_ ? resolution_->steps() : 0);
  }

 private:
  static constexpr std::size_t kNone = NameIndex::kNone;

  // Texts kept in blocks that never move, so that views of them stay valid:
  // a file may hold millions of names, each too small for an allocation.
  class TextStore {
   public:
    std::string_view Keep(std::string_view text);

   private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t blockFree_ = 0;  // bytes left in the last block
  };

  // A file may define a list a million times over (each built on the one
  // before), so a list is kept small; its patches with what it inherits are
  // kept apart, only for the lists asked for.
  struct PatchList {
    std::string_view name;  // in the text store
    std::string baseName;
    std::vector<Patch> own;  // its own lines, in file order
    bool hasBase = false;
    bool isBuiltIn = false;
  };

  std::size_t FindList(std::string_view name) const;
  template <typename Item>
  std::size_t FindOrAdd(std::vector<Item>& items, NameIndex& index, std::string_view name);
  std::size_t ListNamed(std::string_view name);
  std::size_t InstrumentNamed(std::string_view name);
  void AddListLine(PatchList& list, std::string_view key, std::string_view value);
  static void AddInstrumentLine(Instrument& instrument, std::string_view key,
                                std::string_view value);
  static void DecideBanksInMap(Instrument& instrument);
  void AddBuiltInLists();

  ListResolution& Resolution();
  void Resolve(const std::vector<std::size_t>& lists);

  TextStore texts_;  // names of lists, instruments and patches; the indexes view them
  std::vector<PatchList> lists_;
  NameIndex listIndex_;  // names as first spelled, ASCII case ignored
  std::vector<Instrument> instruments_;
  NameIndex instrumentIndex_;
  std::unique_ptr<ListResolution> resolution_;                    // made when first asked
  std::unordered_map<std::size_t, std::vector<Patch>> resolved_;  // the lists asked for
  std::vector<Patch> noPatches_;  // stays empty: the patches of a list that does not exist
};

// Reads the instrument reading of the source in one pass; kCannotRead when the
// source could not be read to its end.
LoadResult ReadCatalog(InstrumentCatalog& catalog, InstrumentSource& source);
