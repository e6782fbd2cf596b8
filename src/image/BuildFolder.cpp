// A private folder per slot build, published into the working folder.
#include "image/BuildFolder.h"

#include <chrono>
#include <filesystem>
#include <random>
#include <system_error>

#include "image/ISPDefs.h"
#include "image/SlotJob.h"
#include "platform/Paths.h"

namespace velmar::image {

namespace fs = std::filesystem;

namespace {

// A build takes seconds; a folder of this age was left by a killed run.
constexpr auto kAbandonedAfter = std::chrono::hours(24);

constexpr const char* kPieces[] = {piece::kFlash, piece::kEeprom, piece::kE2,       piece::kFuses,
                                   piece::kOtp,   piece::kHeader, piece::kFlashTest};

void RemoveAbandoned(const std::string& workingFolder) {
  std::error_code ec;
  const auto now = fs::file_time_type::clock::now();
  for (fs::directory_iterator it(platform::PathOf(workingFolder), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = platform::Utf8Of(it->path().filename());
    if (name.rfind(BuildFolder::kPrefix, 0) != 0) continue;
    std::error_code entryError;
    if (!it->is_directory(entryError) || it->is_symlink(entryError)) continue;
    const auto written = it->last_write_time(entryError);
    if (!entryError && now - written > kAbandonedAfter) fs::remove_all(it->path(), entryError);
  }
}

std::string UniqueSuffix() {
  thread_local std::mt19937_64 generator{std::random_device{}() ^
                                         std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count())};
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string s;
  for (int i = 0; i < 12; ++i) s += digits[generator() % 36];
  return s;
}

}  // namespace

BuildFolder::BuildFolder(const std::string& workingFolder) : workingFolder_(workingFolder) {
  RemoveAbandoned(workingFolder);
  std::error_code ec;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = workingFolder + kPrefix + UniqueSuffix();
    if (fs::create_directory(platform::PathOf(candidate), ec)) {
      path_ = candidate + platform::kPathSeparator;
      return;
    }
    if (ec) break;  // exists: try another name; any other error is final
  }
  throw EImageError("Cannot create a build folder in " + workingFolder +
                    (ec ? ": " + ec.message() : std::string(": every name tried exists")));
}

BuildFolder::~BuildFolder() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(platform::PathOf(path_), ec);
}

void BuildFolder::Publish() const {
  for (const char* name : kPieces) {
    const fs::path made = platform::PathOf(path_ + name);
    const fs::path shown = platform::PathOf(workingFolder_ + name);
    std::error_code ec;
    const fs::file_status there = fs::symlink_status(shown, ec);
    // A rename replaces a file or a link planted there (never writes through
    // it); a folder or a device at the name is left alone.
    if (fs::exists(there) && !fs::is_regular_file(there) && !fs::is_symlink(there)) continue;
    if (fs::is_regular_file(fs::symlink_status(made, ec)))
      fs::rename(made, shown, ec);
    else if (fs::exists(there) || fs::is_symlink(there))
      fs::remove(shown, ec);
  }
}

}  // namespace velmar::image
