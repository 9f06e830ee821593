// The Windows files' own helpers: UTF-8 names to UTF-16 and back, and the system's words for an error.
#pragma once

#include <string>

// The program's names are UTF-8; Windows takes UTF-16.
std::wstring Wide(const std::string& text);
std::string Utf8(const std::wstring& text);
// FormatMessageW's text for a GetLastError code without its line break, or "Windows error N".
std::string SystemReason(unsigned long error);
