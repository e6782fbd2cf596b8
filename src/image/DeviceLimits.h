// The ranges within which a device record of DEVICES.INI can be built into
// a slot. Every size, count and time the builders use as an index, a length
// or a header byte is checked here first, so that a wrong record ends the
// build with a message naming the key instead of writing out of range.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "devices/TData.h"

namespace velmar::image {

// Largest file image of the PIC24 FJ and dsPIC30 builders (file bytes).
constexpr std::uint32_t kPic16BitFileImage = 360000;
// The PIC18J builder's image of the user's file.
constexpr std::uint32_t kPic18JFileImage = 0x20000;
// The PIC12/16 builder's image of the user's file.
constexpr std::uint32_t kPic16FileImage = 0x3C200;

// Checks `device` for family `family` (0 to 5) against the builders' images
// and a code image of `codeImageSize` bytes. Returns the message to show
// when a value is out of range, nothing when the record can be used.
// The builders check again on their own entry, without the code image bound
// (`kAnyCodeImage`), so no caller can make them index out of range.
constexpr std::uint32_t kAnyCodeImage = 0x7FFFFFFF;
std::optional<std::string> CheckDeviceLimits(const devices::TData& device, int family,
                                             std::uint32_t codeImageSize = kAnyCodeImage);

// True for PIC24 devices built by the FJ builder (name holds "FJ").
bool IsPic24FJ(const std::string& deviceName);

}  // namespace velmar::image
