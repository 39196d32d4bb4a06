#include "instruments.h"

#include "instrument_catalog.h"
#include "instrument_map.h"
#include "name_document.h"

namespace {

class CatalogInstruments final : public Instruments {
 public:
  SourceFormat format() const override { return SourceFormat::kInstrumentDefinition; }
  std::size_t size() const override { return catalog.instruments().size(); }
  const std::string& Name(std::size_t i) const override { return catalog.instruments()[i].name; }
  bool HasMap(std::size_t i) const override { return !catalog.instruments()[i].banks.empty(); }
  std::size_t Find(std::string_view name) const override {
    const auto* found = catalog.FindInstrument(name);
    return found == nullptr ? kNone
                            : static_cast<std::size_t>(found - catalog.instruments().data());
  }
  std::unique_ptr<PatchMapSource> Map(std::size_t i) override {
    return std::make_unique<InstrumentMap>(catalog, catalog.instruments()[i]);
  }
  void PrepareEveryMap() override { catalog.ResolveListsOf(nullptr); }
  std::vector<InstrumentListing> Listing() override { return ListInstruments(catalog); }
  std::string_view NoInstrument() const override { return NoInstrumentText(format()); }

  InstrumentCatalog catalog;
};

// "1 patch", "3 patches".
std::string Count(std::size_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

class DocumentInstruments final : public Instruments {
 public:
  SourceFormat format() const override { return document.format; }
  std::size_t size() const override { return document.instruments.size(); }
  const std::string& Name(std::size_t i) const override { return document.instruments[i].name; }
  bool HasMap(std::size_t) const override { return true; }
  std::size_t Find(std::string_view name) const override { return document.Find(name); }
  std::unique_ptr<PatchMapSource> Map(std::size_t i) override {
    return std::make_unique<NamedInstrumentMap>(document.instruments[i]);
  }
  std::vector<InstrumentListing> Listing() override {
    std::vector<InstrumentListing> listing;
    for (const NamedInstrument& instrument : document.instruments) {
      InstrumentListing& listed = listing.emplace_back();
      listed.name = instrument.name;
      listed.summary = instrument.banks.empty()
                           ? "no bank"
                           : Count(instrument.banks.size(), "bank", "banks") + ", " +
                                 Count(instrument.patches.size(), "patch", "patches");
      for (const NamedBank& bank : instrument.banks) listed.banks.push_back(Listed(bank));
    }
    return listing;
  }
  std::string_view NoInstrument() const override { return NoInstrumentText(format()); }

  NameDocument document;

 private:
  BankListing Listed(const NamedBank& bank) const {
    const bool reabank = document.format == SourceFormat::kReabank;
    std::string about = Count(bank.patches, "patch", "patches");
    if (!reabank && !bank.listName.empty()) about += ", the list \"" + bank.listName + "\"";
    if (bank.leftOut > 0) about += ", " + std::to_string(bank.leftOut) + " left out (see --check)";
    std::string label = reabank ? bank.listName + (bank.name.empty() ? "" : " " + bank.name)
                                : "PatchBank \"" + bank.name + "\"";
    return {bank.name, reabank ? std::string() : bank.listName, std::move(label), std::move(about)};
  }
};

}  // namespace

std::string_view NoInstrumentText(SourceFormat format) {
  switch (format) {
    case SourceFormat::kInstrumentDefinition:
      return kNoInstrumentToList;
    case SourceFormat::kMidnam:
      return "defines no instrument: it has no ChannelNameSet under MasterDeviceNames";
    case SourceFormat::kReabank:
      break;
  }
  return "defines no instrument";
}

LoadResult ReadInstruments(InstrumentSource& source, SourceFormat format, std::string_view fileStem,
                           std::unique_ptr<Instruments>& read, std::vector<Finding>* findings) {
  if (format == SourceFormat::kInstrumentDefinition) {
    auto instruments = std::make_unique<CatalogInstruments>();
    const LoadResult result = ReadCatalog(instruments->catalog, source);
    if (result.Succeeded()) read = std::move(instruments);
    return result;
  }
  auto instruments = std::make_unique<DocumentInstruments>();
  const LoadResult result = format == SourceFormat::kMidnam
                                ? ReadMidnam(source, instruments->document)
                                : ReadReabank(source, fileStem, instruments->document);
  if (!result.Succeeded()) return result;
  if (findings != nullptr) *findings = instruments->document.findings;
  read = std::move(instruments);
  return {};
}
