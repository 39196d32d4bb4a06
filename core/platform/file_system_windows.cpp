// The file operations on Windows, straight on Win32: handles, ReplaceFileW
// and MoveFileExW. Paths are UTF-16 throughout, so every name works.
#include <windows.h>

#include <string>

#include "file_system.h"
#include "temporary_name.h"

namespace {

HANDLE Win32Handle(FileHandle file) {
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(file));
}

FileHandle Handle(HANDLE handle) {
  return static_cast<FileHandle>(reinterpret_cast<std::intptr_t>(handle));
}

// No error when the call succeeded, otherwise the system's reason.
SystemError ErrorUnless(BOOL succeeded) {
  return succeeded ? SystemError() : SystemError::Last();
}

// Files on disk can be rewound and flushed; devices (NUL, CON, COM1) and
// pipes cannot.
bool IsOnDisk(HANDLE handle) {
  return GetFileType(handle) == FILE_TYPE_DISK;
}

// ERROR_DIRECTORY_NOT_SUPPORTED, which MinGW's headers lack.
constexpr DWORD kDirectoryNotSupported = 336;

// Why a file could not be opened. Windows refuses a folder as "Access
// denied", which would send the user looking at permissions.
SystemError OpenFailure(const std::wstring& path) {
  const SystemError error = SystemError::Last();
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool isFolder =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return error.Code() == ERROR_ACCESS_DENIED && isFolder ? SystemError(kDirectoryNotSupported)
                                                         : error;
}

// The text of a code that the system has none for; Wine has none for the
// folder refusal.
std::string TextWithoutSystemMessage(DWORD code) {
  if (code == kDirectoryNotSupported) return "An operation is not supported on a directory";
  return "Error " + std::to_string(code);
}

// The absolute form of a path, or the path itself when it has none. Wine's
// ReplaceFileW fails on relative paths ("The directory name is invalid").
std::wstring FullPath(const std::wstring& path) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return full;
}

}  // namespace

SystemError SystemError::Last() {
  return SystemError(GetLastError());
}

std::string SystemError::Text() const {
  if (foreign_) return "POSIX error " + std::to_string(code_);
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code_, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string message = length > 0 ? std::string(text, length) : TextWithoutSystemMessage(code_);
  LocalFree(text);
  // The system's messages end in a period and a line break.
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message;
}

FileHandle FileSystem::StandardInput() {
  return Handle(GetStdHandle(STD_INPUT_HANDLE));
}

SystemError FileSystem::OpenForReading(const NativePath& path, FileHandle& file) {
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return SystemError::Last();
  file = Handle(handle);
  return {};
}

SystemError FileSystem::Read(FileHandle file, char* buffer, std::size_t capacity,
                             std::size_t& got) {
  DWORD count = 0;
  const DWORD wanted = capacity < 0x40000000u ? static_cast<DWORD>(capacity) : 0x40000000u;
  if (!ReadFile(Win32Handle(file), buffer, wanted, &count, nullptr)) {
    // The writer of a pipe has closed it: that is its end.
    if (GetLastError() != ERROR_BROKEN_PIPE) return SystemError::Last();
    count = 0;
  }
  got = count;
  return {};
}

SystemError FileSystem::Position(FileHandle file, std::uint64_t& offset) {
  if (!IsOnDisk(Win32Handle(file))) return SystemError(ERROR_SEEK_ON_DEVICE);
  LARGE_INTEGER at{};
  if (!SetFilePointerEx(Win32Handle(file), LARGE_INTEGER{}, &at, FILE_CURRENT)) {
    return SystemError::Last();
  }
  offset = static_cast<std::uint64_t>(at.QuadPart);
  return {};
}

SystemError FileSystem::Seek(FileHandle file, std::uint64_t offset) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  return ErrorUnless(SetFilePointerEx(Win32Handle(file), at, nullptr, FILE_BEGIN));
}

SystemError FileSystem::OpenExisting(const NativePath& path, ExistingFile& file) {
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return OpenFailure(path);
  file.handle = Handle(handle);
  file.isDevice = !IsOnDisk(handle);
  BY_HANDLE_FILE_INFORMATION information{};
  file.hasOtherNames = !file.isDevice && GetFileInformationByHandle(handle, &information) &&
                       information.nNumberOfLinks > 1;
  return {};
}

SystemError FileSystem::CreateTemporary(const NativePath& folder, FileHandle& file,
                                        NativePath& created) {
  for (unsigned attempt = 0;; ++attempt) {
    NativePath candidate = folder + TemporaryName<NativePath>(attempt, GetCurrentProcessId());
    // Shared for deleting only, so that an interruption can remove it while
    // it is being written.
    const HANDLE handle = CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      file = Handle(handle);
      created = std::move(candidate);
      return {};
    }
    if (GetLastError() != ERROR_FILE_EXISTS || attempt == kTemporaryNameAttempts) {
      return SystemError::Last();
    }
  }
}

SystemError FileSystem::Truncate(FileHandle file) {
  return ErrorUnless(SetFilePointerEx(Win32Handle(file), LARGE_INTEGER{}, nullptr, FILE_BEGIN) &&
                     SetEndOfFile(Win32Handle(file)));
}

SystemError FileSystem::Write(FileHandle file, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD piece = size < 0x40000000u ? static_cast<DWORD>(size) : 0x40000000u;
    DWORD written = 0;
    if (!WriteFile(Win32Handle(file), data, piece, &written, nullptr)) return SystemError::Last();
    if (written == 0) return SystemError(ERROR_WRITE_FAULT);
    data += written;
    size -= written;
  }
  return {};
}

SystemError FileSystem::Flush(FileHandle file) {
  if (!IsOnDisk(Win32Handle(file))) return {};
  return ErrorUnless(FlushFileBuffers(Win32Handle(file)));
}

// FlushFileBuffers waits; the system writes back on its own meanwhile.
void FileSystem::StartFlush(FileHandle) {}

SystemError FileSystem::Close(FileHandle file) {
  return ErrorUnless(CloseHandle(Win32Handle(file)));
}

// A new file in the folder inherits the folder's access rights, and
// ReplaceFileW gives it those of the file it replaces: its access control
// list, attributes, alternate streams and creation time.
SystemError FileSystem::CopyOwnerAndAttributes(const NativePath& /*from*/, FileHandle /*to*/) {
  return {};
}

// Windows names no open handle by a path: its consoles are the devices CON,
// CONIN$ and CONOUT$, which are written as devices.
SystemError FileSystem::OpenDescriptor(int /*descriptor*/, FileHandle& /*file*/) {
  return SystemError(ERROR_NOT_SUPPORTED);
}

SystemError FileSystem::Replace(const NativePath& from, const NativePath& to, bool toExists) {
  if (toExists) {
    return ErrorUnless(ReplaceFileW(FullPath(to).c_str(), FullPath(from).c_str(), nullptr,
                                    REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr));
  }
  return ErrorUnless(
      MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

SystemError FileSystem::Remove(const NativePath& path) {
  return ErrorUnless(DeleteFileW(path.c_str()));
}

NativePath FileSystem::ResolveLink(const NativePath& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return path;
  }
  const HANDLE handle =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return path;
  std::wstring resolved(MAX_PATH, L'\0');
  DWORD length =
      GetFinalPathNameByHandleW(handle, resolved.data(), static_cast<DWORD>(resolved.size()), 0);
  if (length >= resolved.size()) {
    resolved.resize(length);
    length =
        GetFinalPathNameByHandleW(handle, resolved.data(), static_cast<DWORD>(resolved.size()), 0);
  }
  CloseHandle(handle);
  if (length == 0 || length >= resolved.size()) return path;
  resolved.resize(length);
  return resolved;
}

SystemError FileSystem::IdentifyOpen(FileHandle file, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(Win32Handle(file), &information)) return SystemError::Last();
  identity = {information.dwVolumeSerialNumber,
              (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
  return {};
}

SystemError FileSystem::Identify(const NativePath& path, FileIdentity& identity) {
  // No access asked: only the file's information is read; a folder opens too.
  const HANDLE handle =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return SystemError::Last();
  BY_HANDLE_FILE_INFORMATION information{};
  const SystemError error = ErrorUnless(GetFileInformationByHandle(handle, &information));
  CloseHandle(handle);
  if (error.Failed()) return error;
  identity = {information.dwVolumeSerialNumber,
              (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
  return {};
}
