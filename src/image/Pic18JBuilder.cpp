// The PIC18J family builder. J devices keep their configuration words in the
// last bytes of program memory, so the builder loads the user's file into an
// image, masks those bytes, forces the background debugger off and saves the
// image as kf_flash.hex. J jobs have no data memory.
#include "devices/DeviceDatabase.h"
#include "image/BuildQuestions.h"
#include "image/DeviceLimits.h"
#include "image/HeaderBuilders.h"
#include "image/Pic18Builder.h"
#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "image/Useful.h"
#include "image/UserFileCheck.h"

namespace velmar::image {

namespace {

constexpr const char* kDefaultMask = "FFF7FFFFFFFFFFFF";
constexpr const char* kDefaultMaskJ94 = "FFF7FFFFFFFFFFFFFFFFFFFFFFFFFFFF";

// Steps after the load; any failure here is a bad file or a wrong device.
bool MaskConfiguration(SlotJob& job, const BuildOptions& options, THexList& image, BuildQuestions& dialogs) {
  devices::TData& d = job.device;
  bool result = true;
  if (image.LastUsed() > std::int64_t(d.FlashSize) - 1 &&
      !dialogs.AskYesNo("Code Size is larger than device size - Continue?", "File Size Warning"))
    result = false;

  // The mask that will be applied: the device's own, or the default one that
  // keeps every bit but bit 3 of the second configuration byte.
  const bool ownMask = !d.Fuses.empty() && options.unusedFuses;
  const std::string mask = ownMask ? d.Fuses : (d.Type == "J94" ? kDefaultMaskJ94 : kDefaultMask);
  // Bit 3 of the second configuration byte is cleared whatever the mask. Its
  // place follows the device's own mask length; a device without a mask uses
  // the default one's, so the byte stays inside program memory.
  const std::size_t ownLength = (d.Fuses.empty() ? mask.size() : d.Fuses.size()) / 2;
  const std::uint32_t second = std::uint32_t(d.FlashSize - std::int64_t(ownLength) + 1);
  image.SetValue(second, BitClear(image.GetValue(second), 3));

  d.Fuses = mask;
  const std::size_t n = mask.size() / 2;
  const std::uint32_t first = std::uint32_t(d.FlashSize - std::int64_t(n));
  const std::string maskKey = ownMask ? DeviceKey(d, "Fuses") : std::string();
  for (std::size_t i = 0; i < n; ++i)
    image.SetValue(first + i,
                   image.GetValue(first + i) & HexPairToByte(std::string_view(mask).substr(2 * i, 2), maskKey));
  image.SetValue(first, BitSet(7, image.GetValue(first)));  // background debugger off

  const SaveResult saved = SavePiece(job, piece::kFlash, image);
  if (saved.Failed()) throw std::runtime_error(saved.message);
  job.dataFileName.clear();
  return result;
}

}  // namespace

bool BuildPic18J(SlotJob& job, const BuildOptions& options, BuildQuestions& dialogs) {
  if (auto refusal = CheckDeviceLimits(job.device, devices::fam_PIC18J)) {
    dialogs.ShowError(*refusal, "Error");
    return false;
  }
  THexList image(kPic18JFileImage);
  try {
    const LoadResult loaded = TFileLoader::LoadFile(job.userFile, image);
    if (std::optional<std::string> fault = LoadFaultDetail(job.userFile, loaded)) {  // an empty file is no program
      dialogs.ShowWarning("Bad File Data\r" + job.userFile + "\rQuitting\r" + *fault, "File Warning");
      return false;
    }
  } catch (const std::exception& e) {
    dialogs.ShowError(e.what(), "File Load Error");
    return false;
  }
  try {
    return MaskConfiguration(job, options, image, dialogs);
  } catch (const std::exception& e) {
    dialogs.ShowError(std::string("Error in Hex file or file for different device or file not found\r") + e.what(),
                      "Bad File Error");
    return false;
  }
}

}  // namespace velmar::image
