// What `patchconv --list` shows of a file, for every front end alike: each
// instrument with its bank-select method, and each of its bank keys with its
// list and what the list holds. The texts are the file's bytes; a front end
// escapes or decodes them for its display.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "instrument_catalog.h"

struct BankListing {
  std::string key;       // between the key's brackets: the bank number, or "*"
  std::string listName;  // as the key names it
  std::string about;     // "128 patches, built on X", "no such list", ...

  // "  Patch[KEY]=LIST: ABOUT", a line of the listing.
  std::string Line() const;
};

struct InstrumentListing {
  std::string name;
  std::int32_t bankSelMethod = 0;
  std::vector<BankListing> banks;

  // "[NAME] BankSelMethod=N", with ", no bank" for an instrument without one.
  std::string Line() const;
};

// The instruments of the catalog in the order of their first header.
std::vector<InstrumentListing> ListInstruments(InstrumentCatalog& catalog);

// Why a file has nothing to list (it has no instrument), after "SOURCE: ".
inline constexpr const char* kNoInstrumentToList =
    "defines no instrument: it has no header under .Instrument Definitions";
