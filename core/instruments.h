// The instruments of a source, whatever its format, as the front ends ask
// for them: their names, one's map, the listing. An instrument definition's
// come from the instrument reading (InstrumentCatalog), the other formats'
// from their readings into a NameDocument.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "findings.h"
#include "instrument_listing.h"
#include "instrument_source.h"
#include "load_result.h"
#include "patch_map_file.h"
#include "source_format.h"

class Instruments {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  virtual ~Instruments() = default;
  virtual SourceFormat format() const = 0;
  // Names are UTF-8 but for an instrument definition's, which are its bytes.
  bool NamesAreUtf8() const { return format() != SourceFormat::kInstrumentDefinition; }

  virtual std::size_t size() const = 0;
  virtual const std::string& Name(std::size_t instrument) const = 0;
  // Whether it has a map: an instrument definition's needs a bank; every
  // instrument of the other formats has one, the two-line map without a bank.
  virtual bool HasMap(std::size_t instrument) const = 0;
  // The instrument of that name, trimmed and ASCII case ignored, or kNone.
  virtual std::size_t Find(std::string_view name) const = 0;
  // Its map, to write; maps of many instruments are best made ready at once.
  virtual std::unique_ptr<PatchMapSource> Map(std::size_t instrument) = 0;
  virtual void PrepareEveryMap() {}

  virtual std::vector<InstrumentListing> Listing() = 0;
  // Why there is nothing to list: the file defines no instrument.
  virtual std::string_view NoInstrument() const = 0;
};

// Why a file of the format has nothing to list: it defines no instrument.
std::string_view NoInstrumentText(SourceFormat format);

// Reads the instruments of the source in its format (one pass). A REAPER
// file's one instrument is named `fileStem` (UTF-8 or Windows-1252 bytes).
// The other formats' findings, which their reading makes, go to `findings`.
LoadResult ReadInstruments(InstrumentSource& source, SourceFormat format, std::string_view fileStem,
                           std::unique_ptr<Instruments>& read,
                           std::vector<Finding>* findings = nullptr);
