// The job values of one slot build.
#include "image/SlotJob.h"

#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "image/Useful.h"

namespace velmar::image {

void SlotJob::Reset() {
  config.fill(0xFF);
  protection.fill(0xFF);
  id.fill(0xFF);
  configFound = false;
  configShort = false;
  idCount = 0;
  dataFileName.clear();
  auxiliary = false;
}

void ApplyMask(SlotJob& job, std::string_view mask, int count, std::string_view what) {
  const bool intoConfig = count >= 7;
  std::uint8_t* target = intoConfig ? job.config.data() : job.protection.data();
  const std::size_t room = intoConfig ? job.config.size() : job.protection.size();
  for (std::size_t i = 0; i < std::size_t(count > 0 ? count : 0) && i < room; ++i) {
    std::uint8_t m = 2 * i + 2 <= mask.size() ? HexPairToByte(mask.substr(2 * i, 2), what) : 0xFF;
    target[i] &= m;
  }
}

SaveResult SavePiece(const SlotJob& job, std::string_view name, const THexList& image) {
  // The pieces are made again by every build: no need to sync them.
  return TFileLoader::SaveFile(job.PiecePath(name), image, 1, platform::Durability::scratch, platform::FileOrigin::Own);
}

}  // namespace velmar::image
