// What the test helpers need from the system they run on: a fresh
// temporary folder, running a shell command and finding a program
// (TestSystemPosix.cpp, TestSystemWindows.cpp).
#pragma once

#include <string>

namespace velmar::test {

// Creates a new, empty folder under the system's temporary folder and
// returns it with a trailing separator.
std::string MakeTempFolder();

}  // namespace velmar::test
