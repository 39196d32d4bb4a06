#include "instrument_map.h"

#include "patch_map_writer.h"

bool InstrumentMap::WriteTo(ByteSink& sink) {
  catalog_.ResolveListsOf(&instrument_);
  PatchMapWriter out(sink);
  if (!out.WriteHeader(instrument_.name)) return false;
  for (const InstrumentCatalog::Bank& bank : instrument_.banks) {
    if (!bank.isInMap) continue;  // a list for other banks beside a bank 0
    out.BeginBank(MakeBankValue(instrument_.bankSelMethod, bank.number));
    for (const InstrumentCatalog::Patch& patch : catalog_.PatchesOf(bank.listName)) {
      if (!out.WritePatch(patch.program / 8, patch.program, patch.name)) return false;
    }
  }
  return out.WriteEnd();
}
