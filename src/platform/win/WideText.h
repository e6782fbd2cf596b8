// The one place where the program's UTF-8 texts meet the wide (UTF-16)
// texts of the Windows API: every Windows call that takes or gives a name
// goes through these two.
#pragma once

#include <string>
#include <string_view>

namespace velmar::platform::win {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// The system's message for an error code (GetLastError), without the
// trailing line break.
std::string ErrorText(unsigned long code);

}  // namespace velmar::platform::win
