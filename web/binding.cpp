// The page's way into the core: the same readings, check, listing and writer
// as patchconv, called from the page's worker. The source is the browser's
// File, read in slices through the file system seam, so that every pass
// streams it as patchconv streams a file on disk. What comes out goes to the
// worker through a few JavaScript functions: records of byte fields for the
// listing, the findings and the preview, and the bytes of a patch map in
// chunks, never as one giant string.
#include <emscripten.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <string_view>

#include "byte_sink.h"
#include "file_names.h"
#include "instrument_catalog.h"
#include "instrument_listing.h"
#include "instrument_map.h"
#include "instrument_source.h"
#include "patch_map_file.h"
#include "text_lines.h"
#include "whole_file_check.h"
#include "whole_file_conversion.h"

// Pointers may lie above 2 GB, where a wasm32 i32 reads as negative: ">>> 0".
// clang-format off
// The next bytes of the source at `offset`; -1 when the browser cannot read them.
EM_JS(double, JsReadSource, (double offset, char* buffer, std::size_t capacity), {
  var bytes = Module.readSource(offset, capacity >>> 0);
  if (bytes == null) return -1;
  HEAPU8.set(bytes, buffer >>> 0);
  return bytes.length;
});
// Whether what was dropped on the page is a folder.
EM_JS(int, JsSourceIsFolder, (), { return Module.sourceIsFolder() ? 1 : 0; });
EM_JS(void, JsField, (const char* bytes, std::size_t size), {
  Module.field(HEAPU8.slice(bytes >>> 0, (bytes >>> 0) + (size >>> 0)));
});
EM_JS(void, JsNumber, (double value), { Module.field(value); });
EM_JS(void, JsRecord, (int kind), { Module.record(kind); });
EM_JS(void, JsChunk, (const char* bytes, std::size_t size), {
  Module.chunk(HEAPU8.slice(bytes >>> 0, (bytes >>> 0) + (size >>> 0)));
});
// clang-format on

namespace {

// What the records are; the worker gives each its fields in this order.
enum Record : int {
  kFailure = 1,        // text
  kInstrument = 2,     // name, safe file name, method, bank count
  kBank = 3,           // key, list name, what it holds
  kNothingToList = 4,  // text
  kFinding = 5,        // line, text
  kRow = 6,            // bank "H.L", program, family, name
  kRowCount = 7,       // count
  kFile = 8,           // file name; the map's chunks follow
  kRefused = 9,        // text
};

void Field(std::string_view bytes) {
  JsField(bytes.data(), bytes.size());
}

void Fail(std::string_view reason) {
  Field(reason);
  JsRecord(kFailure);
}

// The browser's File, one at a time, as the file system seam sees it: the
// worker reads slices of it synchronously. Only reading is ever asked of it.
class BrowserFile final : public FileSystem {
 public:
  SystemError OpenForReading(const NativePath&, FileHandle& file) override {
    if (JsSourceIsFolder() != 0) return SystemError(EISDIR);  // as POSIX opens it
    position_ = 0;
    file = FileHandle{0};
    return {};
  }
  SystemError Read(FileHandle, char* buffer, std::size_t capacity, std::size_t& got) override {
    const double read = JsReadSource(static_cast<double>(position_), buffer, capacity);
    if (read < 0) return SystemError(EIO);
    got = static_cast<std::size_t>(read);
    position_ += got;
    return {};
  }
  SystemError Position(FileHandle, std::uint64_t& offset) override {
    offset = position_;
    return {};
  }
  SystemError Seek(FileHandle, std::uint64_t offset) override {
    position_ = offset;
    return {};
  }
  SystemError Close(FileHandle) override { return {}; }

 private:
  std::uint64_t position_ = 0;
};

// Fewer, larger slices than a disk wants: each is a call into JavaScript.
constexpr std::size_t kSliceBytes = 1 << 20;

BrowserFile browserFile;
std::unique_ptr<InstrumentCatalog> catalog;  // of the open file, for its instruments

// Hands a map's bytes to the worker as they are written.
class ChunkSink final : public ByteSink {
 public:
  SystemError Write(std::string_view bytes) override {
    JsChunk(bytes.data(), bytes.size());
    return {};
  }
};

// Hands the map's bytes to the worker and shows its first patch lines as rows
// of the preview, read back from the bytes themselves so that the preview is
// the map that is written; counts them all.
class PreviewSink final : public ByteSink {
 public:
  explicit PreviewSink(std::size_t maxRows) : maxRows_(maxRows) {}

  SystemError Write(std::string_view bytes) override {
    JsChunk(bytes.data(), bytes.size());
    // No name holds an LF, so each LF ends one line of the map.
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t lineFeed = bytes.find('\n', at);
      if (lineFeed == std::string_view::npos) {
        if (rows_ < maxRows_) pending_.append(bytes.substr(at));
        break;
      }
      if (rows_ < maxRows_) {
        pending_.append(bytes.substr(at, lineFeed - at));
        ShowLine(pending_);
        pending_.clear();
      }
      ++lines_;
      at = lineFeed + 1;
    }
    return {};
  }

  // The number of patches: every line but the first and the last.
  std::size_t Patches() const { return lines_ >= 2 ? lines_ - 2 : 0; }

 private:
  // <patch family="F" bank="H.L" preset="P" name="NAME" />
  void ShowLine(std::string_view line) {
    if (!line.starts_with("<patch ")) return;
    const std::string_view family = Attribute(line, "family");
    const std::string_view bank = Attribute(line, "bank");
    const std::string_view program = Attribute(line, "preset");
    // The name is the last attribute and may hold any byte but the quote.
    const std::size_t nameAt = line.find(" name=\"") + 7;
    const std::size_t nameEnd = line.rfind("\" />");
    Field(bank);
    Field(program);
    Field(family);
    Field(Unescaped(line.substr(nameAt, nameEnd - nameAt)));
    JsRecord(kRow);
    ++rows_;
  }

  static std::string_view Attribute(std::string_view line, std::string_view name) {
    const std::size_t at = line.find(" " + std::string(name) + "=\"") + name.size() + 3;
    return line.substr(at, line.find('"', at) - at);
  }

  // The writer's four entities back to their bytes.
  static std::string Unescaped(std::string_view text) {
    static constexpr std::string_view kEntities[][2] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}};
    std::string bytes;
    for (std::size_t at = 0; at < text.size();) {
      bool replaced = false;
      if (text[at] == '&') {
        for (const auto& entity : kEntities) {
          if (text.substr(at).starts_with(entity[0])) {
            bytes.append(entity[1]);
            at += entity[0].size();
            replaced = true;
            break;
          }
        }
      }
      if (!replaced) bytes.push_back(text[at++]);
    }
    return bytes;
  }

  std::size_t maxRows_;
  std::size_t rows_ = 0;
  std::size_t lines_ = 0;
  std::string pending_;  // the part of a shown line that came in an earlier chunk
};

bool WriteWithPreview(PatchMapSource& map, std::size_t maxRows) {
  PreviewSink sink(maxRows);
  if (map.WriteTo(sink).Failed()) return false;
  JsNumber(static_cast<double>(sink.Patches()));
  JsRecord(kRowCount);
  return true;
}

// Runs one step of the work; running out of memory ends it with patchconv's
// words, and the page stays usable for the next file.
template <typename Work>
int Guarded(Work work) {
  try {
    return work() ? 0 : 1;
  } catch (const std::bad_alloc&) {
    Fail("not enough memory to convert it");
    return 1;
  }
}

const InstrumentCatalog::Instrument* InstrumentAt(int index) {
  if (catalog == nullptr || index < 0 ||
      static_cast<std::size_t>(index) >= catalog->instruments().size()) {
    return nullptr;
  }
  return &catalog->instruments()[static_cast<std::size_t>(index)];
}

}  // namespace

extern "C" {

// The whole-file conversion, exactly as the Windows program makes it: the map
// goes out in chunks with the first `maxRows` rows of its preview.
EMSCRIPTEN_KEEPALIVE int ConvertWholeFile(int maxRows) {
  return Guarded([&] {
    InstrumentSource source(browserFile, kSliceBytes);
    if (const LoadResult opened = source.Open({}); !opened.Succeeded()) {
      Fail(LoadFailureText(opened));
      return false;
    }
    InstrumentDefinition whole;
    const LoadResult loaded = ReadWholeFileInto(whole, source);
    if (!loaded.Succeeded()) {
      Fail(LoadFailureText(loaded));
      return false;
    }
    WholeFileMap map(whole);
    return WriteWithPreview(map, static_cast<std::size_t>(maxRows));
  });
}

// The instrument reading, kept for the instruments' maps, and its listing:
// what `patchconv --list` shows.
EMSCRIPTEN_KEEPALIVE int ReadInstruments() {
  return Guarded([&] {
    catalog.reset();
    auto read = std::make_unique<InstrumentCatalog>();
    InstrumentSource source(browserFile, kSliceBytes);
    if (const LoadResult opened = source.Open({}); !opened.Succeeded()) {
      Fail(LoadFailureText(opened));
      return false;
    }
    if (const LoadResult loaded = ReadCatalog(*read, source); !loaded.Succeeded()) {
      Fail(LoadFailureText(loaded));
      return false;
    }
    catalog = std::move(read);
    if (catalog->instruments().empty()) {
      Field(kNoInstrumentToList);
      JsRecord(kNothingToList);
      return true;
    }
    std::size_t index = 0;
    for (const InstrumentListing& instrument : ListInstruments(*catalog)) {
      Field(instrument.name);
      Field(PortableMapName(catalog->instruments()[index++].name));
      JsNumber(instrument.bankSelMethod);
      JsNumber(static_cast<double>(instrument.banks.size()));
      JsRecord(kInstrument);
      for (const BankListing& bank : instrument.banks) {
        Field(bank.key);
        Field(bank.listName);
        Field(bank.about);
        JsRecord(kBank);
      }
    }
    return true;
  });
}

// What `patchconv --check` says of the file.
EMSCRIPTEN_KEEPALIVE int CheckFile() {
  return Guarded([&] {
    InstrumentSource source(browserFile, kSliceBytes);
    if (const LoadResult opened = source.Open({}); !opened.Succeeded()) {
      Fail(LoadFailureText(opened));
      return false;
    }
    std::vector<Finding> findings;
    if (const LoadResult read = CheckWholeFileConversion(source, findings); !read.Succeeded()) {
      Fail(LoadFailureText(read));
      return false;
    }
    for (const Finding& finding : findings) {
      JsNumber(static_cast<double>(finding.line));
      Field(FindingText(finding));
      JsRecord(kFinding);
    }
    return true;
  });
}

// The map of the instrument at `index` of the listing: `patchconv --instrument`.
EMSCRIPTEN_KEEPALIVE int ConvertInstrument(int index, int maxRows) {
  return Guarded([&] {
    const auto* instrument = InstrumentAt(index);
    if (instrument == nullptr || instrument->banks.empty()) {
      Fail("no instrument with a bank there");
      return false;
    }
    InstrumentMap map(*catalog, *instrument);
    return WriteWithPreview(map, static_cast<std::size_t>(maxRows));
  });
}

// The files that `patchconv --each-instrument` writes, one after another: a
// name, then its chunks. An instrument whose file name an earlier one took
// (as a case-blind disk or archive tool takes names) is refused, as there. A
// zip without ZIP64 holds at most 65,535 entries: a file with more is
// refused before anything is made.
EMSCRIPTEN_KEEPALIVE int ConvertEachInstrument() {
  return Guarded([&] {
    if (catalog == nullptr) return false;
    constexpr std::size_t kMaxZipEntries = 65535;
    const auto& instruments = catalog->instruments();
    const auto withBanks =
        std::count_if(instruments.begin(), instruments.end(),
                      [](const auto& instrument) { return !instrument.banks.empty(); });
    if (static_cast<std::size_t>(withBanks) > kMaxZipEntries) {
      Fail("has " + std::to_string(withBanks) +
           " instruments with a bank, more maps than one zip holds (65535); patchconv "
           "--each-instrument writes them all");
      return false;
    }
    catalog->ResolveListsOf(nullptr);  // all in one walk
    std::set<std::string> taken;
    for (const auto& instrument : instruments) {
      if (instrument.banks.empty()) continue;
      const std::string fileName = PortableMapName(instrument.name);
      if (!taken.insert(FileNameKey(fileName)).second) {
        Field("instrument \"" + instrument.name + "\" would be written to " + fileName +
              " as an earlier one was; that one is kept");
        JsRecord(kRefused);
        continue;
      }
      Field(fileName);
      JsRecord(kFile);
      InstrumentMap map(*catalog, instrument);
      ChunkSink sink;
      if (map.WriteTo(sink).Failed()) return false;
    }
    return true;
  });
}

}  // extern "C"
