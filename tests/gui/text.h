// Wide text as the driver prints it: UTF-8, with control characters escaped
// so that a report stays on one line.
#pragma once

#include <string>
#include <string_view>

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);
// UTF-8 with "\n", "\r" and other control characters written as escapes.
std::string Printable(std::wstring_view text);
