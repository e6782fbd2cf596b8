// The reason a user's HEX file cannot be a program, in the words every
// family's refusal adds after its own message: the file and the first line
// that is not a valid record with why (bad checksum, bad length, unknown
// record type...), or that it holds no lines or no data. The family builders split the
// file by its text before loading it, so they check it whole first: the user
// hears about the file they chose, never about an intermediate piece.
#pragma once

#include <optional>
#include <string>

#include "image/LoadResult.h"

namespace velmar::image {

// "FILE line N: reason" for a refused load, "FILE holds no lines" for an
// empty one, "FILE holds no data..." for one whose records put no byte
// anywhere (only an end record, say); nothing for a load that succeeded.
std::optional<std::string> LoadFaultDetail(const std::string& file, const LoadResult& result);

// Loads `file` as any accepted format and returns the detail of its first
// fault in the records; nothing when they read (where the data lies is the
// family's to judge). Throws EFileOpenError
// when it cannot be read.
std::optional<std::string> CheckUserFile(const std::string& file);

}  // namespace velmar::image
