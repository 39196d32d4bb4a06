#include "midnam_tree.h"

// The protections of the entities' expansion are declared with the DTD's
// parts, which every build of expat here has (Debian's, and ours).
#ifndef XML_DTD
#define XML_DTD
#endif
#include <expat.h>

#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

struct TagName {
  const char* name;
  MidnamTag tag;
};

constexpr TagName kTags[] = {
    {"MasterDeviceNames", MidnamTag::kMasterDeviceNames},
    {"Manufacturer", MidnamTag::kManufacturer},
    {"Model", MidnamTag::kModel},
    {"ChannelNameSet", MidnamTag::kChannelNameSet},
    {"PatchBank", MidnamTag::kPatchBank},
    {"MIDICommands", MidnamTag::kMIDICommands},
    {"UsesPatchNameList", MidnamTag::kUsesPatchNameList},
    {"PatchNameList", MidnamTag::kPatchNameList},
    {"Patch", MidnamTag::kPatch},
    {"PatchMIDICommands", MidnamTag::kPatchMIDICommands},
    {"ControlChange", MidnamTag::kControlChange},
    {"ProgramChange", MidnamTag::kProgramChange},
    {"SysEx", MidnamTag::kSysEx},
};

struct AttributeName {
  const char* name;
  MidnamAttribute attribute;
};

constexpr AttributeName kAttributes[] = {
    {"Name", MidnamAttribute::kName},       {"ProgramChange", MidnamAttribute::kProgramChange},
    {"Control", MidnamAttribute::kControl}, {"Value", MidnamAttribute::kValue},
    {"Number", MidnamAttribute::kNumber},
};

MidnamTag TagOf(const char* name) {
  for (const TagName& known : kTags) {
    if (std::strcmp(known.name, name) == 0) return known.tag;
  }
  return MidnamTag::kOther;
}

// How much the entities may grow a document, against its own bytes.
constexpr float kMaxAmplification = 10.0f;
constexpr unsigned long long kAmplificationCountsFrom = 1 << 20;

}  // namespace

// Builds the tree from expat's calls; the first refusal of its own stops the
// parser with a reason.
class MidnamTreeBuilder {
 public:
  MidnamTreeBuilder(XML_Parser parser, MidnamTree& tree) : parser_(parser), tree_(tree) {}

  void Start(const char* name, const char** attributes) {
    const MidnamTag tag = TagOf(name);
    const auto index = static_cast<MidnamTree::Index>(tree_.elements_.size());
    const MidnamTree::Index parent = open_.empty() ? MidnamTree::kNone : open_.back().element;
    tree_.elements_.push_back({tag, parent, MidnamTree::kNone, MidnamTree::kNone, MidnamTree::kNone,
                               XML_GetCurrentLineNumber(parser_),
                               static_cast<MidnamTree::Index>(tree_.attributes_.size())});
    if (!open_.empty()) Link(open_.back(), index);
    if (tag != MidnamTag::kOther) Keep(attributes);
    const bool textual = tag == MidnamTag::kManufacturer || tag == MidnamTag::kModel;
    open_.push_back(
        {index, MidnamTree::kNone, textual || (!open_.empty() && open_.back().textual)});
  }
  void End() {
    tree_.elements_[open_.back().element].end =
        static_cast<MidnamTree::Index>(tree_.elements_.size());
    open_.pop_back();
  }
  void Text(const char* text, int length) {
    if (open_.empty() || !open_.back().textual) return;
    MidnamTree::Index& own = tree_.elements_[open_.back().element].text;
    if (own == MidnamTree::kNone) {
      own = static_cast<MidnamTree::Index>(tree_.texts_.size());
      tree_.texts_.emplace_back();
    }
    tree_.texts_[own].append(text, static_cast<std::size_t>(length));
  }
  void Refuse(std::string reason) {
    if (reason_.empty()) reason_ = std::move(reason);
    XML_StopParser(parser_, XML_FALSE);
  }
  const std::string& reason() const { return reason_; }

 private:
  struct Open {
    MidnamTree::Index element;
    MidnamTree::Index lastChild;
    bool textual;  // within Manufacturer or Model
  };

  void Link(Open& parent, MidnamTree::Index child) {
    if (parent.lastChild == MidnamTree::kNone) {
      tree_.elements_[parent.element].firstChild = child;
    } else {
      tree_.elements_[parent.lastChild].nextSibling = child;
    }
    parent.lastChild = child;
  }
  void Keep(const char** attributes) {
    for (; attributes[0] != nullptr; attributes += 2) {
      for (const AttributeName& known : kAttributes) {
        if (std::strcmp(known.name, attributes[0]) == 0) {
          tree_.attributes_.emplace_back(known.attribute, attributes[1]);
        }
      }
    }
  }

  XML_Parser parser_;
  MidnamTree& tree_;
  std::vector<Open> open_;
  std::string reason_;
};

namespace {

MidnamTreeBuilder& BuilderOf(void* data) {
  return *static_cast<MidnamTreeBuilder*>(data);
}

void SetHandlers(XML_Parser parser) {
  XML_SetElementHandler(
      parser,
      [](void* data, const char* name, const char** attributes) {
        BuilderOf(data).Start(name, attributes);
      },
      [](void* data, const char*) { BuilderOf(data).End(); });
  XML_SetCharacterDataHandler(
      parser, [](void* data, const char* text, int length) { BuilderOf(data).Text(text, length); });
  XML_SetSkippedEntityHandler(parser, [](void* data, const char* name, int parameter) {
    BuilderOf(data).Refuse(std::string("refers to the entity ") + (parameter ? "%" : "&") + name +
                           ";, which it does not declare");
  });
  // Called with the parser itself as its argument: it says why, and fails.
  XML_SetExternalEntityRefHandler(
      parser,
      [](XML_Parser self, const char*, const char*, const char* systemId, const char*) -> int {
        BuilderOf(XML_GetUserData(self))
            .Refuse(std::string("refers to the external entity ") + (systemId ? systemId : "") +
                    ", which is never read");
        return XML_STATUS_ERROR;
      });
  XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser, kMaxAmplification);
  XML_SetBillionLaughsAttackProtectionActivationThreshold(parser, kAmplificationCountsFrom);
}

}  // namespace

LoadResult ParseMidnam(std::string_view bytes, MidnamTree& tree) {
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return LoadResult::Unreadable(0, "the document is larger than 2 GB");
  }
  const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> owned(
      XML_ParserCreate(nullptr), &XML_ParserFree);
  XML_Parser parser = owned.get();
  if (parser == nullptr) throw std::bad_alloc();
  MidnamTreeBuilder builder(parser, tree);
  XML_SetUserData(parser, &builder);
  SetHandlers(parser);
  const XML_Status status =
      XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE);
  LoadResult result;
  if (status != XML_STATUS_OK) {
    const XML_Error error = XML_GetErrorCode(parser);
    if (error == XML_ERROR_NO_MEMORY) throw std::bad_alloc();
    result = LoadResult::Unreadable(
        XML_GetCurrentLineNumber(parser),
        builder.reason().empty() ? std::string(XML_ErrorString(error)) : builder.reason());
  }
  return result;
}

const std::string* MidnamTree::Attribute(Index element, MidnamAttribute which) const {
  const Index end = element + 1 < elements_.size() ? elements_[element + 1].attributes
                                                   : static_cast<Index>(attributes_.size());
  for (Index at = elements_[element].attributes; at < end; ++at) {
    if (attributes_[at].first == which) return &attributes_[at].second;
  }
  return nullptr;
}

std::string MidnamTree::Text(Index element) const {
  std::string text;
  for (Index at = element; at < elements_[element].end; ++at) {
    if (elements_[at].text != kNone) text += texts_[elements_[at].text];
  }
  return text;
}

MidnamTree::Index MidnamTree::FirstChild(Index parent, MidnamTag tag) const {
  Index found = kNone;
  EachChild(parent, tag, [&](Index child) {
    if (found == kNone) found = child;
  });
  return found;
}
