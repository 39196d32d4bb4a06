#include "instrument_listing.h"

namespace {

std::string PatchCount(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " patch" : " patches");
}

// What the bank's list holds, whether it inherits or is built in, and what a
// list for other banks ("Patch[*]") becomes in the map.
std::string AboutBank(InstrumentCatalog& catalog, const InstrumentCatalog::Bank& bank) {
  std::string about;
  if (!catalog.HasList(bank.listName)) {
    about = "no such list";
  } else {
    about = PatchCount(catalog.PatchCount(bank.listName));
    if (const std::string* base = catalog.BaseNameOf(bank.listName)) {
      about += ", built on " + *base;
    } else if (catalog.IsBuiltIn(bank.listName)) {
      about += ", built in";
    }
  }
  if (bank.isForOtherBanks) {
    about += bank.isInMap ? ", the list for other banks (bank 0 in the map)"
                          : ", the list for other banks (not in the map: another key is bank 0)";
  }
  return about;
}

}  // namespace

std::string BankListing::Line() const {
  return "  " + label + ": " + about;
}

std::string InstrumentListing::Line() const {
  return "[" + name + "] " + summary;
}

std::vector<InstrumentListing> ListInstruments(InstrumentCatalog& catalog) {
  std::vector<InstrumentListing> listing;
  for (const auto& instrument : catalog.instruments()) {
    InstrumentListing& listed = listing.emplace_back();
    listed.name = instrument.name;
    listed.bankSelMethod = instrument.bankSelMethod;
    listed.summary = "BankSelMethod=" + std::to_string(instrument.bankSelMethod) +
                     (instrument.banks.empty() ? ", no bank" : "");
    for (const auto& bank : instrument.banks) {
      const std::string key = bank.isForOtherBanks ? "*" : std::to_string(bank.number);
      listed.banks.push_back(
          {key, bank.listName, "Patch[" + key + "]=" + bank.listName, AboutBank(catalog, bank)});
    }
  }
  return listing;
}
