#include "instrument_shapes.h"

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

constexpr std::string_view kPatchNames[] = {
    "Acoustic Grand Piano",
    "Bright Acoustic Piano",
    "Electric Grand Piano",
    "Honky-tonk Piano",
    "Rhodes & Chorus",
    "Harpsichord <Bright>",
    "Clavi",
    "Celesta",
    "Glockenspiel",
    "Music Box",
    "Vibraphone",
    "Marimba",
    "Tubular \"Bells\"",
    "Dulcimer",
    "Drawbar Organ",
    "Church Organ 2",
    "Nylon Guitar",
    "Steel Guitar",
    "Jazz Guitar",
    "Overdriven Gtr",
    "Fingered Bass",
    "Fretless Bass",
    "Slap Bass 1",
    "Synth Bass 101",
    "Violin",
    "Viola",
    "Cello",
    "Strings & Brass",
    "Choir Aahs",
    "Voice Oohs",
    "Orchestra Hit",
    "Trumpet",
    "Soprano Sax",
    "Oboe",
    "Pan Flute",
    "Square Lead",
    "Saw Lead (Mono)",
    "Fantasia Pad",
    "Warm Pad",
    "Bowed Glass",
    "Sitar",
    "Kalimba",
    "Steel Drums",
    "Taiko Drum",
    "Gun Shot",
    "Rain",
    "Sound Track",
    "Crystal",
};

std::string_view PatchName(std::uint64_t index) {
  return kPatchNames[index % std::size(kPatchNames)];
}

// A small deterministic generator, so that every run writes the same files.
class Random {
 public:
  std::uint32_t Below(std::uint32_t limit) { return Next() % limit; }

 private:
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<std::uint32_t>(state_ >> 32);
  }
  std::uint64_t state_ = 0x9e3779b97f4a7c15ull;
};

// Collects lines and hands them to the sink in pieces of about a megabyte.
class Lines {
 public:
  Lines(const ChunkSink& sink, std::string_view lineEnd) : sink_(sink), lineEnd_(lineEnd) {}
  ~Lines() {
    if (!buffer_.empty()) sink_(buffer_);
  }
  Lines(const Lines&) = delete;
  Lines& operator=(const Lines&) = delete;

  Lines& operator<<(std::string_view text) {
    buffer_.append(text);
    return *this;
  }
  Lines& operator<<(std::uint64_t number) { return *this << std::to_string(number); }

  // Ends the line that the pieces before it made.
  void End() {
    buffer_.append(lineEnd_);
    written_ += buffer_.size() - counted_;
    counted_ = buffer_.size();
    if (buffer_.size() > (1u << 20)) {
      sink_(buffer_);
      buffer_.clear();
      counted_ = 0;
    }
  }
  std::uint64_t written() const { return written_; }

 private:
  const ChunkSink& sink_;
  std::string_view lineEnd_;
  std::string buffer_;
  std::size_t counted_ = 0;
  std::uint64_t written_ = 0;
};

// One instrument: its four patch lists of 128 patches, then its definition.
void WriteRealisticInstrument(Lines& out, Random& random, std::uint64_t instrument) {
  const std::string synth = "Synth " + std::to_string(instrument);
  (out << "; " << synth << ": patch lists, then the instrument itself").End();
  (out << ".Patch Names").End();
  out.End();
  for (std::uint64_t list = 0; list < 4; ++list) {
    (out << "[" << synth << " Bank " << list << "]").End();
    for (std::uint64_t program = 0; program < 128; ++program) {
      (out << program << "=" << PatchName(random.Below(1000)) << " " << random.Below(100)).End();
    }
    out.End();
  }
  (out << ".Instrument Definitions").End();
  out.End();
  (out << "[" << synth << "]").End();
  (out << "BankSelMethod=" << random.Below(4)).End();
  for (std::uint64_t list = 0; list < 4; ++list) {
    (out << "Patch[" << list * 128 + random.Below(128) << "]=" << synth << " Bank " << list).End();
  }
  (out << "Control=Standard").End();
  out.End();
}

void WriteRealistic(Lines& out, std::uint64_t bytes) {
  Random random;
  for (std::uint64_t instrument = 0; out.written() < bytes; ++instrument) {
    WriteRealisticInstrument(out, random, instrument);
  }
}

void WriteDistinctBanks(Lines& out, std::uint64_t count) {
  (out << ".Instrument Definitions").End();
  (out << "[Many Banks]").End();
  for (std::uint64_t bank = 0; bank < count; ++bank) {
    (out << "Patch[" << bank << "]=Patch List " << bank).End();
  }
  (out << ".Patch Names").End();
  for (std::uint64_t list = 0; list < count; ++list) {
    (out << "[patch list " << list << "]").End();  // the case differs from the keys
    (out << "0=" << PatchName(list)).End();
    (out << "1=" << PatchName(list + 1)).End();
  }
}

void WriteOneList(Lines& out, std::uint64_t count) {
  (out << ".Instrument Definitions").End();
  (out << "[One List]").End();
  for (std::uint64_t bank = 0; bank < count; ++bank) {
    (out << "Patch[" << bank << "]=Shared List").End();
  }
  (out << ".Patch Names").End();
  (out << "[Shared List]").End();
  for (std::uint64_t program = 0; program < 128; ++program) {
    (out << program << "=" << PatchName(program)).End();
  }
}

// One instrument whose `count` banks all name one list of 128 patches: its
// map is `count` times the list, written from the one list.
void WriteInstrumentBanks(Lines& out, std::uint64_t count) {
  (out << ".Patch Names").End();
  (out << "[L]").End();
  for (std::uint64_t program = 0; program < 128; ++program) {
    (out << program << "=" << PatchName(program)).End();
  }
  (out << ".Instrument Definitions").End();
  (out << "[Synth]").End();
  for (std::uint64_t bank = 0; bank < count; ++bank) (out << "Patch[" << bank << "]=L").End();
}

// A list of 128 patches under a chain of `count` lists, each built on the one
// before with nothing of its own, and an instrument that names the last.
void WriteBasedOnChain(Lines& out, std::uint64_t count) {
  (out << ".Patch Names").End();
  (out << "[0]").End();
  for (std::uint64_t program = 0; program < 128; ++program) {
    (out << program << "=" << PatchName(program)).End();
  }
  for (std::uint64_t list = 1; list <= count; ++list) {
    (out << "[" << list << "]").End();
    (out << "BasedOn=" << list - 1).End();
  }
  (out << ".Instrument Definitions").End();
  (out << "[Synth]").End();
  (out << "Patch[0]=" << count).End();
}

// Each 64 KiB line holds "program=name" pieces; the reader cuts it into reads
// of 299 bytes, and each read that holds a "=" becomes a patch.
void WriteLongLines(Lines& out, std::uint64_t bytes) {
  (out << "[Long Lines]").End();
  (out << "Patch[0]=Long Lines").End();
  Random random;
  while (out.written() < bytes) {
    for (std::uint64_t length = 0; length < 65536;) {
      std::string piece = std::to_string(random.Below(128)) + "=" +
                          std::string(PatchName(random.Below(1000))) + " ";
      out << piece;
      length += piece.size();
    }
    out.End();
  }
}

// A family of lists, each variation built on the one before it, and two
// instruments that name them (and a built-in list) in their banks.
void WriteInstrumentFamily(Lines& out, Random& random, std::uint64_t family) {
  constexpr std::uint64_t kVariations = 16;
  const std::string name = "Family " + std::to_string(family);
  (out << ".Patch Names").End();
  (out << "[" << name << " Capital]").End();
  for (std::uint64_t program = 0; program < 128; ++program) {
    (out << program << "=" << PatchName(random.Below(1000))).End();
  }
  for (std::uint64_t variation = 1; variation <= kVariations; ++variation) {
    (out << "[" << name << " Var " << variation << "]").End();
    (out << "BasedOn=" << name
         << (variation == 1 ? std::string(" Capital") : " Var " + std::to_string(variation - 1)))
        .End();
    for (int patch = 0; patch < 8; ++patch) {
      (out << random.Below(128) << "=" << PatchName(random.Below(1000)) << " V" << variation).End();
    }
  }
  (out << ".Instrument Definitions").End();
  for (const char* synth : {" Synth", " Synth XL"}) {
    (out << "[" << name << synth << "]").End();
    (out << "BankSelMethod=" << random.Below(4)).End();
    (out << "Patch[0]=" << name << " Capital").End();
    for (std::uint64_t variation = 1; variation <= kVariations; ++variation) {
      (out << "Patch[" << variation << "]=" << name << " Var " << variation).End();
    }
    (out << "Patch[127]=1..128").End();
  }
}

// Lists L0..L(count-1), each built on the next, and one instrument whose
// banks name every list. Each list names program 0, or with `growing` its own
// program, so that list i holds count - i of them.
void WriteChain(Lines& out, std::uint64_t count, bool growing) {
  (out << ".Patch Names").End();
  for (std::uint64_t list = 0; list < count; ++list) {
    (out << "[L" << list << "]").End();
    (out << "BasedOn=L" << list + 1).End();
    (out << (growing ? list : 0) << "=" << PatchName(list)).End();
  }
  (out << ".Instrument Definitions").End();
  (out << "[Chain]").End();
  for (std::uint64_t bank = 0; bank < count; ++bank)
    (out << "Patch[" << bank << "]=L" << bank).End();
}

// The state of the unseeded FNV-1a that names were once indexed by, after
// `text` (its bytes are lower case already).
std::uint64_t Fnv1a(std::uint64_t state, std::string_view text) {
  for (const char c : text) state = (state ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return state;
}

// Pairs of four-letter blocks that take that hash from one state to one state
// in its low 24 bits, which are all that a table of fewer than 2^24 slots
// looks at: any choice of one block of each pair gives a name of the same
// place.
std::vector<std::pair<std::string, std::string>> CollidingBlocks(std::size_t pairs) {
  constexpr std::uint64_t kLow = (1u << 24) - 1;
  std::vector<std::pair<std::string, std::string>> blocks;
  std::uint64_t state = 14695981039346656037ull;
  Random random;
  while (blocks.size() < pairs) {
    std::unordered_map<std::uint64_t, std::string> seen;
    for (;;) {
      std::string block(4, 'a');
      for (char& c : block) c = static_cast<char>('a' + random.Below(26));
      const std::uint64_t next = Fnv1a(state, block) & kLow;
      const auto [at, fresh] = seen.emplace(next, block);
      if (fresh || at->second == block) continue;
      blocks.emplace_back(at->second, block);
      state = Fnv1a(state, block);
      break;
    }
  }
  return blocks;
}

// `count` banks whose list names all fall into one place of that hash, each
// list with its header and one patch: the whole-file conversion looks up
// every header among the banks' lists.
void WriteCollidingNames(Lines& out, std::uint64_t count) {
  std::size_t pairs = 0;
  while ((std::uint64_t{1} << pairs) < count) ++pairs;
  const auto blocks = CollidingBlocks(pairs);
  auto name = [&](std::uint64_t index) {
    std::string text;
    for (std::size_t pair = 0; pair < pairs; ++pair) {
      text += (index >> pair) & 1 ? blocks[pair].second : blocks[pair].first;
    }
    return text;
  };
  (out << "[Colliding Names]").End();
  for (std::uint64_t bank = 0; bank < count; ++bank)
    (out << "Patch[" << bank << "]=" << name(bank)).End();
  for (std::uint64_t list = 0; list < count; ++list) {
    (out << "[" << name(list) << "]").End();
    (out << "0=" << PatchName(list)).End();
  }
}

void WriteInstruments(Lines& out, std::uint64_t bytes) {
  Random random;
  for (std::uint64_t family = 0; out.written() < bytes; ++family) {
    WriteInstrumentFamily(out, random, family);
  }
}

}  // namespace

bool GenerateInstrumentFile(std::string_view shape, std::uint64_t amount, const ChunkSink& sink) {
  Lines out(sink, shape == "all-cr" ? "\r" : "\r\n");
  if (shape == "realistic" || shape == "all-cr") {
    WriteRealistic(out, amount);
  } else if (shape == "distinct-banks") {
    WriteDistinctBanks(out, amount);
  } else if (shape == "one-list") {
    WriteOneList(out, amount);
  } else if (shape == "long-lines") {
    WriteLongLines(out, amount);
  } else if (shape == "instruments") {
    WriteInstruments(out, amount);
  } else if (shape == "instrument-banks") {
    WriteInstrumentBanks(out, amount);
  } else if (shape == "based-on-chain") {
    WriteBasedOnChain(out, amount);
  } else if (shape == "chain-one-program" || shape == "chain-growing") {
    WriteChain(out, amount, shape == "chain-growing");
  } else if (shape == "colliding-names") {
    WriteCollidingNames(out, amount);
  } else {
    return false;
  }
  return true;
}
