// What a patch list holds with what it inherits. A list's chain of bases is
// walked from the list itself until a list does not exist or one comes round
// again; then, from the far end back to the list, each list's own patches
// replace those of the same program or are added. That is the same as taking,
// along the walk from the list, each program where it is first met (within
// one list, its later line first), which is how it is made here: memory
// holds the result alone, however long the chain, and only the lists that are
// asked for are resolved and kept.
#include <algorithm>
#include <unordered_set>

#include "instrument_catalog.h"

namespace {

using Patch = InstrumentCatalog::Patch;

bool ByProgram(const Patch& a, const Patch& b) {
  return a.program < b.program;
}

// The programs taken so far along a walk, and their patches.
class FirstMet {
 public:
  // Takes the patches of programs not met yet; of two lines of `own` with one
  // program the later one counts.
  void TakeOwn(const std::vector<Patch>& own) {
    for (auto patch = own.rbegin(); patch != own.rend(); ++patch) Take(*patch);
  }
  // Takes the patches of programs not met yet from a resolved list.
  void TakeResolved(const std::vector<Patch>& resolved) {
    for (const Patch& patch : resolved) Take(patch);
  }
  std::vector<Patch> ByProgram() && {
    std::sort(patches_.begin(), patches_.end(), ::ByProgram);
    return std::move(patches_);
  }

 private:
  void Take(const Patch& patch) {
    if (taken_.insert(patch.program).second) patches_.push_back(patch);
  }
  std::unordered_set<std::int32_t> taken_;
  std::vector<Patch> patches_;
};

}  // namespace

const std::vector<InstrumentCatalog::Patch>& InstrumentCatalog::PatchesOf(
    std::string_view listName) {
  const std::size_t list = FindList(listName);
  if (list == kNone) return noPatches_;
  return Resolved(list);
}

std::size_t InstrumentCatalog::OwnProgramCount(std::string_view listName) const {
  const std::size_t list = FindList(listName);
  if (list == kNone) return 0;
  std::unordered_set<std::int32_t> programs;
  for (const Patch& patch : lists_[list].own) programs.insert(patch.program);
  return programs.size();
}

std::size_t InstrumentCatalog::BaseOf(std::size_t list) const {
  return lists_[list].hasBase ? FindList(lists_[list].baseName) : kNone;
}

// A list resolved before ends the walk: its result holds what the rest of the
// walk would take. (Where its own chain comes round to a list already walked,
// that list's programs are all taken already, so nothing differs.)
const std::vector<InstrumentCatalog::Patch>& InstrumentCatalog::Resolved(std::size_t first) {
  if (const auto done = resolved_.find(first); done != resolved_.end()) return done->second;
  ++walk_;
  FirstMet patches;
  for (std::size_t list = first; list != kNone && lists_[list].lastWalk != walk_;
       list = BaseOf(list)) {
    lists_[list].lastWalk = walk_;
    if (const auto done = resolved_.find(list); done != resolved_.end()) {
      patches.TakeResolved(done->second);
      break;
    }
    patches.TakeOwn(lists_[list].own);
  }
  return resolved_[first] = std::move(patches).ByProgram();
}
