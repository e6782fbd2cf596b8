// SHA-256 of a file's bytes, as lower-case hexadecimal: the checksum the
// operation log keeps of the files that went into a programmer (HEX files,
// unit images, firmware files) and of the unit images read out of one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmar::platform {

// The digest of `path`'s contents; nullopt (and the reason, when asked for)
// when the file cannot be read.
std::optional<std::string> FileSha256(const std::string& path, std::string* error = nullptr);

// The digest of bytes in memory.
std::string Sha256Hex(std::string_view bytes);

}  // namespace velmar::platform
