// The firmware updater: serial programming of the programmer's controller.
#include "firmware/TUpdateProg.h"

#include <filesystem>
#include <memory>
#include <vector>

#include "devices/TData.h"
#include "firmware/TFirmwareFile.h"
#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "link/D2XXUnit.h"
#include "link/LinkErrors.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/ThreadPriority.h"

namespace velmar::firmware {

using link::EISPException;
namespace txt = update_text;

namespace {

constexpr int kFuseSpeed = 7;
constexpr std::uint8_t kLowFuse = 0x2F;
constexpr std::uint8_t kHighFuseExtended = 0x99;  // ATmega128
constexpr std::uint8_t kHighFuse = 0xD9;          // ATmega8515
constexpr std::uint8_t kExtendedFuse = 0xFF;
constexpr std::uint32_t kVerifyBlocks = 64;
constexpr std::uint32_t kWriteWaitMs = 45;
constexpr std::uint32_t kPageWaitMs = 50;

// Reads, checks and deciphers the firmware file, with the update's messages.
TFirmwareFile LoadFirmwareFile(const std::string& file) {
  std::vector<std::string> lines;
  try {
    lines = TFirmwareFile::ReadLines(file);
  } catch (const image::EFileOpenError&) {
    throw EISPException(NotFoundMessage(file));
  } catch (const std::exception&) {
    throw EISPException(CorruptedMessage(file));
  }
  try {
    TFirmwareCipher cipher;
    cipher.SetKey();
    return TFirmwareFile::Decode(std::move(lines), cipher);
  } catch (const std::exception&) {
    throw EISPException(CorruptedMessage(file));
  }
}

}  // namespace

std::string FirmwarePath(const std::string& programFolder, const std::string& fileName) {
  std::string native = platform::NativeRelative(fileName);
  if (platform::PathOf(native).is_absolute()) return native;
  return platform::WithSeparator(programFolder) + native;
}

TUpdateProg::TUpdateProg(link::D2XXUnit& unit, platform::Clock& clock, platform::Notices& notices, devices::TData& data,
                         platform::MessagePump& pump, platform::ThreadPriority& priority)
    : TReadProg(unit, clock, notices, data, pump), priority_(priority) {}

std::uint8_t TUpdateProg::Instruction(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  const std::uint8_t bytes[4] = {a, b, c, d};
  TransferBlock(bytes, 4);
  return unit_.RxBuffer[3];
}

std::string TUpdateProg::ReadSignature() {
  SetSpeed(kFuseSpeed);
  std::string signature;
  for (std::uint8_t i = 0; i < 3; ++i) signature += text::IntToHex(Instruction(0x30, 0xFF, i, 0xFF), 2);
  SetSpeed(SpeedIndex);
  return signature;
}

std::string TUpdateProg::EnterProgrammingMode() {
  std::string signature;
  try {
    WakeProgrammer();
    signature = ReadSignature();
    if (signature == kSignatureNoAnswer) {
      // The controller echoed instead of answering: enter programming mode
      // afresh, once letting it run and once holding it.
      UpdateMode = false;
      WakeProgrammer();
      UpdateMode = true;
      WakeProgrammer();
      signature = ReadSignature();
    }
  } catch (const std::exception&) {
    UpdateMode = true;
    throw EISPException(txt::kNoIspMode);
  }
  return signature;
}

std::string TUpdateProg::SetUpForController(const std::string& signature, const std::string& path, bool& extendedFuse) {
  platform::IniFile ini(ProgramFolder + "progsetting.ini");
  const std::string s = "AppSetting";
  const bool atmega128 = signature == kSignatureATmega128;
  // A fresh link's expected versions are placeholders until the settings
  // are read; the versions a file must carry come from the settings, as at
  // every identification.
  Geometry.ExpectedPicVersion = std::uint8_t(ini.ReadInteger(s, "SVERQRX", 226));
  Geometry.ExpectedPic24Version = std::uint8_t(ini.ReadInteger(s, "SVERQRX24", 227));
  Geometry.ExpectedPortableVersion = std::uint8_t(ini.ReadInteger(s, "SVERQRXPRIMA", atmega128 ? 128 : 130));
  if (atmega128) {
    // The portable programmer's controller takes the portable firmware only;
    // its file lies in the program folder like every other firmware file.
    ControllerPageSize = 256;
    ControllerFlashSize = 0x20000;
    extendedFuse = true;
    return FirmwarePath(ProgramFolder, ini.ReadString(s, "FirmwareQRXPrima", "FirmWare\\primafw.upd"));
  }
  if (signature == kSignatureATmega8515) {
    ControllerPageSize = 64;
    ControllerFlashSize = 0x2000;
    extendedFuse = false;
    return path;
  }
  // Another part of the same maker: its page and flash sizes are unknown.
  throw EISPException(txt::kBadSignature);
}

void TUpdateProg::ChipErase() {
  for (int i = 0; i < 2; ++i) {
    Instruction(0xAC, 0x80, 0xFF, 0xFF);
    Wait(kWriteWaitMs);
  }
  SetSpeed(SpeedIndex);
}

bool TUpdateProg::ProgramFuses(bool extendedFuse) {
  SetSpeed(kFuseSpeed);
  const std::uint8_t high = extendedFuse ? kHighFuseExtended : kHighFuse;
  if (Instruction(0x50, 0x00, 0xFF, 0xFF) == kLowFuse && Instruction(0x58, 0x08, 0xFF, 0xFF) == high) {
    SetSpeed(SpeedIndex);
    return false;
  }
  Instruction(0xAC, 0xA0, 0x00, kLowFuse);
  Wait(kWriteWaitMs);
  Instruction(0xAC, 0xA8, 0x00, high);
  Wait(kWriteWaitMs);
  if (extendedFuse) {
    Instruction(0xAC, 0xA4, 0x00, kExtendedFuse);
    Wait(kWriteWaitMs);
  }
  SetSpeed(SpeedIndex);
  return true;
}

void TUpdateProg::ProgramFlash(const image::THexList& image) {
  const std::uint32_t pageSize = ControllerPageSize;
  const std::uint32_t pages = ControllerFlashSize / pageSize;
  const std::uint32_t wordMask = pageSize / 2 - 1;
  std::vector<std::uint8_t> tx(pageSize * 4 + 4);
  for (std::uint32_t p = 0; p < pages; ++p) {
    std::uint8_t* t = tx.data();
    for (std::uint32_t k = 0; k < pageSize; ++k, t += 4) {
      t[0] = (k & 1) ? 0x48 : 0x40;
      t[1] = 0xFF;
      t[2] = std::uint8_t((k / 2) & wordMask);
      t[3] = image.GetValue(p * pageSize + k);
    }
    const std::uint32_t word = p * pageSize / 2;
    t[0] = 0x4C;
    t[1] = std::uint8_t(word >> 8);
    t[2] = std::uint8_t(word & 0xFF & ~wordMask);
    t[3] = 0xFF;
    TransferBlock(tx.data(), std::uint32_t(tx.size()));
    Wait(kPageWaitMs);
    Progress(int(p), int(pages));
  }
}

std::uint32_t TUpdateProg::CompareFlash(const image::THexList& image) {
  platform::RaisedPriority raised(priority_);
  const std::uint32_t block = ControllerFlashSize / kVerifyBlocks;
  std::vector<std::uint8_t> tx(block * 4);
  std::vector<std::uint8_t> read(ControllerFlashSize, 0xFF);
  for (std::uint32_t b = 0; b < kVerifyBlocks; ++b) {
    for (std::uint32_t i = 0; i < block; ++i) {
      const std::uint32_t address = b * block + i;
      const std::uint32_t word = address / 2;
      tx[4 * i] = (address & 1) ? 0x28 : 0x20;
      tx[4 * i + 1] = std::uint8_t(word >> 8);
      tx[4 * i + 2] = std::uint8_t(word & 0xFF);
      tx[4 * i + 3] = 0xFF;
    }
    TransferBlock(tx.data(), std::uint32_t(tx.size()));
    for (std::uint32_t i = 0; i < block; ++i) read[b * block + i] = unit_.RxBuffer[4 * i + 3];
    Progress(int(b), int(kVerifyBlocks));
  }
  std::uint32_t errors = 0;
  for (std::uint32_t a = 0; a < ControllerFlashSize; ++a) errors += read[a] != image.GetValue(a);
  return errors;
}

void TUpdateProg::Verify(const image::THexList& image) {
  const std::uint32_t errors = CompareFlash(image);
  if (errors)
    throw EISPException("Flash Failed Verify - " + std::to_string(errors) +
                        " errors found : Check Setup button for options");
}

void TUpdateProg::WriteLockBits() { Instruction(0xAC, 0xFF, 0xFF, 0xFC); }

void TUpdateProg::EraseAfterFailure() {
  try {
    CloseLink(false);
    OpenLink();
    // After the link is opened again the controller has to be put back into
    // programming mode, or it ignores the erase.
    WakeProgrammer();
    ChipErase();
    CloseLink(false);
  } catch (const std::exception&) {
    try {
      if (LinkOpen) CloseLink(false);
    } catch (const std::exception&) {
    }
  }
}

void TUpdateProg::Update(const std::string& path, int requiredFirmware) {
  struct ModeReset {
    bool& mode;
    ~ModeReset() { mode = false; }
  } modeReset{UpdateMode};
  UpdateMode = true;
  Message(txt::kStarting);

  if (LinkOpen) CloseLink(false);
  OpenLink();
  Wait(1750);
  const std::string signature = EnterProgrammingMode();
  if (signature.substr(0, 2) != "1E") throw EISPException(txt::kBadSignature);
  bool extendedFuse = false;
  const std::string file = SetUpForController(signature, path, extendedFuse);

  const TFirmwareFile firmware = LoadFirmwareFile(file);
  // The ATmega128 is given the portable firmware whatever was asked for, so
  // its file carries the portable version.
  const int required = signature == kSignatureATmega128 ? devices::fw_portable : requiredFirmware;
  const std::uint8_t expected = required == devices::fw_pic     ? Geometry.ExpectedPicVersion
                                : required == devices::fw_pic24 ? Geometry.ExpectedPic24Version
                                                                : Geometry.ExpectedPortableVersion;
  if (firmware.Version() != TFirmwareFile::VersionText(expected)) throw EISPException(txt::kWrongVersion);
  auto image = std::make_unique<image::THexList>(ControllerFlashSize);
  if (!firmware.LoadInto(*image)) throw EISPException(CorruptedMessage(file));

  Message(txt::kOpening + firmware.Version());
  Wait(1000);
  Message(txt::kErasing);
  ChipErase();

  Message(txt::kFuses);
  if (ProgramFuses(extendedFuse)) {
    // New fuses take effect when the controller restarts.
    WakeLowLines();
    Wait(500);
    IdleLowLines();
    Wait(500);
    WakeProgrammer();
  }

  // From the first page written on, a failure leaves the controller erased
  // rather than holding part of an image.
  try {
    Message(txt::kProgramming);
    {
      platform::RaisedPriority raised(priority_);
      ProgramFlash(*image);
    }
    Message(txt::kVerifying);
    Verify(*image);
  } catch (const std::exception&) {
    EraseAfterFailure();
    throw EISPException(txt::kUpdateFailed);
  }

  Message(txt::kLockbits);
  WriteLockBits();
  Wait(kWriteWaitMs);
  Message(txt::kClosing);
  CloseLink(false);
  Message(txt::kCompleted);
  Wait(500);
  Message(txt::kReading);
  Wait(500);
}

}  // namespace velmar::firmware
