// A path as the system spells it: UTF-16 on Windows, bytes elsewhere. The core
// takes paths in this form and does its few path operations itself, so that
// the Windows program links no std::filesystem code: that code alone would
// make it four times as large.
#pragma once

#include <bitset>
#include <string>

#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

// A path typed by a user as UTF-16 text, in the system's spelling (UTF-8
// bytes outside Windows).
NativePath NativePathFromWide(const std::wstring& path);

// Text of a file's own bytes (a name from an instrument definition) as a path,
// and a path as such text: the ANSI code page on Windows, bytes elsewhere.
NativePath NativePathFromText(const std::string& text);
std::string TextFromNativePath(const NativePath& path);

// UTF-8 text (a name from a MIDNAM document) as a path, and a path as UTF-8.
NativePath NativePathFromUtf8(const std::string& text);
std::string Utf8FromNativePath(const NativePath& path);

// The folder part of `path`, separator included ("dir/" of "dir/x.vpm"); empty
// for a bare file name.
NativePath FolderPart(const NativePath& path);

// The open descriptor that `path` names, or -1: /dev/stdin, /dev/stdout,
// /dev/stderr, /dev/fd/N and /proc/self/fd/N (or this process's number in
// place of "self") on POSIX systems, none on Windows. Such a name is the
// descriptor itself (a pipe, a terminal, a log opened for appending), to be
// written where it stands, as "-" writes standard output.
int DescriptorNamedBy(const NativePath& path);

// The bytes that open a two-byte character in a double-byte code page (932,
// 936, 949, 950), whose second byte may be any, "\\" and "|" among them.
using LeadBytes = std::bitset<256>;
// Those of the text that NativePathFromText takes: the ANSI code page's on
// Windows, none elsewhere.
LeadBytes TextLeadBytes();
