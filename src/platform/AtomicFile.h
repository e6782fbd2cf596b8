// Writes whole files safely: the new contents go to a temporary file in the
// target's own folder, which is flushed and then renamed over the target, so
// a failed write (no space, no permission, a crash) leaves the old file whole.
// A replaced file keeps its permissions. What is found at the name decides
// the rest: a file the user named is followed through a link (the link stays
// a link) and a character device or FIFO there is written into, never
// renamed over; the program's own files in its working folder replace a
// link at their name instead of writing through it. A folder, a block
// device or a socket is never replaced. The temporary file is removed when
// the process is interrupted (SIGINT, SIGTERM), and temporary files of this
// naming left behind by an earlier, killed process are removed at the first
// save into their folder.
#pragma once

#include <string>
#include <string_view>

namespace velmar::platform {

// Who chose the file's name.
enum class FileOrigin {
  User,  // named by the user: links are followed, devices and FIFOs written into
  Own,   // the program's own fixed name in its working folder: links are replaced
};

// Returns true on success; on failure fills `error` (when given) with a
// sentence naming the file and the reason.
bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* error = nullptr,
                         FileOrigin origin = FileOrigin::User);

// Reads a whole file (or everything a pipe delivers) as bytes. Returns false
// (and the reason) when it cannot be opened or read, or when it is a folder
// or a device rather than a file.
bool ReadWholeFile(const std::string& path, std::string& contents, std::string* error = nullptr);

// The name of the temporary file a save of `target` uses, with `suffix` as
// its distinguishing number: ".NAME.tmpSUFFIX" in the target's folder.
std::string TemporaryNameFor(const std::string& target, unsigned suffix);

}  // namespace velmar::platform
