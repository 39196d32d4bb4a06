// What each patch list holds with what it inherits through "BasedOn", for
// every list of a file in one walk whose cost follows the file, never the
// square of a chain's length.
//
// A list's chain of bases is walked from the list itself until a list does
// not exist or one comes round again; along it each program is taken where it
// is first met (within one list, its last line). The lists and their bases
// form trees whose roots are lists without a base, or rings where a chain
// comes round. The walk visits each list once, from the root down, keeping
// for each program the patch that wins there: a list's own patches go on top
// as it is entered and come off as it is left. A ring is taken at one of its
// lists, then turned round one list at a time, each turn putting one list's
// patches on top. So each list's patches are on top once, and counting what a
// list holds costs nothing; only the lists asked for are written out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

class ListResolution {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  struct Patch {
    std::int32_t program;
    std::string_view name;
  };

  // The lists, each with its own patches in file order and its base (kNone
  // where it has none, or its base does not exist).
  struct List {
    const std::vector<Patch>* own;
    std::size_t base;
  };

  explicit ListResolution(const std::vector<List>& lists);

  // How many programs each list holds with what it inherits.
  const std::vector<std::size_t>& Counts();
  // How many programs each list names in lines of its own.
  std::size_t OwnCount(std::size_t list) const { return ownEnd_[list] - ownBegin_[list]; }

  // Walks every list once and writes out the patches of those asked for,
  // ordered by program as a signed number, each program once.
  void Resolve(const std::vector<bool>& asked,
               std::unordered_map<std::size_t, std::vector<Patch>>& resolved);

  // The work done so far: lists entered and left, patches put on top and
  // taken off, patches written out. The tests hold it to the file's size.
  std::uint64_t steps() const { return steps_; }

 private:
  static constexpr std::uint32_t kNoEntry = static_cast<std::uint32_t>(-1);

  // A list's own patch, each program once, as it stands in the walk.
  struct Entry {
    std::uint32_t program;  // dense: the rank of its program among all
    std::uint32_t below;    // the entry it covers, or kNoEntry
    std::string_view name;
  };

  void TakeOwnPatches(const std::vector<List>& lists);
  void FindRings(const std::vector<List>& lists);
  void Walk();
  void WalkTree(std::size_t root, bool rootIsEntered);
  void WalkRing(std::size_t start);
  void Visit(std::size_t list);
  void PutOnTop(std::size_t list);
  void TakeOff(std::size_t list);
  void SetActive(std::uint32_t program);
  std::vector<Patch> Current();

  std::vector<std::int32_t> programs_;  // every program of the file, sorted, once
  std::vector<Entry> entries_;          // by list, each list's entries together
  std::vector<std::size_t> ownBegin_, ownEnd_;
  std::vector<std::size_t> base_;
  std::vector<std::size_t> childBegin_, children_;  // the lists built on each
  std::vector<bool> onRing_;
  std::vector<std::size_t> ringStarts_;  // one list of each ring

  // The walk's state: for each program, the entry on top of the trees, the
  // ring's winner, and whether either holds it; the programs held.
  std::vector<std::uint32_t> top_, ringWinner_;
  std::vector<std::uint32_t> activeAt_;  // its place in active_, or kNoEntry
  std::vector<std::uint32_t> active_;

  // What a walk is asked to write out, and where; none when it only counts.
  const std::vector<bool>* asked_ = nullptr;
  std::unordered_map<std::size_t, std::vector<Patch>>* resolved_ = nullptr;

  std::vector<std::size_t> counts_;
  bool counted_ = false;
  std::uint64_t steps_ = 0;
};
