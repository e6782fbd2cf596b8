// Locating the version block in PE and ELF files, and filling the
// properties from it.
#include "platform/FileVersionInfo.h"

#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/VersionResource.h"

namespace velmar::platform {

namespace {

using Bytes = std::vector<std::uint8_t>;
using View = std::span<const std::uint8_t>;

std::uint64_t Get(View b, std::size_t at, int n) {
  std::uint64_t v = 0;
  if (at > b.size() || std::size_t(n) > b.size() - at) return 0;  // no wrap-around for offsets near 2^64
  for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + std::size_t(i)];
  return v;
}

std::optional<Bytes> Slice(View b, std::uint64_t at, std::uint64_t n) {
  if (at > b.size() || n > b.size() - at) return std::nullopt;
  return Bytes(b.begin() + std::ptrdiff_t(at), b.begin() + std::ptrdiff_t(at + n));
}

// ---- PE: resource directory -> RT_VERSION (16) -> first name -> first language
std::optional<Bytes> FromPe(View b) {
  std::size_t pe = std::size_t(Get(b, 0x3C, 4));
  if (Get(b, pe, 4) != 0x00004550) return std::nullopt;  // "PE\0\0"
  std::size_t coff = pe + 4;
  std::size_t sections = std::size_t(Get(b, coff + 2, 2));
  std::size_t optSize = std::size_t(Get(b, coff + 16, 2));
  std::size_t opt = coff + 20;
  std::uint16_t magic = std::uint16_t(Get(b, opt, 2));
  std::size_t dirs = magic == 0x20B ? opt + 112 : opt + 96;
  std::size_t dirCount = std::size_t(Get(b, magic == 0x20B ? opt + 108 : opt + 92, 4));
  if (dirCount < 3) return std::nullopt;
  std::uint64_t resRva = Get(b, dirs + 2 * 8, 4);
  if (resRva == 0) return std::nullopt;

  // Map an RVA to a file offset through the section table.
  std::size_t table = opt + optSize;
  auto toFile = [&](std::uint64_t rva) -> std::optional<std::uint64_t> {
    for (std::size_t i = 0; i < sections; ++i) {
      std::size_t s = table + i * 40;
      std::uint64_t va = Get(b, s + 12, 4), vsize = Get(b, s + 8, 4), raw = Get(b, s + 20, 4),
                    rawSize = Get(b, s + 16, 4);
      std::uint64_t size = std::max(vsize, rawSize);
      if (rva >= va && rva < va + size) return raw + (rva - va);
    }
    return std::nullopt;
  };
  auto base = toFile(resRva);
  if (!base) return std::nullopt;

  // Returns the OffsetToData of the entry with `id` (or the first entry when
  // id < 0) in the directory at `dir` (relative to the resource base).
  auto entry = [&](std::uint64_t dir, long id) -> std::optional<std::uint64_t> {
    std::uint64_t at = *base + dir;
    std::size_t named = std::size_t(Get(b, at + 12, 2)), ids = std::size_t(Get(b, at + 14, 2));
    for (std::size_t i = 0; i < named + ids && i < 4096; ++i) {
      std::uint64_t e = at + 16 + i * 8;
      if (e + 8 > b.size()) return std::nullopt;
      std::uint64_t name = Get(b, e, 4), data = Get(b, e + 4, 4);
      if (id < 0 || (!(name & 0x80000000u) && long(name) == id)) return data;
    }
    return std::nullopt;
  };
  auto type = entry(0, 16);
  if (!type || !(*type & 0x80000000u)) return std::nullopt;
  auto name = entry(*type & 0x7FFFFFFF, -1);
  if (!name || !(*name & 0x80000000u)) return std::nullopt;
  auto lang = entry(*name & 0x7FFFFFFF, -1);
  if (!lang || (*lang & 0x80000000u)) return std::nullopt;
  std::uint64_t dataEntry = *base + *lang;
  auto at = toFile(Get(b, std::size_t(dataEntry), 4));
  if (!at) return std::nullopt;
  return Slice(b, *at, Get(b, std::size_t(dataEntry) + 4, 4));
}

// ---- ELF: the section named ".velmar_version"
std::optional<Bytes> FromElf(View b) {
  bool is64 = b.size() > 4 && b[4] == 2;
  std::uint64_t shoff = is64 ? Get(b, 0x28, 8) : Get(b, 0x20, 4);
  std::size_t shentsize = std::size_t(Get(b, is64 ? 0x3A : 0x2E, 2));
  std::size_t shnum = std::size_t(Get(b, is64 ? 0x3C : 0x30, 2));
  std::size_t shstrndx = std::size_t(Get(b, is64 ? 0x3E : 0x32, 2));
  if (shoff == 0 || shentsize == 0 || shstrndx >= shnum) return std::nullopt;
  auto field = [&](std::size_t i, int off64, int off32, int n64, int n32) {
    std::size_t s = std::size_t(shoff) + i * shentsize;
    return is64 ? Get(b, s + std::size_t(off64), n64) : Get(b, s + std::size_t(off32), n32);
  };
  std::uint64_t strtab = field(shstrndx, 0x18, 0x10, 8, 4);
  for (std::size_t i = 0; i < shnum; ++i) {
    std::uint64_t nameAt = strtab + field(i, 0, 0, 4, 4);
    const char kName[] = ".velmar_version";
    if (nameAt > b.size() || sizeof kName > b.size() - nameAt) continue;
    if (std::memcmp(b.data() + nameAt, kName, sizeof kName) == 0)
      return Slice(b, field(i, 0x18, 0x10, 8, 4), field(i, 0x20, 0x14, 8, 4));
  }
  return std::nullopt;
}

// The bytes of a file. On POSIX systems the file is mapped, so that only the
// pages the version search touches are read: the executable is tens of
// megabytes with its debugging information, and reading it whole tripled
// the desktop program's memory at start-up.
class FileBytes {
 public:
  explicit FileBytes(const std::string& path) {
#ifndef _WIN32
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      struct stat st {};
      if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        void* p = ::mmap(nullptr, std::size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (p != MAP_FAILED) {
          map_ = p;
          mapSize_ = std::size_t(st.st_size);
        }
      }
      ::close(fd);
      if (map_) return;
    }
#endif
    if (ReadWholeFile(path, contents_)) read_ = true;
  }
  ~FileBytes() {
#ifndef _WIN32
    if (map_) ::munmap(map_, mapSize_);
#endif
  }
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  bool Ok() const { return map_ != nullptr || read_; }
  View Get() const {
    if (map_) return View(static_cast<const std::uint8_t*>(map_), mapSize_);
    return View(reinterpret_cast<const std::uint8_t*>(contents_.data()), contents_.size());
  }

 private:
  void* map_ = nullptr;
  std::size_t mapSize_ = 0;
  std::string contents_;
  bool read_ = false;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> FindVersionBlock(std::span<const std::uint8_t> file) {
  if (file.size() >= 0x40 && file[0] == 'M' && file[1] == 'Z') return FromPe(file);
  if (file.size() >= 0x34 && file[0] == 0x7F && file[1] == 'E' && file[2] == 'L' && file[3] == 'F')
    return FromElf(file);
  return std::nullopt;
}

TFileVersionInfo::TFileVersionInfo() { SetExecutableFile(ExecutablePath()); }

TFileVersionInfo::TFileVersionInfo(const std::string& executableFile) { SetExecutableFile(executableFile); }

void TFileVersionInfo::SetExecutableFile(const std::string& path) {
  ExecutableFile_ = path;
  std::string* props[] = {&CompanyName,     &FileDescription,  &FileVersion, &InternalName,   &LegalCopyright,
                          &LegalTradeMarks, &OriginalFilename, &ProductName, &ProductVersion, &Comments};
  const char* names[] = {"CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
                         "LegalTradeMarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments"};
  for (std::string* p : props) p->clear();
  CountryCode.clear();

  FileBytes file(path);
  if (!file.Ok()) return;
  auto block = FindVersionBlock(file.Get());
  if (!block) return;
  VersionResource resource(std::move(*block));
  auto translation = resource.Translation();
  if (!translation) return;
  CountryCode = text::IntToHex(translation->first, 4) + text::IntToHex(translation->second, 4);
  for (std::size_t i = 0; i < std::size(props); ++i)
    if (auto s = resource.String(CountryCode, names[i])) *props[i] = *s;
}

}  // namespace velmar::platform
