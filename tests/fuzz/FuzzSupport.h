// Helpers shared by the fuzz targets: a private temporary folder for the
// readers that only take a path (made once per process, removed at exit),
// writing the fuzz input into a file there, the source tree's data folder,
// and the stop that marks a broken invariant as a finding.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace velmar::fuzz {

// This process's temporary folder, ending with '/'.
const std::string& TempFolder();

// Replaces `name` in TempFolder() (or the full path `path`) with `bytes` and
// returns its path. The file is written in place: the readers under test
// must see exactly these bytes.
std::string WriteTemp(const std::string& name, std::string_view bytes);
void WriteFileBytes(const std::string& path, std::string_view bytes);

// The source tree's data folder (DEVICES.INI, progsetting.ini), ending with '/'.
std::string DataFolder();

// Copies a file of the data folder into `folder` (which ends with '/').
void CopyDataFile(const std::string& name, const std::string& folder);

// A broken invariant: prints what broke and aborts, so libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  std::abort();
}

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace velmar::fuzz
