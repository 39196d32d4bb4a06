// The patch map of one instrument of a catalog, written bank by bank from the
// lists' patches as they are asked for: memory holds the distinct lists that
// its banks name, never the map's length (a list named by 200,000 banks is
// held once).
#pragma once

#include "instrument_catalog.h"
#include "patch_map_file.h"
#include "patch_map_writer.h"

// Its name as the device name, its banks in order (a list for other banks
// beside a bank 0 left out), each with the patches of its list, and the bank
// values of its own method, told to `out` as to a PatchMapWriter.
template <typename Receiver>
SystemError WriteInstrumentMap(InstrumentCatalog& catalog,
                               const InstrumentCatalog::Instrument& instrument, Receiver& out) {
  catalog.ResolveListsOf(&instrument);
  out.WriteHeader(instrument.name);
  for (const InstrumentCatalog::Bank& bank : instrument.banks) {
    if (!bank.isInMap) continue;
    out.BeginBank(MakeBankValue(instrument.bankSelMethod, bank.number));
    for (const InstrumentCatalog::Patch& patch : catalog.PatchesOf(bank.listName)) {
      out.WritePatch(patch.program / 8, patch.program, patch.name);
    }
  }
  return out.WriteEnd();
}

class InstrumentMap final : public PatchMapSource {
 public:
  InstrumentMap(InstrumentCatalog& catalog, const InstrumentCatalog::Instrument& instrument)
      : catalog_(catalog), instrument_(instrument) {}

  using PatchMapSource::WriteTo;
  SystemError WriteTo(ByteSink& sink, PatchObserver* observer) override {
    PatchMapWriter out(sink, observer);
    return WriteInstrumentMap(catalog_, instrument_, out);
  }

 private:
  InstrumentCatalog& catalog_;
  const InstrumentCatalog::Instrument& instrument_;
};
