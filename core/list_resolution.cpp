#include "list_resolution.h"

#include <algorithm>
#include <tuple>

namespace {

// A patch line of some list, as it is sorted to rank the programs.
struct Line {
  std::int32_t program;
  std::uint32_t list;
  std::uint32_t line;  // within the list, in file order
};

}  // namespace

ListResolution::ListResolution(const std::vector<List>& lists)
    : base_(lists.size()), counts_(lists.size()) {
  for (std::size_t list = 0; list < lists.size(); ++list) base_[list] = lists[list].base;
  TakeOwnPatches(lists);
  FindRings(lists);
}

// Ranks the programs of the whole file and keeps, of each list, the last line
// of each program, the lists' entries together in list order.
void ListResolution::TakeOwnPatches(const std::vector<List>& lists) {
  std::vector<Line> lines;
  for (std::size_t list = 0; list < lists.size(); ++list) {
    const std::vector<Patch>& own = *lists[list].own;
    for (std::size_t line = 0; line < own.size(); ++line) {
      lines.push_back(
          {own[line].program, static_cast<std::uint32_t>(list), static_cast<std::uint32_t>(line)});
    }
  }
  std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
    return std::tie(a.program, a.list, a.line) < std::tie(b.program, b.list, b.line);
  });
  std::vector<std::size_t> perList(lists.size() + 1);
  std::vector<Line> kept;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (programs_.empty() || programs_.back() != lines[i].program) {
      programs_.push_back(lines[i].program);
    }
    const bool lastOfItsList = i + 1 == lines.size() || lines[i + 1].program != lines[i].program ||
                               lines[i + 1].list != lines[i].list;
    if (!lastOfItsList) continue;
    kept.push_back({static_cast<std::int32_t>(programs_.size() - 1), lines[i].list, lines[i].line});
    ++perList[lines[i].list + 1];
  }
  for (std::size_t list = 0; list < lists.size(); ++list) perList[list + 1] += perList[list];
  ownBegin_.assign(perList.begin(), perList.end() - 1);
  ownEnd_ = ownBegin_;
  entries_.resize(kept.size());
  for (const Line& line : kept) {
    entries_[ownEnd_[line.list]++] = {static_cast<std::uint32_t>(line.program), kNoEntry,
                                      (*lists[line.list].own)[line.line].name};
  }
}

// The lists built on each list, and the rings that chains of bases come round
// in: each chain is followed once, marking the lists on it.
void ListResolution::FindRings(const std::vector<List>& lists) {
  const std::size_t count = lists.size();
  childBegin_.assign(count + 1, 0);
  for (std::size_t list = 0; list < count; ++list) {
    if (base_[list] != kNone) ++childBegin_[base_[list] + 1];
  }
  for (std::size_t list = 0; list < count; ++list) childBegin_[list + 1] += childBegin_[list];
  children_.resize(childBegin_[count]);
  std::vector<std::size_t> filled(childBegin_.begin(), childBegin_.end() - 1);
  for (std::size_t list = 0; list < count; ++list) {
    if (base_[list] != kNone) children_[filled[base_[list]]++] = list;
  }

  enum : std::uint8_t { kUnseen, kOnPath, kDone };
  std::vector<std::uint8_t> state(count, kUnseen);
  std::vector<std::size_t> path;
  onRing_.assign(count, false);
  for (std::size_t start = 0; start < count; ++start) {
    std::size_t list = start;
    for (; list != kNone && state[list] == kUnseen; list = base_[list]) {
      state[list] = kOnPath;
      path.push_back(list);
    }
    if (list != kNone && state[list] == kOnPath) {  // the chain came round to `list`
      ringStarts_.push_back(list);
      for (std::size_t on = list;;) {
        onRing_[on] = true;
        on = base_[on];
        if (on == list) break;
      }
    }
    for (const std::size_t walked : path) state[walked] = kDone;
    path.clear();
  }
}

const std::vector<std::size_t>& ListResolution::Counts() {
  if (!counted_) Walk();
  return counts_;
}

void ListResolution::Resolve(const std::vector<bool>& asked,
                             std::unordered_map<std::size_t, std::vector<Patch>>& resolved) {
  asked_ = &asked;
  resolved_ = &resolved;
  Walk();
  asked_ = nullptr;
  resolved_ = nullptr;
}

void ListResolution::Walk() {
  top_.assign(programs_.size(), kNoEntry);
  ringWinner_.assign(programs_.size(), kNoEntry);
  activeAt_.assign(programs_.size(), kNoEntry);
  active_.clear();
  ++steps_;
  for (std::size_t list = 0; list < base_.size(); ++list) {
    if (base_[list] == kNone) WalkTree(list, false);
  }
  for (const std::size_t start : ringStarts_) WalkRing(start);
  counted_ = true;
}

// Enters `root` (unless a ring has set what it holds) and every list built on
// it, depth first, each list's patches on top while it and those built on it
// are visited.
void ListResolution::WalkTree(std::size_t root, bool rootIsEntered) {
  if (!rootIsEntered) {
    PutOnTop(root);
    Visit(root);
  }
  struct Open {
    std::size_t list;
    std::size_t nextChild;
  };
  std::vector<Open> open{{root, childBegin_[root]}};
  while (!open.empty()) {
    Open& current = open.back();
    if (current.nextChild == childBegin_[current.list + 1]) {
      if (current.list != root || !rootIsEntered) TakeOff(current.list);
      open.pop_back();
      continue;
    }
    const std::size_t child = children_[current.nextChild++];
    if (onRing_[child]) continue;  // the ring turns to it
    PutOnTop(child);
    Visit(child);
    open.push_back({child, childBegin_[child]});
  }
}

// A ring X0 -> X1 -> ... -> Xk-1 -> X0: X0 holds each program where the walk
// from it first meets it. Xk-1's walk is X0's with Xk-1 moved from last to
// first, so putting its patches on top turns the ring to it; and so on back.
void ListResolution::WalkRing(std::size_t start) {
  std::vector<std::size_t> ring{start};
  for (std::size_t list = base_[start]; list != start; list = base_[list]) ring.push_back(list);
  for (const std::size_t list : ring) {
    for (std::size_t e = ownBegin_[list]; e < ownEnd_[list]; ++e, ++steps_) {
      const std::uint32_t program = entries_[e].program;
      if (ringWinner_[program] != kNoEntry) continue;
      ringWinner_[program] = static_cast<std::uint32_t>(e);
      SetActive(program);
    }
  }
  // Visited in the order X0, Xk-1, ..., X1: each turn follows the one before.
  for (std::size_t turn = 0; turn < ring.size(); ++turn) {
    const std::size_t list = ring[turn == 0 ? 0 : ring.size() - turn];
    if (turn != 0) {
      for (std::size_t e = ownBegin_[list]; e < ownEnd_[list]; ++e, ++steps_) {
        ringWinner_[entries_[e].program] = static_cast<std::uint32_t>(e);
      }
    }
    Visit(list);
    WalkTree(list, true);
  }
  for (const std::size_t list : ring) {
    for (std::size_t e = ownBegin_[list]; e < ownEnd_[list]; ++e, ++steps_) {
      ringWinner_[entries_[e].program] = kNoEntry;
      SetActive(entries_[e].program);
    }
  }
}

void ListResolution::Visit(std::size_t list) {
  ++steps_;
  counts_[list] = active_.size();
  if (asked_ != nullptr && (*asked_)[list]) (*resolved_)[list] = Current();
}

void ListResolution::PutOnTop(std::size_t list) {
  for (std::size_t e = ownBegin_[list]; e < ownEnd_[list]; ++e, ++steps_) {
    Entry& entry = entries_[e];
    entry.below = top_[entry.program];
    top_[entry.program] = static_cast<std::uint32_t>(e);
    SetActive(entry.program);
  }
}

void ListResolution::TakeOff(std::size_t list) {
  for (std::size_t e = ownEnd_[list]; e-- > ownBegin_[list]; ++steps_) {
    top_[entries_[e].program] = entries_[e].below;
    SetActive(entries_[e].program);
  }
}

// Keeps active_ the programs that some entry holds now.
void ListResolution::SetActive(std::uint32_t program) {
  const bool held = top_[program] != kNoEntry || ringWinner_[program] != kNoEntry;
  std::uint32_t& at = activeAt_[program];
  if (held && at == kNoEntry) {
    at = static_cast<std::uint32_t>(active_.size());
    active_.push_back(program);
  } else if (!held && at != kNoEntry) {
    activeAt_[active_.back()] = at;
    active_[at] = active_.back();
    active_.pop_back();
    at = kNoEntry;
  }
}

// The patches held now, by program.
std::vector<ListResolution::Patch> ListResolution::Current() {
  std::vector<std::uint32_t> held = active_;
  std::sort(held.begin(), held.end());
  std::vector<Patch> patches;
  patches.reserve(held.size());
  for (const std::uint32_t program : held) {
    const std::uint32_t winner = top_[program] != kNoEntry ? top_[program] : ringWinner_[program];
    patches.push_back({programs_[program], entries_[winner].name});
  }
  steps_ += held.size();
  return patches;
}
