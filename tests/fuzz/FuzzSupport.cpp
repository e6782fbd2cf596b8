// The fuzz targets' temporary folder and file helpers.
#include "FuzzSupport.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include <unistd.h>

namespace velmar::fuzz {

namespace fs = std::filesystem;

namespace {

// VELMAR_FUZZ_TEMP when set; else the memory file system when there is one:
// the targets rewrite their input file on every run, which on a disk file
// system waits for the disk.
fs::path Base() {
  if (const char* chosen = std::getenv("VELMAR_FUZZ_TEMP")) return chosen;
  if (::access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
  return fs::temp_directory_path();
}

class Folder {
 public:
  Folder() {
    std::string pattern = (Base() / "velmar-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) Fail("cannot make the temporary folder");
    path_ = pattern + "/";
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

const std::string& TempFolder() {
  static Folder folder;
  return folder.Path();
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  if (!out.flush()) Fail("cannot write the input file");
}

std::string WriteTemp(const std::string& name, std::string_view bytes) {
  const std::string path = TempFolder() + name;
  WriteFileBytes(path, bytes);
  return path;
}

std::string DataFolder() { return std::string(VELMAR_SOURCE_DIR) + "/data/"; }

void CopyDataFile(const std::string& name, const std::string& folder) {
  std::error_code ec;
  fs::copy_file(DataFolder() + name, folder + name, fs::copy_options::overwrite_existing, ec);
  if (ec) Fail("cannot copy a data file");
}

}  // namespace velmar::fuzz
