// Reading a whole source file into memory.
#pragma once

#include <filesystem>
#include <string>

#include "file_system.h"

// Reads every byte of the file at `path` into `bytes`. False when the file
// cannot be opened, is not a regular file's data (a folder), or a read fails
// before its end; errno then tells why.
bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes,
                   FileSystem& fileSystem = FileSystem::Real());
