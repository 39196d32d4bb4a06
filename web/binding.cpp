// The page's way into the core: the same readings, check, listing and writer
// as patchconv, called from the page's worker. The source is the browser's
// File, read in slices through the file system seam, so that every pass
// streams it as patchconv streams a file on disk.
//
// Opening a file reads it as often as `--list`, `--check` and the conversion
// need together: an instrument definition's whole-file reading (the
// conversion and the check, two passes) and its instrument reading (one);
// a MIDNAM document or a REAPER file once. The file stays open here for the
// maps asked of it: the whole-file map, like patchconv's, keeps where its
// banks' lines stand and reads them again as it is written. What comes out goes to the worker as
// records (a kind and its fields, declared once in `Record` below, which build_page.py gives the
// worker) and as a map's bytes in chunks.
#include <emscripten.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "byte_sink.h"
#include "file_names.h"
#include "instrument_catalog.h"
#include "instrument_map.h"
#include "instrument_source.h"
#include "instruments.h"
#include "name_document.h"
#include "patch_map_file.h"
#include "patch_map_writer.h"
#include "source_format.h"
#include "text_encoding.h"
#include "text_lines.h"
#include "whole_file_check.h"
#include "whole_file_positions.h"
#include "whole_file_reading.h"

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
// The source's file name in UTF-8, as much of it as fits; its length.
EM_JS(std::size_t, JsSourceName, (char* buffer, std::size_t capacity), {
  var name = new TextEncoder().encode(Module.sourceName());
  var size = Math.min(name.length, capacity >>> 0);
  HEAPU8.set(name.subarray(0, size), buffer >>> 0);
  return size;
});
EM_JS(void, JsField, (const char* bytes, std::size_t size), {
  Module.field(HEAPU8.slice(bytes >>> 0, (bytes >>> 0) + (size >>> 0)));
});
EM_JS(void, JsNumber, (double value), { Module.field(value); });
EM_JS(void, JsRecord, (int kind), { Module.record(kind); });
// A chunk of a map; nonzero when the worker wants no more (its zip failed).
EM_JS(int, JsChunk, (const char* bytes, std::size_t size), {
  return Module.chunk(HEAPU8.subarray(bytes >>> 0, (bytes >>> 0) + (size >>> 0))) ? 1 : 0;
});
// clang-format on

namespace {

// The records, each with its fields in the order given.
enum class Record : int {
  kFailure = 1,     // text
  kFormat,          // format (SourceFormat), passes over the file
  kInstrument,      // name, file name, method (-1: none), has a map, patches, banks
  kDefinitionBank,  // number, for other banks, in the map, MSB * 128 + LSB, list, list kind,
                    // patches, own patches, base list ("" for none)
  kDocumentBank,    // name, list, MSB * 128 + LSB (-1: no patch), patches, left out
  kFinding,         // kind (FindingKind), line, instrument (-1: none), values...
  kSegment,         // list: the next run of the preview's rows comes from it
  kRows,            // rows (int32 each: MSB * 128 + LSB, program, end of name, segment * 2 +
                    // inherited), names (shown, one after another)
  kEntry,           // instrument, file name: a zip entry, whose chunks follow
  kEntryEnd,        // CRC-32, size: of the entry's bytes, for the zip's directory
  kRefused,         // instrument, file name: left out of the zip, an earlier map has the name
};

constexpr std::size_t kNone = static_cast<std::size_t>(-1);  // no instrument

// Where a bank's list comes from.
enum class ListKind : int { kMissing, kDefined, kBuiltIn };

void Field(std::string_view bytes) {
  JsField(bytes.data(), bytes.size());
}
void Shown(std::string_view bytes) {
  Field(ShownText(bytes));
}
void Number(double value) {
  JsNumber(value);
}
void Send(Record kind) {
  JsRecord(static_cast<int>(kind));
}

bool Fail(std::string_view reason) {
  Field(reason);
  Send(Record::kFailure);
  return false;
}
// The command line's reasons, but where they speak of the file's syntax.
bool Fail(const LoadResult& result) {
  if (result.failure == LoadFailure::kNoBank) {
    return Fail("has no bank to convert: no instrument in it gives a bank a list of patches");
  }
  return Fail(LoadFailureText(result));
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

// Hands a map's bytes to the worker as they are written.
class ChunkSink : public ByteSink {
 public:
  SystemError Write(std::string_view bytes) override {
    return JsChunk(bytes.data(), bytes.size()) == 0 ? SystemError() : SystemError(ECANCELED);
  }
};

// The table of the zip's CRC-32 (the reflected polynomial 0xEDB88320).
constexpr auto kCrcTable = [] {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1u) != 0 ? 0xEDB88320u : 0u);
    table[byte] = crc;
  }
  return table;
}();

// A zip entry's bytes to the worker, with their CRC-32 and size, which the
// zip's directory holds: computed here, where it is fast.
class EntrySink final : public ChunkSink {
 public:
  SystemError Write(std::string_view bytes) override {
    for (const char c : bytes) {
      crc_ = kCrcTable[(crc_ ^ static_cast<unsigned char>(c)) & 0xFFu] ^ (crc_ >> 8);
    }
    size_ += bytes.size();
    return ChunkSink::Write(bytes);
  }
  void SendEnd() const {
    Number(static_cast<double>(crc_ ^ 0xFFFFFFFFu));
    Number(static_cast<double>(size_));
    Send(Record::kEntryEnd);
  }

 private:
  std::uint32_t crc_ = 0xFFFFFFFFu;
  std::uint64_t size_ = 0;
};

// A bank value as the map writes it, in two 7-bit parts (MSB * 128 + LSB):
// a value outside 0-16383 keeps its low 14 bits.
std::int32_t TwoParts(std::int32_t bankValue) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(bankValue) & 16383u);
}

// A run of a map's patches that come from one list, in map order.
struct Segment {
  std::size_t patches = 0;
  std::string list;
  bool marksInherited = false;          // whether its list inherits patches
  std::unordered_set<const char*> own;  // then the names of its own patches
};
using Segments = std::vector<Segment>;

// The preview's rows, as the writer tells each patch it writes: its bank
// value, program, shown name and the run of the map it belongs to.
class PreviewRows final : public PatchObserver {
 public:
  explicit PreviewRows(const Segments& segments) : segments_(segments) {}

  void Patch(std::int32_t bankValue, std::int32_t, std::int32_t program,
             std::string_view name) override {
    while (segment_ < segments_.size() && taken_ == segments_[segment_].patches) {
      ++segment_;
      taken_ = 0;
    }
    ++taken_;
    AppendShown(name);
    const bool inherited = segment_ < segments_.size() && segments_[segment_].marksInherited &&
                           !segments_[segment_].own.contains(name.data());
    const std::size_t at = rows_.size();
    rows_.resize(at + 4);
    rows_[at] = TwoParts(bankValue);
    rows_[at + 1] = program;
    rows_[at + 2] = static_cast<std::int32_t>(names_.size());
    rows_[at + 3] = static_cast<std::int32_t>(segment_ * 2 + (inherited ? 1 : 0));
  }

  // Most names are printable ASCII, shown as they are, without the copies
  // that ShownText makes: a map of millions of patches shows in a fraction
  // of the time.
  void AppendShown(std::string_view name) {
    if (IsPrintableAscii(name)) {
      names_.append(name);
    } else {
      names_ += ShownText(name);
    }
  }

  // Whether every byte is 0x20-0x7E, eight at a time: a byte below 0x20
  // borrows, 0x7F carries into, and one from 0x80 has, its high bit; a borrow
  // or carry only reaches higher bytes from a byte already caught.
  static bool IsPrintableAscii(std::string_view text) {
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    const auto caught = [](std::uint64_t w) {
      return ((w - 0x2020202020202020ull) | (w + 0x0101010101010101ull) | w) & kHigh;
    };
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + at, sizeof word);
      if (caught(word) != 0) return false;
    }
    for (; at < text.size(); ++at) {
      const auto byte = static_cast<unsigned char>(text[at]);
      if (byte < 0x20 || byte >= 0x7F) return false;
    }
    return true;
  }

  void SendAll() const {
    for (const Segment& segment : segments_) {
      Shown(segment.list);
      Send(Record::kSegment);
    }
    Field({reinterpret_cast<const char*>(rows_.data()), rows_.size() * sizeof(std::int32_t)});
    Field(names_);
    Send(Record::kRows);
  }

 private:
  const Segments& segments_;
  std::size_t segment_ = 0;
  std::size_t taken_ = 0;  // rows of the current segment so far
  std::vector<std::int32_t> rows_;
  std::string names_;
};

// What the preview needs of the whole-file map beyond where its lines stand:
// how many patch lines stand under each header, as the patch pass meets
// them. A bank holds those under the headers of its list, which the preview
// shows as one run.
class MergedRuns : public WholeFileListenerBase {
 public:
  void HeaderAt(Text, std::uint64_t, std::uint64_t next) { starts_.push_back(next); }
  bool ListHeader(Text, Line) {
    counts_.push_back(0);
    return true;
  }
  void PatchLine(Text, Text, Line) { ++counts_.back(); }

  // Those of the header whose lines begin at `begin` (a bank's range).
  std::size_t From(std::uint64_t begin) const {
    const auto at = static_cast<std::size_t>(
        std::lower_bound(starts_.begin(), starts_.end(), begin) - starts_.begin());
    return at < counts_.size() ? counts_[at] : 0;
  }

 private:
  std::vector<std::uint64_t> starts_;  // where each header's lines begin
  std::vector<std::size_t> counts_;
};

// The whole-file map, as the Windows program makes it and patchconv writes it:
// from where its banks' lines stand in the source, read again as it is
// written, so that it holds no patch, however large the file.
class MergedMap {
 public:
  // The two passes of the whole-file reading, with the check beside it.
  LoadResult Read(InstrumentSource& source, WholeFileCheck& check) {
    return ReadWholeFile(source, positions_, runs_, check);
  }

  // The map, and the runs of its patches by bank: each bank holds its list's
  // own lines, none inherited.
  std::unique_ptr<PatchMapSource> Map(InstrumentSource& source, Segments* segments) const {
    const std::vector<WholeFilePositions::Range>& ranges = positions_.ranges();
    std::size_t range = 0;  // a bank's ranges begin where the last bank's end
    for (std::size_t bank = 0; segments != nullptr && bank < positions_.banks().size(); ++bank) {
      Segment& segment = segments->emplace_back();
      segment.list = positions_.listName(positions_.banks()[bank]);
      for (; range < positions_.banks()[bank].rangesEnd; ++range) {
        segment.patches += runs_.From(ranges[range].begin);
      }
    }
    return std::make_unique<PositionedMap>(positions_, source);
  }

 private:
  WholeFilePositions positions_;
  MergedRuns runs_;
};

// An open file: its instruments and their maps. kMerged asks an instrument
// definition for its whole-file map.
class OpenFile {
 public:
  static constexpr std::size_t kMerged = static_cast<std::size_t>(-1);

  virtual ~OpenFile() = default;
  virtual std::size_t size() const = 0;
  virtual const std::string& Name(std::size_t instrument) const = 0;
  virtual bool HasMap(std::size_t instrument) const = 0;
  // The map, and its runs by list into `segments` where it is given.
  virtual std::unique_ptr<PatchMapSource> Map(std::size_t instrument, Segments* segments) = 0;
  virtual void PrepareEveryMap() {}
  // The instruments and their banks, then the findings.
  virtual void SendListing() = 0;
  virtual void SendFindings() const = 0;

 protected:
  static void SendFinding(const Finding& finding, std::size_t instrument) {
    Number(static_cast<double>(finding.kind));
    Number(static_cast<double>(finding.line));
    Number(instrument == kNone ? -1 : static_cast<double>(instrument));
    for (const std::string& value : finding.values) Shown(value);
    Send(Record::kFinding);
  }
  void SendInstrument(std::size_t at, double method, double patches, double banks) const {
    Shown(Name(at));
    Field(PortableMapName(Name(at)));
    Number(method);
    Number(HasMap(at) ? 1 : 0);
    Number(patches);
    Number(banks);
    Send(Record::kInstrument);
  }
};

// An instrument definition: the whole-file map and check, and the
// instrument reading.
class DefinitionFile final : public OpenFile {
 public:
  using Catalog = InstrumentCatalog;

  // The three passes: the whole-file reading, then the instrument reading.
  // The source stays open: the whole-file map reads it again.
  LoadResult Read(std::unique_ptr<InstrumentSource> source) {
    WholeFileCheck check;
    if (LoadResult read = merged_.Read(*source, check); !read.Succeeded()) return read;
    if (LoadResult read = ReadCatalog(catalog_, *source); !read.Succeeded()) return read;
    findings_ = std::move(check).Findings(catalog_);
    source_ = std::move(source);
    return {};
  }

  std::size_t size() const override { return catalog_.instruments().size(); }
  const std::string& Name(std::size_t i) const override { return catalog_.instruments()[i].name; }
  bool HasMap(std::size_t i) const override { return !catalog_.instruments()[i].banks.empty(); }
  void PrepareEveryMap() override { catalog_.ResolveListsOf(nullptr); }

  std::unique_ptr<PatchMapSource> Map(std::size_t i, Segments* segments) override {
    if (i == kMerged) return merged_.Map(*source_, segments);
    const Catalog::Instrument& instrument = catalog_.instruments()[i];
    if (segments != nullptr) {
      catalog_.ResolveListsOf(&instrument);
      for (const Catalog::Bank& bank : instrument.banks) {
        if (bank.isInMap) segments->push_back(SegmentOf(bank.listName));
      }
    }
    return std::make_unique<InstrumentMap>(catalog_, instrument);
  }

  void SendListing() override {
    for (std::size_t at = 0; at < size(); ++at) {
      const Catalog::Instrument& instrument = catalog_.instruments()[at];
      double patches = 0;
      for (const Catalog::Bank& bank : instrument.banks) {
        if (bank.isInMap) patches += static_cast<double>(catalog_.PatchCount(bank.listName));
      }
      SendInstrument(at, instrument.bankSelMethod, patches,
                     static_cast<double>(instrument.banks.size()));
      for (const Catalog::Bank& bank : instrument.banks) SendBank(instrument, bank);
    }
  }

  void SendFindings() const override {
    for (const Finding& finding : findings_) SendFinding(finding, InstrumentOf(finding));
  }

 private:
  Segment SegmentOf(const std::string& list) const {
    Segment segment{catalog_.PatchesOf(list).size(), list, true, {}};
    for (const Catalog::Patch& patch : catalog_.OwnPatchesOf(list)) {
      segment.own.insert(patch.name.data());
    }
    return segment;
  }

  void SendBank(const Catalog::Instrument& instrument, const Catalog::Bank& bank) {
    const std::string& list = bank.listName;
    const ListKind kind = !catalog_.HasList(list)    ? ListKind::kMissing
                          : catalog_.IsBuiltIn(list) ? ListKind::kBuiltIn
                                                     : ListKind::kDefined;
    const std::string* base = catalog_.BaseNameOf(list);
    Number(bank.number);
    Number(bank.isForOtherBanks ? 1 : 0);
    Number(bank.isInMap ? 1 : 0);
    Number(
        TwoParts(MakeBankValue(instrument.bankSelMethod, bank.isForOtherBanks ? 0 : bank.number)));
    Shown(list);
    Number(static_cast<double>(kind));
    Number(static_cast<double>(catalog_.PatchCount(list)));
    Number(static_cast<double>(catalog_.OwnProgramCount(list)));
    Shown(base != nullptr ? *base : std::string());
    Send(Record::kDefinitionBank);
  }

  // The instrument that a finding about a bank's list would have the page
  // convert: the first whose bank has that number and list.
  std::size_t InstrumentOf(const Finding& finding) const {
    using enum FindingKind;
    if (finding.kind != kSharedList && finding.kind != kBuiltInList &&
        finding.kind != kInheritedList) {
      return kNone;
    }
    const std::int32_t number = DecimalValue(finding.values[0]);
    for (std::size_t at = 0; at < size(); ++at) {
      for (const Catalog::Bank& bank : catalog_.instruments()[at].banks) {
        if (bank.number == number && EqualsIgnoringCase(bank.listName, finding.values[1])) {
          return at;
        }
      }
    }
    return kNone;
  }

  std::unique_ptr<InstrumentSource> source_;
  MergedMap merged_;
  mutable Catalog catalog_;  // resolves its lists when asked
  std::vector<Finding> findings_;
};

// A MIDNAM document or a REAPER bank file, read whole.
class DocumentFile final : public OpenFile {
 public:
  LoadResult Read(InstrumentSource& source, SourceFormat format, std::string_view stem) {
    return format == SourceFormat::kMidnam ? ReadMidnam(source, document_)
                                           : ReadReabank(source, stem, document_);
  }
  std::string_view NoInstrument() const { return NoInstrumentText(document_.format); }

  std::size_t size() const override { return document_.instruments.size(); }
  const std::string& Name(std::size_t i) const override { return document_.instruments[i].name; }
  bool HasMap(std::size_t) const override { return true; }

  std::unique_ptr<PatchMapSource> Map(std::size_t i, Segments* segments) override {
    const NamedInstrument& instrument = document_.instruments[i];
    for (const NamedBank& bank : instrument.banks) {
      if (segments == nullptr) break;
      const bool byList = document_.format == SourceFormat::kMidnam && !bank.listName.empty();
      segments->push_back({bank.patches, byList ? bank.listName : bank.name, false, {}});
    }
    return std::make_unique<NamedInstrumentMap>(instrument);
  }

  void SendListing() override {
    for (std::size_t at = 0; at < size(); ++at) {
      const NamedInstrument& instrument = document_.instruments[at];
      SendInstrument(at, -1, static_cast<double>(instrument.patches.size()),
                     static_cast<double>(instrument.banks.size()));
      std::size_t first = 0;  // the bank's first patch
      for (const NamedBank& bank : instrument.banks) {
        Shown(bank.name);
        Shown(bank.listName);
        Number(bank.patches > 0 ? TwoParts(instrument.patches[first].bankValue) : -1);
        Number(static_cast<double>(bank.patches));
        Number(static_cast<double>(bank.leftOut));
        Send(Record::kDocumentBank);
        first += bank.patches;
      }
    }
  }

  void SendFindings() const override {
    for (const Finding& finding : document_.findings) {
      const bool namesInstrument = RowOf(finding.kind).text.starts_with("[{instrument}]");
      SendFinding(finding, namesInstrument ? document_.Find(finding.values[0]) : kNone);
    }
  }

 private:
  NameDocument document_;
};

std::unique_ptr<OpenFile> opened;  // the file last opened, for the maps asked of it

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

std::string SourceName() {
  std::string name(4096, '\0');
  name.resize(JsSourceName(name.data(), name.size()));
  return name;
}

// A file name's stem and extension, as std::filesystem::path splits them:
// "a.b.ins" is "a.b" and ".ins", ".ins" has no extension.
struct SplitName {
  explicit SplitName(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0 && name != "..";
    stem = hasExtension ? name.substr(0, dot) : name;
    extension = hasExtension ? name.substr(dot) : std::string();
  }
  std::string stem;
  std::string extension;
};

// The format as patchconv tells it: by the extension, else by the first bytes.
SourceFormat FormatOf(const SplitName& name, InstrumentSource& source) {
  if (const auto format = FormatOfExtension(name.extension)) return *format;
  return FormatOfContent(source.Peek());
}

// Reads the open source in its format into `file`: the instruments with a
// listing, or why not.
bool ReadInto(std::unique_ptr<OpenFile>& file, std::unique_ptr<InstrumentSource> source) {
  const SplitName name(SourceName());
  const SourceFormat format = FormatOf(name, *source);
  Number(static_cast<double>(format));
  Number(format == SourceFormat::kInstrumentDefinition ? 3 : 1);
  Send(Record::kFormat);
  if (format == SourceFormat::kInstrumentDefinition) {
    auto definition = std::make_unique<DefinitionFile>();
    if (const LoadResult read = definition->Read(std::move(source)); !read.Succeeded()) {
      return Fail(read);
    }
    file = std::move(definition);
    return true;
  }
  auto document = std::make_unique<DocumentFile>();
  // A REAPER file's one instrument is named after the file, as patchconv names it.
  const LoadResult read = document->Read(*source, format, name.stem);
  if (!read.Succeeded()) return Fail(read);
  if (document->size() == 0) return Fail(document->NoInstrument());
  file = std::move(document);
  return true;
}

// The names already in the zip being made, as a case-blind disk takes them.
std::set<std::string> zipNames;

}  // namespace

extern "C" {

// Opens the worker's file: its format, its instruments and their banks, and
// what the check or the reading found.
EMSCRIPTEN_KEEPALIVE int Open() {
  return Guarded([] {
    opened.reset();
    auto source = std::make_unique<InstrumentSource>(browserFile, kSliceBytes);
    if (const LoadResult result = source->Open({}); !result.Succeeded()) return Fail(result);
    std::unique_ptr<OpenFile> file;
    if (!ReadInto(file, std::move(source))) return false;
    file->SendListing();
    file->SendFindings();
    opened = std::move(file);
    return true;
  });
}

// The map of the open file's instrument at `index` (`patchconv --instrument`),
// or with -1 its whole-file map (`patchconv SOURCE`): its chunks, then, when
// `withRows`, the preview's rows (a map only saved needs none: a large one
// has millions).
EMSCRIPTEN_KEEPALIVE int WriteMap(int index, int withRows) {
  return Guarded([&] {
    const auto at = index < 0 ? OpenFile::kMerged : static_cast<std::size_t>(index);
    if (opened == nullptr ||
        (at != OpenFile::kMerged && (at >= opened->size() || !opened->HasMap(at)))) {
      return Fail("no instrument with a bank there");
    }
    ChunkSink sink;
    if (withRows == 0) return !opened->Map(at, nullptr)->WriteTo(sink).Failed();
    Segments segments;
    const std::unique_ptr<PatchMapSource> map = opened->Map(at, &segments);
    PreviewRows rows(segments);
    if (map->WriteTo(sink, &rows).Failed()) return false;
    rows.SendAll();
    return true;
  });
}

// Begins a zip of `maps` maps: none yet in it. A zip without ZIP64 holds at
// most 65,535 entries: more are refused before anything is made.
EMSCRIPTEN_KEEPALIVE int BeginZip(double maps) {
  zipNames.clear();
  constexpr double kMaxZipEntries = 65535;
  if (maps <= kMaxZipEntries) return 0;
  Fail("they make " + std::to_string(static_cast<long long>(maps)) +
       " maps, more than one zip holds (65535)");
  return 1;
}

// Makes every map of the open file ready for the zip, in one walk.
EMSCRIPTEN_KEEPALIVE int PrepareZip() {
  return Guarded([] {
    if (opened == nullptr) return false;
    opened->PrepareEveryMap();
    return true;
  });
}

// The file that `patchconv --each-instrument` writes for the open file's
// instrument at `index`, as a zip entry: its name, its chunks, its CRC and
// size. An instrument whose file name an earlier entry of the zip took (as a
// case-blind disk or archive tool takes names) is refused, as there.
EMSCRIPTEN_KEEPALIVE int ZipEntry(int index) {
  return Guarded([&] {
    const auto at = static_cast<std::size_t>(index);
    if (opened == nullptr || index < 0 || at >= opened->size() || !opened->HasMap(at)) {
      return Fail("no instrument with a bank there");
    }
    const std::string fileName = PortableMapName(opened->Name(at));
    Shown(opened->Name(at));
    Field(fileName);
    if (!zipNames.insert(FileNameKey(fileName)).second) {
      Send(Record::kRefused);
      return true;
    }
    Send(Record::kEntry);
    EntrySink sink;
    if (opened->Map(at, nullptr)->WriteTo(sink).Failed()) return false;
    sink.SendEnd();
    return true;
  });
}

}  // extern "C"
