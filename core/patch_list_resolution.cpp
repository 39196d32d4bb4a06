// What a patch list holds with what it inherits. A list's chain of bases is
// walked from the list itself until a list does not exist or one comes round
// again; then, from the far end back to the list, each list's own patches
// replace those of the same program or are added. A list that is on no cycle
// holds its base's result with its own patches on top, so each such result is
// made once and reused by the lists built on it.
#include <algorithm>
#include <unordered_map>

#include "instrument_catalog.h"

namespace {

using Patch = InstrumentCatalog::Patch;

bool ByProgram(const Patch& a, const Patch& b) {
  return a.program < b.program;
}

// A list's own lines ordered by program; of two lines with one program the
// later one counts.
std::vector<Patch> ByProgramLaterWins(const std::vector<Patch>& own) {
  std::vector<Patch> sorted = own;
  if (!std::is_sorted(sorted.begin(), sorted.end(), ByProgram)) {
    std::stable_sort(sorted.begin(), sorted.end(), ByProgram);
  }
  std::vector<Patch> unique;
  unique.reserve(sorted.size());
  for (const Patch& patch : sorted) {
    if (!unique.empty() && unique.back().program == patch.program) {
      unique.back() = patch;
    } else {
      unique.push_back(patch);
    }
  }
  return unique;
}

// `below` with `above` on top, both ordered by program: a program of `above`
// replaces the same one of `below`.
std::vector<Patch> Overlay(const std::vector<Patch>& below, const std::vector<Patch>& above) {
  std::vector<Patch> merged;
  merged.reserve(below.size() + above.size());
  auto low = below.begin();
  for (const Patch& patch : above) {
    while (low != below.end() && low->program < patch.program) merged.push_back(*low++);
    if (low != below.end() && low->program == patch.program) ++low;
    merged.push_back(patch);
  }
  merged.insert(merged.end(), low, below.end());
  return merged;
}

}  // namespace

const std::vector<InstrumentCatalog::Patch>& InstrumentCatalog::PatchesOf(
    std::string_view listName) {
  const std::size_t list = FindList(listName);
  if (list == kNone) return noPatches_;
  Resolve(list);
  return lists_[list].resolved;
}

std::size_t InstrumentCatalog::OwnProgramCount(std::string_view listName) const {
  const std::size_t list = FindList(listName);
  return list != kNone ? ByProgramLaterWins(lists_[list].own).size() : 0;
}

std::size_t InstrumentCatalog::BaseOf(std::size_t list) const {
  return lists_[list].hasBase ? FindList(lists_[list].baseName) : kNone;
}

void InstrumentCatalog::Resolve(std::size_t first) {
  // The lists from `first` along its bases that are not resolved yet.
  std::vector<std::size_t> chain;
  std::unordered_map<std::size_t, std::size_t> placeInChain;
  std::size_t next = first;
  while (next != kNone && !lists_[next].isResolved && !placeInChain.contains(next)) {
    placeInChain.emplace(next, chain.size());
    chain.push_back(next);
    next = BaseOf(next);
  }
  // Come round again: the chain ends in a cycle, resolved on its own.
  std::size_t offCycle = chain.size();
  if (next != kNone && !lists_[next].isResolved) {
    offCycle = placeInChain[next];
    ResolveCycle(std::vector<std::size_t>(chain.begin() + static_cast<std::ptrdiff_t>(offCycle),
                                          chain.end()));
  }
  // The rest, from the far end back: each is its base's result with its own on top.
  for (std::size_t i = offCycle; i-- > 0;) {
    PatchList& list = lists_[chain[i]];
    const std::size_t base = BaseOf(chain[i]);
    list.resolved = Overlay(base != kNone ? lists_[base].resolved : noPatches_,
                            ByProgramLaterWins(list.own));
    list.isResolved = true;
  }
}

// Every list of a cycle inherits from all the others: for each, the walk
// round the cycle starts at the list and ends at the one built on it.
void InstrumentCatalog::ResolveCycle(const std::vector<std::size_t>& cycle) {
  std::vector<std::vector<Patch>> own;
  for (const std::size_t list : cycle) own.push_back(ByProgramLaterWins(lists_[list].own));
  const std::size_t length = cycle.size();
  for (std::size_t start = 0; start < length; ++start) {
    std::vector<Patch> patches;
    for (std::size_t step = length; step-- > 0;) {
      patches = Overlay(patches, own[(start + step) % length]);
    }
    lists_[cycle[start]].resolved = std::move(patches);
    lists_[cycle[start]].isResolved = true;
  }
}
