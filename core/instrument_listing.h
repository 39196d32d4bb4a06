// What `patchconv --list` shows of a file, for every front end alike: each
// instrument with its bank-select method or what its map holds, and each of
// its banks with its list and what the list holds. The texts are the file's
// bytes (an instrument definition's) or UTF-8 (the other formats'); a front
// end escapes or decodes them for its display.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "instrument_catalog.h"

struct BankListing {
  std::string key;       // between the key's brackets (the bank number, or "*"), or its name
  std::string listName;  // as the key names it; where a bank takes a list by name, that name
  std::string label;     // "Patch[KEY]=LIST", "PatchBank \"NAME\"", "Bank 0 1 NAME"
  std::string about;     // "128 patches, built on X", "no such list", ...

  // "  LABEL: ABOUT", a line of the listing.
  std::string Line() const;
};

struct InstrumentListing {
  std::string name;
  std::int32_t bankSelMethod = 0;
  std::string summary;  // "BankSelMethod=N", "4 banks, 512 patches", with ", no bank"
  std::vector<BankListing> banks;

  // "[NAME] SUMMARY".
  std::string Line() const;
};

// The instruments of the catalog in the order of their first header.
std::vector<InstrumentListing> ListInstruments(InstrumentCatalog& catalog);

// Why a file has nothing to list (it has no instrument), after "SOURCE: ".
inline constexpr const char* kNoInstrumentToList =
    "defines no instrument: it has no header under .Instrument Definitions";
