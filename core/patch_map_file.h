// Writing a patch map to a file so that a failure never loses what was there.
#pragma once

#include <filesystem>

#include "file_system.h"
#include "instrument_definition.h"

// Writes the patch map of `instrument` to a new temporary file in the target's
// folder, puts it on disk and then in the target's place in one step. On any
// failure the temporary is removed and an existing target keeps its bytes;
// errno then tells why. A read-only target, or a folder, is a failure. Where
// the folder takes no new file but the target exists and may be written, and
// where the target is no regular file (a device, a pipe), it is written in
// place. Returns 0 or -1.
int WritePatchMapFile(const InstrumentDefinition& instrument, const std::filesystem::path& target,
                      FileSystem& fileSystem);
