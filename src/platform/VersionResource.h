// Version resources: the VS_VERSIONINFO block that Windows executables carry
// (fixed file information, a translation list and per-translation string
// tables). Builds such a block from plain values and queries one the way the
// system's version calls do ("\VarFileInfo\Translation",
// "\StringFileInfo\080904E4\FileVersion").
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmar::platform {

struct VersionResourceValues {
  std::uint16_t language = 0x0809;  // British English
  std::uint16_t codePage = 0x04E4;  // Windows Latin-1
  std::uint16_t fileVersion[4] = {0, 0, 0, 0};
  std::uint16_t productVersion[4] = {0, 0, 0, 0};
  std::map<std::string, std::string> strings;  // "FileVersion" -> "1.2.0.26"
};

// The binary VS_VERSIONINFO block (little-endian, UTF-16 texts).
std::vector<std::uint8_t> BuildVersionResource(const VersionResourceValues& values);

class VersionResource {
 public:
  explicit VersionResource(std::vector<std::uint8_t> block) : block_(std::move(block)) {}
  // The first translation as (language, code page), if any.
  std::optional<std::pair<std::uint16_t, std::uint16_t>> Translation() const;
  // The string at "\StringFileInfo\<table>\<name>", if present.
  std::optional<std::string> String(const std::string& table, const std::string& name) const;

 private:
  std::vector<std::uint8_t> block_;
};

}  // namespace velmar::platform
