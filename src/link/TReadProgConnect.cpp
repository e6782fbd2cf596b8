// Connection and identification: find and open the programmer's interface
// channel, check its supply, wake it, read the program settings, learn the
// programmer kind and its dataflash geometry, and check its firmware; also
// the portable programmer's unit token.
#include <chrono>
#include <random>

#include "devices/TData.h"
#include "image/THexList.h"
#include "link/D2XXUnit.h"
#include "link/LinkErrors.h"
#include "link/ProgrammerChannels.h"
#include "link/TReadProg.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/SystemRandom.h"
#include "platform/Text.h"

namespace velmar::link {

namespace {

constexpr const char* kSupportContact = "support@velmar.example";
constexpr std::uint8_t kBusyByte = 0xFA;

// From the system's random bytes (the USB emulation of the tests fixes
// them, so that a test's runs give the same token); a generator seeded from
// the clock where the system gives none.
std::uint16_t RandomToken() {
  std::uint8_t bytes[2];
  if (platform::SystemRandomBytes(bytes, sizeof bytes)) return std::uint16_t((bytes[0] << 8 | bytes[1]) % 65535);
  thread_local std::mt19937 generator(std::random_device{}() ^
                                      std::uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
  return std::uint16_t(std::uniform_int_distribution<int>(0, 65534)(generator));
}

}  // namespace

TReadProg::TReadProg(D2XXUnit& unit, platform::Clock& clock, platform::Notices& notices, devices::TData& data,
                     platform::MessagePump& pump)
    : TokenSource(RandomToken), unit_(unit), clock_(clock), notices_(notices), data_(data), pump_(pump) {}

TReadProg::~TReadProg() = default;

void TReadProg::Progress(int done, int total) {
  if (OnProgress) OnProgress(done, total);
}

void TReadProg::Message(const std::string& text) {
  if (OnMessage) OnMessage(text);
}

void TReadProg::Tell(platform::NoticeLevel level, const std::string& text) {
  found_.notices.push_back(text);
  notices_.Tell(level, text);
}

std::string TReadProg::ListFailureDetail(std::uint32_t index, std::uint32_t status) {
  // Past the listed devices the query fails by design: that ends the search.
  if (status == FT_DEVICE_NOT_FOUND && index >= unit_.DeviceCount) return {};
  const std::string text = FtStatusText(status);
  const std::string why = unit_.WithCheckAdvice(unit_.Driver().LastError());
  return "\rGetFTDeviceDescription (device " + std::to_string(index) + " of " + std::to_string(unit_.DeviceCount) +
         ")" + text + " (status " + std::to_string(status) + ")" +
         (why.empty() ? "\rThe interface did not give its description: unplug and replug it, and close other "
                        "programs that use it"
                      : "\r" + why);
}

bool TReadProg::OpenLink() {
  LinkOpen = false;
  WakeLine = 5;
  PostTransferLine = 2;
  SelectLine = 3;
  EnableLine = 1;
  InterfaceIndex = 0;
  SpeedIndex = 1;
  SetSpeed(1);
  ProgrammerAnswered = false;
  unit_.FTErrorReports = false;

  std::string problem = unit_.Driver().Problem();
  if (!problem.empty()) throw EISPException(problem);

  unit_.DeviceCount = 0;
  unit_.GetFTDeviceCount();
  if (unit_.DeviceCount == 0) throw EISPException(unit_.WithNoDeviceAdvice("No USB devices found!"));

  int channels = 0;
  for (std::uint32_t index = 0; index < SerialNumbers.size(); ++index) {
    if (FT_STATUS failed = unit_.GetFTDeviceDescription(index); failed != FT_OK)
      throw EISPException(
          "Error Opening USB Port - unplug and reconnect dongle\rOther Programs or hardware may be holding port" +
          ListFailureDetail(index, failed));
    if (unit_.ListText != kProgrammerChannel) continue;
    unit_.GetFTDeviceSerialNo(index);
    SerialNumbers[index] = unit_.ListText;
    if (!unit_.ListText.empty()) ++channels;
    if (unit_.ListText == kProgrammerSerial) {
      ProgrammerAnswered = true;
      InterfaceIndex = int(index);
      break;
    }
  }
  if (channels == 0) throw EISPException(unit_.WithNoDeviceAdvice("No USB Dongle available"));

  unit_.CloseFTDevice();
  FT_STATUS status = unit_.Open_USB_Device_By_Serial_Number(kProgrammerSerial);
  if (status == FT_DEVICE_NOT_FOUND) {
    DeselectLink();
    AbortLink();
    throw EISPException("USB device was not found");
  }
  if (status != FT_OK) {
    // Going on with a handle that did not open would only fail later and
    // less clearly.
    std::string text = FtStatusText(status);
    std::string why = unit_.WithCheckAdvice(unit_.Driver().LastError());
    if (why.empty() && status == FT_DEVICE_NOT_OPENED)
      why = unit_.WithCheckAdvice(
          "The channel is held: by the kernel's serial driver (unload it: sudo rmmod ftdi_sio) or by another "
          "program (close it), or this user may not open it",
          "says which");
    throw EISPException("USB device could not be opened\rOpen_USB_Device_By_Serial_Number" +
                        (text.empty() ? " - status " + std::to_string(status) : text) +
                        (why.empty() ? "" : "\r" + why));
  }

  // The handle is the driver's until closed: a failure before the link is
  // open closes it again.
  try {
    unit_.UserAreaBuffer.fill(0);
    FT_STATUS ua = unit_.ReadFTUserArea();
    VoltageSensing = ua == FT_OK && unit_.UserAreaLength > 8 && unit_.UserAreaBuffer[8] == '1';

    SetupChannel();

    if (VoltageSensing) {
      Write({0x80, 0x02, 0xF3});
      unit_.TxBuffer[0] = 0x81;
      Wait(25);
      WriteAwaitingReply(1);
      ReadReply(1);
      LowPinState = unit_.RxBuffer[0];
      if (LowPinState & 0x04) {
        CloseLink(false);
        throw EISPException("No Voltage Detected! Check battery or power supply");
      }
    }

    SelectLink();
  } catch (...) {
    ReleaseHandle();
    throw;
  }
  LinkOpen = true;
  return true;
}

void TReadProg::CloseLink(bool cyclePort) {
  DeselectLink();
  EndTransfer();
  unit_.GetFTDeviceCount();
  if (unit_.DeviceCount != 0) {
    if (cyclePort) unit_.CycleFTPort();
    unit_.CloseFTDevice();
  } else {
    // The interface has gone, but its handle (and with it the channel's
    // claim) is the driver's until closed.
    ReleaseHandle();
  }
  LinkOpen = false;
}

void TReadProg::ReleaseHandle() {
  if (!unit_.DeviceHandle) return;
  // Without a report: the failure that brought us here already said what happened.
  const bool reports = unit_.FTErrorReports;
  unit_.FTErrorReports = false;
  unit_.CloseFTDevice();
  unit_.FTErrorReports = reports;
}

void TReadProg::ReadSettings() {
  std::string path = ProgramFolder + "progsetting.ini";
  if (!platform::FileExists(path)) {
    // A warning rather than a plain message: the command line prints it on
    // stderr, where a missing program folder belongs.
    Tell(platform::NoticeLevel::warning, "Cannot find settings files in\r" + ProgramFolder + "\r" +
                                             "Installer gives location of setting files folder on first page" + "\r" +
                                             "Move files to location above or contact " + kSupportContact +
                                             (ProgramFolderReport.empty() ? "" : "\r" + ProgramFolderReport));
  }
  platform::IniFile ini(path);
  if (platform::FileExists(path) && !ini.Exists()) throw EISPException("Error Opening Settings File\r" + path);
  const std::string s = "AppSetting";
  Geometry.ExpectedPicVersion = std::uint8_t(ini.ReadInteger(s, "SVERQRX", 226));
  Geometry.ExpectedPic24Version = std::uint8_t(ini.ReadInteger(s, "SVERQRX24", 227));
  Geometry.ExpectedPortableVersion = std::uint8_t(ini.ReadInteger(s, "SVERQRXPRIMA", 130));
  data_.FirmwareQRX = platform::NativeRelative(ini.ReadString(s, "FirmwareQRX", "FirmWare\\qrxpicusb.upd"));
  data_.FirmwareQRX24 = platform::NativeRelative(ini.ReadString(s, "FirmwareQRX24", "FirmWare\\qrxpic24.upd"));
  data_.FirmwareQRXPrima = platform::NativeRelative(ini.ReadString(s, "FirmwareQRXPrima", "FirmWare\\primafw.upd"));
  data_.HardwareVersion = ini.ReadString(s, "HVERQRX", "02");
  PCPRIMA = ini.ReadString(s, "PCPRIMA", "5.0.0");
  PCQRX = ini.ReadString(s, "PCQRX", "5.0.0");
}

const IdentifyFindings& TReadProg::Identify() {
  found_ = IdentifyFindings{};
  try {
    IdentifySteps();
  } catch (const EFirmwareUpdate&) {
    found_.updateNeeded = true;
    if (OnIdentified) OnIdentified(found_);
    throw;
  } catch (...) {
    if (OnIdentified) OnIdentified(found_);
    throw;
  }
  if (OnIdentified) OnIdentified(found_);
  return found_;
}

void TReadProg::IdentifySteps() {
  if (LinkOpen) CloseLink(false);
  OpenLink();
  Pic24OnStandard = false;
  try {
    WakeProgrammer();
  } catch (const std::exception&) {
    throw EISPException(link_text::kNotDetected);
  }
  SettleLines();
  ReadSettings();

  if (TakeForcedUpdate && TakeForcedUpdate()) {
    found_.forcedUpdateTaken = true;
    throw EFirmwareUpdate("Programmer Firmware update Requested");
  }

  try {
    IdentifyKind();
    SendByte('V');
    if (ReceiveByte() != '*') throw EISPException("Cannot read software version");
    std::uint8_t replies[2];
    ReceiveRun({ReplyTake::receive, ReplyTake::receive}, replies);
    const std::uint8_t version = replies[0];
    FirmwareVersion = version;
    data_.LoadedFirmware = devices::fw_none;
    if (version == 0xFF) throw EISPException(link_text::kNotResponding);
    CheckFirmware(version);
  } catch (const EISPException& e) {
    // No reply at all while identifying is what a programmer whose update was
    // cut off gives: say how to repair it after the link's own words.
    const std::string text = e.what();
    if (text.find(link_text::kNoReply) != std::string::npos)
      throw EISPException(text + "\r" + link_text::kFirmwareMayBeGone);
    throw EISPException(text);
  } catch (const EFirmwareUpdate& e) {
    throw EFirmwareUpdate(e.what());
  } catch (const std::exception& e) {
    // Returning as if identified would leave the kind at 255 for the caller.
    throw EISPException(std::string("Unhandled Error ") + e.what());
  }
}

void TReadProg::IdentifyKind() {
  Geometry.Kind = slot::kind_unknown;
  SendByte('D');
  std::uint8_t reply = ReceiveByte();
  if (reply == '?') throw EFirmwareUpdate(link_text::kNeedsUpdate);
  if (reply != '*') {
    for (int i = 0; i < 3; ++i) ReceiveByte();
    bool answered = false;
    for (int retry = 0; retry < 2 && !answered; ++retry) {
      if (LinkOpen) CloseLink(false);
      OpenLink();
      SettleLines();
      Wait(500);
      SendByte('D');
      reply = ReceiveByte();
      if (reply == '?') throw EFirmwareUpdate(link_text::kNeedsUpdate);
      answered = reply == '*';
    }
    if (!answered) throw EFirmwareUpdate("Programmer Needs Firmware update or Flat battery");
  }

  found_.kindAsked = true;
  std::uint8_t identity[3];
  ReceiveRun({ReplyTake::receive, ReplyTake::receive, ReplyTake::receive}, identity);
  const std::uint8_t manufacturer = identity[0], device = identity[1];
  Use256Pages = false;

  const std::optional<slot::ProgrammerKind> identified = slot::KindFromIdentity(manufacturer, device);
  if (!identified)
    throw EISPException(
        "Programmer Not Recognised. Please unplug USB dongle, power down programmer and try again \rIf problem "
        "persists, check battery voltage\r Dataflash ID wrong " +
        text::IntToHex(manufacturer, 2) + text::IntToHex(device, 2));
  const slot::ProgrammerKind kind = *identified;
  Geometry.ApplyKind(kind);

  const slot::KindInfo& row = slot::KindRow(kind);
  if (row.identifyQuery == slot::IdentifyQuery::binaryModeStatus) {
    SendByte('S');
    SendByte(0x00);
    std::uint8_t replies[2];
    ReceiveRun({ReplyTake::receive, ReplyTake::receive}, replies);
    const std::uint8_t status = replies[0];
    if ((status & 0x01) == 0) {
      SendByte('B');
      if (ReceiveByte() != '!') throw EISPException("Unable to change to Binary Mode");
      Tell(platform::NoticeLevel::information, "Cycle Programmer power to Set Binary Mode");
    }
  } else if (row.identifyQuery == slot::IdentifyQuery::versionAndStatus) {
    SendByte('v');
    std::uint8_t replies[3];
    ReceiveRun({ReplyTake::receive, ReplyTake::receive, ReplyTake::receive}, replies);
    const std::uint8_t hardware = replies[1];
    found_.hardwareVersion = hardware;
    Use256Pages = true;
    SendByte('S');
    SendByte(0x00);
    ReceiveRun({ReplyTake::receive, ReplyTake::receive}, replies);
  }
  Geometry.SlotCount = Geometry.Capacity / Geometry.SlotSize;
  found_.kind = kind;
  found_.loaderVersion = row.title == slot::TitleLine::portable ? PCPRIMA : PCQRX;
}

void TReadProg::CheckFirmware(std::uint8_t version) {
  using enum slot::FirmwareLine;
  const slot::FirmwareLine line = slot::KindRow(Geometry.Kind).firmware;
  if (line == portable) {
    data_.LoadedFirmware = devices::fw_portable;
    found_.recognisedFirmware = devices::fw_portable;
    if (version != Geometry.ExpectedPortableVersion) {
      if (version < 149)
        Tell(platform::NoticeLevel::error,
             "New Firmware version\rYou MUST erase programmer using Erase button once firmware update is "
             "complete\rProgram list will be wrong unless programmer is reloaded");
      throw EFirmwareUpdate(link_text::kNeedsUpdatePressOk);
    }
    return;
  }
  if (version == Geometry.ExpectedPicVersion) {
    data_.LoadedFirmware = devices::fw_pic;
    found_.recognisedFirmware = devices::fw_pic;
    return;
  }
  if (version == Geometry.ExpectedPic24Version) {
    if (line == pic) {
      Pic24OnStandard = true;
      throw EFirmwareUpdate(link_text::kNeedsUpdatePressOk);
    }
    data_.LoadedFirmware = devices::fw_pic24;
    found_.recognisedFirmware = devices::fw_pic24;
    return;
  }
  data_.LoadedFirmware = version < 0x80 ? devices::fw_pic24 : devices::fw_pic;
  if (version < 220 && data_.LoadedFirmware == devices::fw_pic)
    Tell(platform::NoticeLevel::warning,
         std::string("New Firmware version\r") +
             "We recommend that you clear programmer using Erase button once firmware update is "
             "complete\rLimit Count and Checksum will not work unless programmer is reloaded");
  throw EFirmwareUpdate(link_text::kNeedsUpdatePressOk);
}

void TReadProg::NewToken() {
  // A token byte of 0xFA would come back looking like the programmer's busy
  // marker: the byte after it would be taken for it, and the programmer
  // would not be recognised (nor the wire the same from run to run).
  std::uint16_t token = std::uint16_t(TokenSource() % 65535);
  if ((token >> 8) == kBusyByte) token ^= 0x0100;
  if ((token & 0xFF) == kBusyByte) token ^= 0x0001;
  UnitToken = token;
  SendByte('n');
  SendByte(std::uint8_t(UnitToken >> 8));
  SendByte(std::uint8_t(UnitToken & 0xFF));
  ReceiveByte();
}

bool TReadProg::CheckSameUnit() {
  if (UnitToken == 0) {
    NewToken();
    return true;
  }
  SendByte('N');
  std::uint8_t replies[4];
  ReceiveRun({ReplyTake::receive, ReplyTake::receive, ReplyTake::receive, ReplyTake::receive}, replies);
  const std::uint8_t high = replies[1], low = replies[2];
  if (std::uint16_t(high << 8 | low) == UnitToken) return true;
  NewToken();
  return false;
}

}  // namespace velmar::link
