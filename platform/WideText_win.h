#pragma once
// UTF-8 to the UTF-16 of the Win32 calls and back. For the _win files only.

#include <string>

namespace platform {

// Empty for text that is no valid UTF-8, so a mangled name is never opened by mistake.
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
// A path for the ...W calls: widened, and an absolute one longer than the old
// 260-character limit in the "\\?\" form, which knows no limit.
std::wstring WidePath(const std::string& utf8);
// The path as Win32 gives it back, with '/' between folders as the shared code has it.
std::string PathFromWide(const std::wstring& wide);

}  // namespace platform
