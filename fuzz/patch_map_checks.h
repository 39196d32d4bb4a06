// What the fuzzers check of any patch map: its header, one line per patch in
// the writer's form, CR LF line ends, and attribute values that keep the XML
// well-formed. A broken invariant aborts with its name.
#pragma once

#include <cstddef>
#include <string_view>

[[noreturn]] void Fail(const char* what);
void Check(bool condition, const char* what);

// The map's lines, `patchCount` of them patch lines, each as the writer
// writes them.
void CheckPatchMap(std::string_view map, std::size_t patchCount);
