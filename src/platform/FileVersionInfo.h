// TFileVersionInfo reads the version resource of an executable file: a
// Windows (PE) executable's RT_VERSION resource, or the same block that our
// own Linux executables carry in their ".velmar_version" section. Setting
// ExecutableFile re-reads every property; a file without a version resource
// leaves them all empty.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmar::platform {

class TFileVersionInfo {
 public:
  // Reads the running program's own file.
  TFileVersionInfo();
  explicit TFileVersionInfo(const std::string& executableFile);

  const std::string& ExecutableFile() const { return ExecutableFile_; }
  void SetExecutableFile(const std::string& path);

  std::string CountryCode;
  std::string CompanyName;
  std::string FileDescription;
  std::string FileVersion;
  std::string InternalName;
  std::string LegalCopyright;
  std::string LegalTradeMarks;
  std::string OriginalFilename;
  std::string ProductName;
  std::string ProductVersion;
  std::string Comments;

 private:
  std::string ExecutableFile_;
};

// The version block inside an executable's bytes (PE resource or ELF
// section), if it has one.
std::optional<std::vector<std::uint8_t>> FindVersionBlock(std::span<const std::uint8_t> file);

}  // namespace velmar::platform
