// Opening and identifying the simulated programmer: the kind table, what the
// window is told, the firmware check, and every failure message.
#include <algorithm>

#include <gtest/gtest.h>

#include "link/LinkErrors.h"
#include "link/SimRig.h"
#include "platform/Paths.h"

namespace velmar::link {
namespace {

using namespace velmar::slot;

using test::MessageOf;
using test::SimRig;

struct KindCase {
  int kind;
  std::uint32_t capacity, slotSize, pageSize, slots, codeLimit;
  const char* title;
  bool countControls;
};

class IdentifyEachKind : public ::testing::TestWithParam<KindCase> {};

TEST_P(IdentifyEachKind, SetsGeometryFirmwareAndWindow) {
  const KindCase c = GetParam();
  SimRig rig(c.kind);
  TReadProg& p = rig.Make();
  p.Identify();
  EXPECT_EQ(p.Geometry.Kind, c.kind);
  EXPECT_EQ(p.Geometry.Capacity, c.capacity);
  EXPECT_EQ(p.Geometry.SlotSize, c.slotSize);
  EXPECT_EQ(p.Geometry.PageSize, c.pageSize);
  EXPECT_EQ(p.Geometry.SlotCount, c.slots);
  EXPECT_EQ(p.Geometry.CodeImageLimit, c.codeLimit);
  EXPECT_EQ(p.Use256Pages, c.kind == kind_portable);
  EXPECT_TRUE(p.LinkOpen);
  EXPECT_TRUE(p.VoltageSensing);
  EXPECT_EQ(rig.window.title, c.title);
  EXPECT_EQ(rig.window.countControlsVisible, c.countControls);
  EXPECT_EQ(rig.data.LoadedFirmware, c.kind == kind_portable ? devices::fw_portable : devices::fw_pic);
  EXPECT_EQ(rig.data.FirmwareQRX, std::string("FirmWare") + platform::kPathSeparator + "qrxpicusb.upd");
  EXPECT_TRUE(rig.dialogs.shown.empty()) << rig.dialogs.LastText();
  // The fixed waits of open, set-up, supply check, wake-up and settle.
  EXPECT_EQ(rig.clock.SleptMs(), 100u + 500 + 25 + 50 + 3 * 750);
  p.CloseLink(false);
  EXPECT_FALSE(p.LinkOpen);
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, IdentifyEachKind,
    ::testing::Values(KindCase{0, 270336, 270336, 264, 1, 262144, "Torvik USB Handheld Programmer v5.0.0", true},
                      KindCase{1, 270336, 270336, 264, 1, 262144, "Torvik USB Handheld Programmer v5.0.0", true},
                      KindCase{2, 2097152, 262144, 512, 8, 262144, "Torvik USB Handheld Programmer v5.0.0", false},
                      KindCase{3, 8388608, 264192, 256, 31, 262144, "Torvik USB Portable Programmer v5.0.0", false},
                      KindCase{4, 4194304, 524288, 512, 8, 264192, "Torvik USB Handheld Programmer v5.0.0", false},
                      KindCase{5, 540672, 540672, 264, 1, 262144, "Torvik USB Handheld Programmer v5.0.0", true}));

TEST(Identify, ThePortableReportsItsHardwareVersionAndAlwaysUses256BytePages) {
  for (int hw : {1, 2}) {
    SimRig rig(kind_portable);
    rig.state.hardware = hw;
    TReadProg& p = rig.Make();
    p.Identify();
    EXPECT_TRUE(rig.window.programmerVersionVisible);
    EXPECT_EQ(rig.window.programmerVersion, hw == 2 ? "Programmer Version 2" : "Programmer Version 1");
    EXPECT_EQ(rig.window.programmerFirmware, "Portable Programmer Firmware");
    EXPECT_EQ(p.Geometry.PageSize, 256u);
    EXPECT_TRUE(p.Use256Pages);
  }
}

TEST(Identify, AnEightWayInStandardPagesIsSwitchedAndTheUserToldToCyclePower) {
  SimRig rig(kind_8way);
  rig.state.flash = std::make_unique<sim::Dataflash>(sim::FlashFor(kind_8way), false);
  TReadProg& p = rig.Make();
  p.Identify();
  EXPECT_EQ(p.Geometry.Kind, kind_8way);
  EXPECT_EQ(rig.dialogs.LastText(), "Cycle Programmer power to Set Binary Mode");
  EXPECT_TRUE(rig.Sim().binaryPending);
  rig.Sim().faults.binarySwitchFails = true;
  EXPECT_EQ(MessageOf<EISPException>([&] { p.Identify(); }), "Unable to change to Binary Mode");
}

TEST(Identify, TheCodeImageLimitBelongsToTheKindFound) {
  SimRig rig(kind_8way_v2);
  TReadProg& p = rig.Make();
  p.Identify();
  EXPECT_EQ(p.Geometry.CodeImageLimit, 264192u);
  rig.Sim().kind = kind_8way;  // another programmer on the same interface
  p.Identify();
  EXPECT_EQ(p.Geometry.CodeImageLimit, 262144u);
}

// A kind question left without its '*' is asked again over a re-opened
// link, twice at most: a programmer answering on the last try is
// identified, one missing that too is not.
TEST(Identify, TheKindIsAskedAgainOverTwoReopenedLinksAtMost) {
  const struct {
    int missed;
    bool identified;
  } cases[] = {{0, true}, {1, true}, {2, true}, {3, false}};
  for (const auto& c : cases) {
    SimRig rig(0);
    rig.state.faults.identifyMissed = c.missed;
    TReadProg& p = rig.Make(true);
    if (c.identified) {
      p.Identify();
      EXPECT_EQ(p.Geometry.Kind, kind_single) << c.missed;
    } else {
      EXPECT_EQ(MessageOf<EFirmwareUpdate>([&] { p.Identify(); }), "Programmer Needs Firmware update or Flat battery");
    }
    const std::string& trace = rig.traceText.str();
    std::size_t opens = 0;
    for (std::size_t at = trace.find("FT_OpenEx"); at != std::string::npos; at = trace.find("FT_OpenEx", at + 1))
      ++opens;
    EXPECT_EQ(opens, std::size_t(1 + std::min(c.missed, 2))) << c.missed;
  }
}

TEST(Identify, UsbFailuresEndWithTheirMessages) {
  {
    SimRig rig(0);
    rig.state.usbAttached = false;
    EXPECT_EQ(MessageOf<EISPException>([&] { rig.Make().Identify(); }), "No USB devices found!");
  }
  {
    SimRig rig(0);
    rig.state.interfaceSerial = "ZZ9";  // no channel is the programmer's
    EXPECT_EQ(MessageOf<EISPException>([&] { rig.Make().Identify(); }),
              "Error Opening USB Port - unplug and reconnect dongle\rOther Programs or hardware may be holding port");
  }
  {
    SimRig rig(0);
    rig.state.faults.openStatus = FT_INSUFFICIENT_RESOURCES;
    EXPECT_EQ(MessageOf<EISPException>([&] { rig.Make().Identify(); }),
              "USB device could not be opened\rOpen_USB_Device_By_Serial_Number - Insufficient resources...");
  }
  {
    SimRig rig(0);
    rig.state.faults.openStatus = FT_DEVICE_NOT_FOUND;
    EXPECT_EQ(MessageOf<EISPException>([&] { rig.Make().Identify(); }), "USB device was not found");
  }
}

// Where a held channel sends the user is the front end's own: the command
// line names its doctor, the window its Help menu.
TEST(Identify, AHeldChannelPointsToTheFrontEndsConnectionCheck) {
  for (const char* check : {"", "Help > Check Connection"}) {
    SimRig rig(0);
    rig.state.faults.openStatus = FT_DEVICE_NOT_OPENED;
    link::TReadProg& prog = rig.Make();
    if (*check) rig.unit->ConnectionCheckName = check;
    const std::string message = MessageOf<EISPException>([&] { prog.Identify(); });
    const std::string expected = *check ? std::string(check) : "`velmar-cli doctor`";
    EXPECT_NE(message.find("or this user may not open it\r" + expected + " says which"), std::string::npos) << message;
    EXPECT_EQ(message.find("velmar-cli") == std::string::npos, *check != '\0') << message;
  }
}

TEST(Identify, OnlyTheProgrammersChannelIsOpenedAmongSeveralInterfaces) {
  SimRig rig(0);
  rig.state.otherInterfaces = 1;
  TReadProg& p = rig.Make();
  p.Identify();
  EXPECT_EQ(p.InterfaceIndex, 2);
  EXPECT_EQ(p.SerialNumbers[0], "FT7K1000A");  // counted, skipped
  EXPECT_EQ(p.SerialNumbers[2], "QRXA");
}

TEST(Identify, ProgrammerFailuresEndWithTheirMessages) {
  auto fail = [](auto setUp) {
    SimRig rig(0);
    setUp(rig.state);
    return MessageOf<EISPException>([&] { rig.Make().Identify(); });
  };
  EXPECT_EQ(fail([](sim::SimState& s) { s.supply = false; }), "No Voltage Detected! Check battery or power supply");
  EXPECT_EQ(fail([](sim::SimState& s) { s.faults.silent = true; }), "Programmer not Detected");
  EXPECT_EQ(fail([](sim::SimState& s) { s.faults.identity = 0x1F99; }),
            "Programmer Not Recognised. Please unplug USB dongle, power down programmer and try again \rIf problem "
            "persists, check battery voltage\r Dataflash ID wrong 1F99");
  EXPECT_EQ(fail([](sim::SimState& s) { s.version = 0xFF; }), "Programmer Not Responding. ");
  // A programmer that stops answering part-way (unplugged) is not taken for one that answered.
  EXPECT_NE(fail([](sim::SimState& s) { s.faults.unplugAfter = 36; }).find("Programmer Not Responding. "),
            std::string::npos);
  // No reply at all keeps the link's words and adds, on a line of its own,
  // how to repair a programmer whose firmware update was cut off.
  const std::string noReply = fail([](sim::SimState& s) { s.faults.shortRead = 8; });
  EXPECT_EQ(noReply.rfind("Programmer Not Responding. \rNo reply from the USB interface (", 0), 0u) << noReply;
  EXPECT_NE(noReply.find(")\rThe programmer's firmware may be gone (a firmware update cut off part-way): Read again "
                         "and accept the firmware update it offers; that repairs it."),
            std::string::npos)
      << noReply;
  EXPECT_NE(fail([](sim::SimState& s) { s.faults.busyForever = true; }).find("stayed busy"), std::string::npos);
}

TEST(Identify, FirmwareConditionsAskForAnUpdate) {
  auto update = [](int kind, auto setUp) {
    auto rig = std::make_unique<SimRig>(kind);
    setUp(rig->state);
    std::string m = MessageOf<EFirmwareUpdate>([&] { rig->Make().Identify(); });
    return std::make_pair(m, std::move(rig));
  };
  {
    auto [m, rig] = update(0, [](sim::SimState& s) { s.faults.unknownIdentify = true; });
    EXPECT_EQ(m, "Programmer Needs Firmware update");
    EXPECT_EQ(rig->clock.SleptMs(), 2925u);  // no retry
  }
  {
    auto [m, rig] = update(0, [](sim::SimState& s) { s.firmware = sim::FirmwareKind::none; });
    EXPECT_EQ(m, "Programmer Needs Firmware update or Flat battery");
    EXPECT_EQ(rig->Sim().kind, 0);
    EXPECT_EQ(rig->prog->Geometry.Kind, kind_unknown);
  }
  {
    auto [m, rig] = update(0, [](sim::SimState& s) { s.version = 200; });  // old PIC12/16/18 firmware
    EXPECT_EQ(m, "Programmer Needs Firmware update\rPress OK to Update");
    EXPECT_EQ(rig->dialogs.shown.at(0).type, platform::DlgType::Warning);
    EXPECT_EQ(rig->data.LoadedFirmware, devices::fw_pic);
  }
  {
    auto [m, rig] = update(5, [](sim::SimState& s) { s.version = 240; });  // newer than expected
    EXPECT_EQ(m, "Programmer Needs Firmware update\rPress OK to Update");
    EXPECT_TRUE(rig->dialogs.shown.empty());
  }
  {
    auto [m, rig] = update(5, [](sim::SimState& s) { s.version = 0x31; });  // an unexpected PIC24 release
    EXPECT_EQ(m, "Programmer Needs Firmware update\rPress OK to Update");
    EXPECT_EQ(rig->data.LoadedFirmware, devices::fw_pic24);
  }
  for (int kind : {0, 2}) {
    auto [m, rig] = update(kind, [](sim::SimState& s) { s.firmware = sim::FirmwareKind::pic24, s.version = 48; });
    EXPECT_EQ(m, "Programmer Needs Firmware update\rPress OK to Update");
    EXPECT_TRUE(rig->prog->Pic24OnStandard);
  }
  {
    auto [m, rig] = update(3, [](sim::SimState& s) { s.version = 140; });
    EXPECT_EQ(m, "Programmer Needs Firmware update\rPress OK to Update");
    EXPECT_EQ(rig->dialogs.LastText(),
              "New Firmware version\rYou MUST erase programmer using Erase button once firmware update is "
              "complete\rProgram list will be wrong unless programmer is reloaded");
  }
}

TEST(Identify, Pic24FirmwareIsAcceptedOnTheSecondVersions) {
  for (int kind : {4, 5}) {
    SimRig rig(kind);
    rig.state.firmware = sim::FirmwareKind::pic24;
    rig.state.version = 48;
    rig.Make().Identify();
    EXPECT_EQ(rig.data.LoadedFirmware, devices::fw_pic24);
    EXPECT_EQ(rig.window.programmerFirmware, "PIC24 Firmware Loaded");
  }
  SimRig rig(4);
  rig.Make().Identify();
  EXPECT_EQ(rig.window.programmerFirmware, "PIC12/16/18 Firmware Loaded");
}

TEST(Identify, TheForceUpdateSwitchRequestsOneUpdatePerClick) {
  SimRig rig(0);
  TReadProg& p = rig.Make();
  rig.window.forceUpdate = true;
  EXPECT_EQ(MessageOf<EFirmwareUpdate>([&] { p.Identify(); }), "Programmer Firmware update Requested");
  EXPECT_FALSE(rig.window.forceUpdate);
  EXPECT_NO_THROW(p.Identify());
}

TEST(Identify, MissingSettingsAreReportedAndTheDefaultsApply) {
  SimRig rig(0);
  TReadProg& p = rig.Make();
  test::TempDir empty;
  p.ProgramFolder = empty.Path();
  p.ProgramFolderReport = "Looked for DEVICES.INI in:\r  /a/\r  /b/";
  // The fresh programmer runs 226, which is also the default expectation.
  p.Identify();
  EXPECT_EQ(p.Geometry.ExpectedPic24Version, 227);
  EXPECT_EQ(p.Geometry.ExpectedPortableVersion, 130);
  ASSERT_EQ(rig.dialogs.shown.size(), 1u);
  const std::string& text = rig.dialogs.shown[0].text;
  EXPECT_EQ(text.rfind("Cannot find settings files in\r" + empty.Path() + "\r", 0), 0u);
  // The folders searched follow the message; a warning, so the command
  // line prints it on stderr.
  EXPECT_EQ(text.substr(text.size() - p.ProgramFolderReport.size()), p.ProgramFolderReport);
  EXPECT_EQ(rig.dialogs.shown[0].type, platform::DlgType::Warning);
}

TEST(Identify, AnUnexpectedErrorIsRaisedAsALinkErrorNotSwallowed) {
  SimRig rig(0);
  TReadProg& p = rig.Make();
  struct Boom : LinkWindow {
    void SetTitle(const std::string&) override { throw std::runtime_error("boom"); }
    void SetProgrammerVersionLabel(bool, const std::string&) override {}
    void SetFirmwareLabel(const std::string&) override {}
    void SetCountControlsVisible(bool) override {}
    bool TakeForceUpdate() override { return false; }
  } boom;
  TReadProg q(*rig.unit, rig.clock, rig.dialogs, boom, rig.data, rig.pump);
  q.ProgramFolder = p.ProgramFolder;
  EXPECT_EQ(MessageOf<EISPException>([&] { q.Identify(); }), "Unhandled Error boom");
  EXPECT_TRUE(rig.dialogs.shown.empty());
}

TEST(CheckSameUnit, GivesTheProgrammerATokenAndRecognisesItLater) {
  SimRig rig(kind_portable);
  TReadProg& p = rig.Make();
  p.Identify();
  EXPECT_TRUE(p.CheckSameUnit());  // first use: a new token
  EXPECT_EQ(rig.Sim().token, 0x1234);
  EXPECT_TRUE(p.CheckSameUnit());
  rig.Sim().token = 0x0042;  // another loader was here
  p.TokenSource = [] { return std::uint16_t(0x4321); };
  EXPECT_FALSE(p.CheckSameUnit());
  EXPECT_EQ(rig.Sim().token, 0x4321);
  EXPECT_EQ(p.UnitToken, 0x4321);
}

TEST(CheckSameUnit, NoTokenByteLooksLikeTheBusyMarker) {
  // A token byte of 0xFA read back would be taken for "busy" and the byte
  // after it for the token: the programmer would not be recognised.
  for (std::uint16_t drawn : {0xFA12, 0x12FA, 0xFAFA}) {
    SimRig rig(kind_portable);
    TReadProg& p = rig.Make();
    p.TokenSource = [drawn] { return drawn; };
    p.Identify();
    EXPECT_TRUE(p.CheckSameUnit());
    EXPECT_NE(p.UnitToken >> 8, 0xFA);
    EXPECT_NE(p.UnitToken & 0xFF, 0xFA);
    EXPECT_EQ(rig.Sim().token, p.UnitToken);
    EXPECT_TRUE(p.CheckSameUnit()) << std::hex << drawn;
  }
}

}  // namespace
}  // namespace velmar::link
