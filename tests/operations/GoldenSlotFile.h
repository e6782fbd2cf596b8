// One golden slot build as a text file of tests/operations/golden/: which
// window and example to build, the 160-byte header expected, and what the
// slot image and its layout must hold beyond it. The notation is in the
// folder's README.md; a line that does not follow it throws
// std::runtime_error naming the file and the line.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmar::test {

struct GoldenSlot {
  int kind = -1;
  int family = -1;
  std::string device;
  std::string example;  // folder under examples/ holding blink.hex
  std::array<std::uint8_t, 160> header{};
  std::optional<std::uint32_t> codeLength;
  std::optional<std::uint8_t> codeChecksum;
  std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> slotBytes;  // offset, bytes
};

GoldenSlot ReadGoldenSlot(const std::string& path);

// The golden files' names without ".hdr", sorted.
std::vector<std::string> GoldenSlotNames();
// Where they are.
std::string GoldenSlotFolder();

}  // namespace velmar::test
