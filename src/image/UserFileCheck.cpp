// Checking a user's HEX file before a family builder splits it.
#include "image/UserFileCheck.h"

#include "image/TFileLoader.h"

namespace velmar::image {

namespace {

// Every address the accepted formats can name with 24 bits.
constexpr std::uint32_t kAnyAddress = 0x1000000;

}  // namespace

std::optional<std::string> LoadFaultDetail(const std::string& file, const LoadResult& result) {
  if (result.Empty()) return file + " holds no lines";
  if (!result.Failed()) {
    if (result.lastAddress < 0) return file + " holds no data: no record puts a byte into memory";
    return std::nullopt;
  }
  if (result.message.empty()) return file + " is not in a hex format Velmar reads";
  return file + " " + result.message;
}

std::optional<std::string> CheckUserFile(const std::string& file) {
  // Only the text is checked: the data is the builder's to place.
  const LoadResult r = TFileLoader::CheckFile(file, kAnyAddress);
  // Where the data may lie is the family's to judge (16-bit parts place
  // their configuration beyond 16 MiB of byte addresses).
  if (r.fault == LoadFault::beyond_image) return std::nullopt;
  return LoadFaultDetail(file, r);
}

}  // namespace velmar::image
