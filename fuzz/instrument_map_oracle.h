// An instrument of a catalog built whole as an InstrumentDefinition, the way
// an instrument's map was once made: the oracle that the fuzzer and the
// catalog's tests hold the map written bank by bank (WriteInstrumentMap) to.
#pragma once

#include "instrument_catalog.h"
#include "instrument_definition.h"

// Fills a fresh `map`: the instrument's name as the device name, its method,
// and its banks in the map with the patches of their lists.
inline void BuildInstrumentMap(InstrumentCatalog& catalog,
                               const InstrumentCatalog::Instrument& instrument,
                               InstrumentDefinition& map) {
  catalog.ResolveListsOf(&instrument);
  CopyToField(map.deviceName, instrument.name);
  map.bankSelMethod = instrument.bankSelMethod;
  PatchBank* lastBank = nullptr;
  for (const InstrumentCatalog::Bank& bank : instrument.banks) {
    if (!bank.isInMap) continue;
    lastBank = map.AppendBank(lastBank, bank.number, bank.listName);
    PatchEntry* lastPatch = nullptr;
    for (const InstrumentCatalog::Patch& patch : catalog.PatchesOf(bank.listName)) {
      lastPatch = map.AppendPatch(*lastBank, lastPatch, patch.program, patch.name);
    }
  }
}
