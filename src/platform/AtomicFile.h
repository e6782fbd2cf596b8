// Writes whole files safely: the new contents go to a temporary file in the
// target's own folder, which is flushed and then renamed over the target, so
// a failed write (no space, no permission, a crash) leaves the old file whole.
// A replaced file keeps its permissions, and a link to a file stays a link.
#pragma once

#include <string>
#include <string_view>

namespace velmar::platform {

// Returns true on success; on failure fills `error` (when given) with a
// sentence naming the file and the system's reason.
bool WriteFileAtomically(const std::string& path, std::string_view contents,
                         std::string* error = nullptr);

// Reads a whole file as bytes. Returns false (and the reason) when it cannot
// be opened or read.
bool ReadWholeFile(const std::string& path, std::string& contents,
                   std::string* error = nullptr);

}  // namespace velmar::platform
