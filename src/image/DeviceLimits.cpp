// Range checks of a device record before a slot is built from it.
#include "image/DeviceLimits.h"

#include "devices/DeviceDatabase.h"
#include "image/SlotJob.h"
#include "platform/Text.h"

namespace velmar::image {

namespace {

class Checker {
 public:
  explicit Checker(const devices::TData& d) : d_(d) {}

  void Range(const char* key, long long value, long long lo, long long hi) {
    if (message_ || (value >= lo && value <= hi)) return;
    message_ = "The device record " + d_.DeviceName + " in DEVICES.INI cannot be used:\r" + key + " " +
               std::to_string(value) + " is out of range (" + std::to_string(lo) + " to " + std::to_string(hi) + ")";
  }
  void Even(const char* key, long long value) {
    if (message_ || value % 2 == 0) return;
    message_ = "The device record " + d_.DeviceName + " in DEVICES.INI cannot be used:\r" + key + " " +
               std::to_string(value) + " must be even";
  }
  std::optional<std::string> Result() const { return message_; }

 private:
  const devices::TData& d_;
  std::optional<std::string> message_;
};

}  // namespace

bool IsPic24FJ(const std::string& deviceName) { return text::Contains(deviceName, "FJ"); }

std::optional<std::string> CheckDeviceLimits(const devices::TData& d, int family, std::uint32_t codeImageSize) {
  Checker c(d);
  // The assembly copies FlashSize + 1 code bytes out of the code image.
  c.Range("FlashSize", d.FlashSize, 1, (long long)codeImageSize - 1);
  c.Range("EEPROMSIZE", d.EEPROMSIZE, 0, 0xFFFF);
  const bool writesTimes = family != devices::fam_PIC12F16F;
  if (writesTimes) {
    c.Range("ProgTime", d.ProgTime, 0, 255);
    c.Range("EraseTime", d.EraseTime, 0, 255);
  }
  // Rows are counted by RowSize on the algorithm that programs by rows.
  if (d.Column == 15) c.Range("RowSize", d.RowSize, 1, 255);
  switch (family) {
    case devices::fam_PIC18F:
    case devices::fam_PIC18K:
      c.Range("BufferSize", d.BufferSize, 1, 255);
      c.Range("BlockSize", d.BlockSize, 0, 0xFFFF);
      c.Range("EraseBlocks", d.EraseBlocks, 0, 255);
      c.Range("FuseCount", d.FuseCount, 0, 255);
      break;
    case devices::fam_PIC18J: {
      c.Range("FlashSize", d.FlashSize, 16, kPic18JFileImage);
      c.Range("FlashSize", d.FlashSize, (long long)d.Fuses.size() / 2, kPic18JFileImage);
      c.Range("BufferSize", d.BufferSize, 1, 255);
      c.Range("BlockSize", d.BlockSize, 0, 0xFFFF);
      c.Range("EraseBlocks", d.EraseBlocks, 0, 255);
      break;
    }
    case devices::fam_PIC12F16F: {
      c.Range("FlashSize", d.FlashSize, 2, kPic16FileImage);
      c.Even("FlashSize", d.FlashSize);
      const long long eepromStart = (d.Column == 12 || d.Column == 15) ? 0x1E000 : 0x4200;
      c.Range("EEPROMSIZE", d.EEPROMSIZE, 0, (kPic16FileImage - eepromStart) / 2);
      c.Range("RowSize", d.RowSize, 1, 255);
      c.Range("Column", d.Column, 0, 255);
      c.Range("FuseCount", d.FuseCount, 0, 255);
      break;
    }
    case devices::fam_PIC24F:
    case devices::fam_dsPIC30: {
      const long long instructions = kPic16BitFileImage / 4;
      c.Range("FlashSize", d.FlashSize, 3, instructions * 3 + 2);
      c.Range("BufferSize", d.BufferSize, 1, 255);
      c.Range("BlockSize", d.BlockSize, 0, 0xFFFF);
      // The data EEPROM lies in the top of one 64 KiB file segment.
      c.Range("EEPROMSIZE", d.EEPROMSIZE, 0, 0x8000);
      if (family == devices::fam_PIC24F && (IsPic24FJ(d.DeviceName) || d.Type == "24FJ")) {
        c.Range("FuseCount", d.FuseCount, 1, static_cast<long long>(kConfigByteCount / 2));
        c.Range("FuseCount", d.FuseCount, 1, d.FlashSize / 3);
      } else {
        c.Range("FuseCount", d.FuseCount, 0, static_cast<long long>(kConfigByteCount));
      }
      break;
    }
    default: break;
  }
  return c.Result();
}

}  // namespace velmar::image
