// A MIDNAM document as its reading needs it, parsed by expat: its elements
// in document order, each with its parent, its children, its line, and the
// attributes and text the reading looks at. The elements stand in one array
// and link to one another by position, so that no step recurses, however
// deep a document nests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "load_result.h"

enum class MidnamTag : std::uint8_t {
  kOther,
  kMasterDeviceNames,
  kManufacturer,
  kModel,
  kChannelNameSet,
  kPatchBank,
  kMIDICommands,
  kUsesPatchNameList,
  kPatchNameList,
  kPatch,
  kPatchMIDICommands,
  kControlChange,
  kProgramChange,
  kSysEx,
};

enum class MidnamAttribute : std::uint8_t { kName, kProgramChange, kControl, kValue, kNumber };

class MidnamTree {
 public:
  using Index = std::uint32_t;
  static constexpr Index kNone = ~Index{0};

  struct Element {
    MidnamTag tag;
    Index parent;
    Index firstChild = kNone;
    Index nextSibling = kNone;
    Index end = kNone;  // one past its last descendant
    std::size_t line;
    Index attributes;  // its first in attributes_; they run to the next element's
    Index text = kNone;
  };

  const std::vector<Element>& elements() const { return elements_; }
  // The attribute's value, or nullptr where the element has none.
  const std::string* Attribute(Index element, MidnamAttribute which) const;
  // The text of the element and of those within it, in document order, each
  // element's own first (kept only within Manufacturer and Model).
  std::string Text(Index element) const;
  // The children of `parent` of one tag, in order.
  template <typename Take>
  void EachChild(Index parent, MidnamTag tag, Take take) const {
    for (Index child = elements_[parent].firstChild; child != kNone;
         child = elements_[child].nextSibling) {
      if (elements_[child].tag == tag) take(child);
    }
  }
  Index FirstChild(Index parent, MidnamTag tag) const;

 private:
  friend class MidnamTreeBuilder;
  std::vector<Element> elements_;
  std::vector<std::pair<MidnamAttribute, std::string>> attributes_;
  std::vector<std::string> texts_;
};

// Parses the document's bytes: UTF-8, UTF-16, ISO-8859-1 or US-ASCII as it
// declares or marks itself. Internal entities are expanded within a bound of
// ten times the document; an external entity, or a reference to an entity
// the document does not declare, fails it, as a document that is not
// well-formed does (kUnreadableDocument, with the line and the reason). No
// DTD and no external entity is ever read.
LoadResult ParseMidnam(std::string_view bytes, MidnamTree& tree);
