// Micro-benchmarks of the conversion's hot pieces, to find where its time
// goes: line splitting, trimming, number parsing and formatting, escaping,
// the two reading passes and the writer.
#include <benchmark/benchmark.h>

#include <charconv>
#include <string>
#include <vector>

#include "byte_sink.h"
#include "instrument_definition.h"
#include "instrument_shapes.h"
#include "patch_map_writer.h"
#include "text_lines.h"
#include "whole_file_conversion.h"
#include "xml_escape.h"

namespace {

std::string Generated(std::string_view shape, std::uint64_t amount) {
  std::string text;
  GenerateInstrumentFile(shape, amount, [&](std::string_view chunk) { text.append(chunk); });
  return text;
}

const std::string& RealisticMegabyte() {
  static const std::string text = Generated("realistic", 1 << 20);
  return text;
}

void SetBytes(benchmark::State& state, std::size_t perIteration) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(perIteration));
}

void SetItems(benchmark::State& state, std::size_t perIteration) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(perIteration));
}

// Reads every line of `text` in each iteration.
void SplitIntoLines(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    LineReader lines(text);
    std::string_view line;
    std::size_t count = 0;
    while (lines.Next(line)) ++count;
    benchmark::DoNotOptimize(count);
  }
  SetBytes(state, text.size());
}

void BM_LineSplitting(benchmark::State& state) {
  SplitIntoLines(state, RealisticMegabyte());
}
BENCHMARK(BM_LineSplitting);

void BM_LineSplittingLongLines(benchmark::State& state) {
  static const std::string text = Generated("long-lines", 1 << 20);
  SplitIntoLines(state, text);
}
BENCHMARK(BM_LineSplittingLongLines);

void BM_Trimming(benchmark::State& state) {
  const std::vector<std::string> texts = {"  \t12=Acoustic Grand Piano 7 \r\n", "Patch[0]=Bank",
                                          "\t\t   [Synth 12 Bank 3]   \r\n", ""};
  for (auto _ : state) {
    for (const std::string& text : texts) benchmark::DoNotOptimize(TrimmedView(text));
  }
  SetItems(state, texts.size());
}
BENCHMARK(BM_Trimming);

void BM_NumberParsing(benchmark::State& state) {
  const std::vector<std::string> texts = {"0", "127", " -9", "4294967297", "*"};
  for (auto _ : state) {
    for (const std::string& text : texts) benchmark::DoNotOptimize(DecimalValue(text));
  }
  SetItems(state, texts.size());
}
BENCHMARK(BM_NumberParsing);

// The writer formats its numbers with std::to_chars.
void BM_NumberFormatting(benchmark::State& state) {
  const std::int32_t values[] = {0, 7, 15, 127, -1, 2147483647};
  char digits[16];
  for (auto _ : state) {
    for (std::int32_t value : values) {
      auto result = std::to_chars(digits, digits + sizeof digits, value);
      benchmark::DoNotOptimize(result.ptr);
    }
  }
  SetItems(state, std::size(values));
}
BENCHMARK(BM_NumberFormatting);

void BM_Escaping(benchmark::State& state) {
  const std::string plain = "Acoustic Grand Piano 12";
  const std::string marked = "Strings & Brass <\"Bright\">";
  const std::string& text = state.range(0) == 0 ? plain : marked;
  std::string out(text.size() * kMaxEscapedBytesPerByte, '\0');
  for (auto _ : state) {
    benchmark::DoNotOptimize(WriteEscapedXml(out.data(), text));
  }
  SetBytes(state, text.size());
}
BENCHMARK(BM_Escaping)->Arg(0)->Arg(1)->ArgName("special");

void BM_ReadBankDefinitions(benchmark::State& state) {
  const std::string& text = RealisticMegabyte();
  for (auto _ : state) {
    InstrumentDefinition instrument;
    WholeFileConversion conversion(instrument);
    LineReader lines(text);
    benchmark::DoNotOptimize(ReadBankDefinitions(lines, conversion));
    benchmark::DoNotOptimize(instrument.banks);
  }
  SetBytes(state, text.size());
}
BENCHMARK(BM_ReadBankDefinitions);

// Both passes over the text in memory.
[[gnu::flatten]] void LoadFromMemory(InstrumentDefinition& instrument, std::string_view text) {
  WholeFileConversion conversion(instrument);
  LineReader bankPass(text);
  (void)ReadBankDefinitions(bankPass, conversion);
  conversion.BeginPatchPass();
  LineReader patchPass(text);
  (void)ReadPatchNames(patchPass, conversion);
}

void BM_LoadInstrumentText(benchmark::State& state) {
  const std::string& text = RealisticMegabyte();
  for (auto _ : state) {
    InstrumentDefinition instrument;
    LoadFromMemory(instrument, text);
    benchmark::DoNotOptimize(instrument.banks);
  }
  SetBytes(state, text.size());
}
BENCHMARK(BM_LoadInstrumentText);

// The floor that the data model keeps: one node per patch, freed by Clear.
void BM_PatchNodeAllocation(benchmark::State& state) {
  constexpr std::size_t kNodes = 4096;
  for (auto _ : state) {
    InstrumentDefinition instrument;
    for (std::size_t i = 0; i < kNodes; ++i) benchmark::DoNotOptimize(instrument.NewPatch());
  }
  SetItems(state, kNodes);
}
BENCHMARK(BM_PatchNodeAllocation);

// Bytes per second of the patch map written.
void BM_WritePatchMap(benchmark::State& state) {
  InstrumentDefinition instrument;
  LoadFromMemory(instrument, RealisticMegabyte());
  // Counts the bytes, as a sink that keeps none.
  class CountingSink final : public ByteSink {
   public:
    SystemError Write(std::string_view bytes) override {
      size += bytes.size();
      return {};
    }
    std::size_t size = 0;
  } sink;
  (void)WritePatchMapOf(instrument, sink);
  const std::size_t size = sink.size;
  for (auto _ : state) {
    benchmark::DoNotOptimize(WritePatchMapOf(instrument, sink));
  }
  SetBytes(state, size);
}
BENCHMARK(BM_WritePatchMap);

}  // namespace

BENCHMARK_MAIN();
