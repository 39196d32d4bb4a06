// The patch map of one instrument of a catalog, written bank by bank from the
// lists' patches as they are asked for: memory holds the distinct lists that
// its banks name, never the map's length (a list named by 200,000 banks is
// held once).
#pragma once

#include "instrument_catalog.h"
#include "patch_map_file.h"

class InstrumentMap final : public PatchMapSource {
 public:
  InstrumentMap(InstrumentCatalog& catalog, const InstrumentCatalog::Instrument& instrument)
      : catalog_(catalog), instrument_(instrument) {}

  // Its name as the device name, its banks in order, each with the patches of
  // its list, and the bank values of its own method.
  bool WriteTo(ByteSink& sink) override;

 private:
  InstrumentCatalog& catalog_;
  const InstrumentCatalog::Instrument& instrument_;
};
