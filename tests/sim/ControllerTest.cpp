// The simulated programmer's controller: serial programming instructions as
// the parts carry them out, the firmware images it recognises, and how the
// state file keeps its flash, fuses and lock bits.
#include <gtest/gtest.h>

#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "platform/Clock.h"
#include "sim/ControllerFirmware.h"
#include "sim/ControllerIsp.h"
#include "sim/SimState.h"

namespace velmar::sim {
namespace {

using Reply = std::array<std::uint8_t, 4>;

// A controller held in reset long enough to answer.
struct Isp {
  explicit Isp(int kind) : state(FreshState(slot::KindFromNumber(kind).value(), {226, 48, 150})), isp(state, clock) {
    isp.Enter();
    clock.Advance(ControllerIsp::kResetSettleMs);
  }
  Reply Send(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    Reply out{};
    const std::uint8_t in[4] = {a, b, c, d};
    for (int i = 0; i < 4; ++i) {
      out[std::size_t(i)] = isp.NextOut();
      isp.Received(in[i]);
    }
    return out;
  }
  std::uint8_t Read(std::uint8_t a, std::uint8_t b, std::uint8_t c) { return Send(a, b, c, 0xFF)[3]; }
  void Enable() { ASSERT_EQ(Send(0xAC, 0x53, 0xFF, 0xFF)[2], 0x53); }
  void Erase() {
    Send(0xAC, 0x80, 0xFF, 0xFF);
    clock.Advance(ControllerIsp::kEraseMs);
  }
  // Loads a page from `bytes` (page size of them) and writes it at byte address `at`.
  void WritePage(std::uint32_t at, const std::vector<std::uint8_t>& bytes) {
    for (std::uint32_t k = 0; k < bytes.size(); ++k) Send(k & 1 ? 0x48 : 0x40, 0xFF, std::uint8_t(k / 2), bytes[k]);
    Send(0x4C, std::uint8_t(at / 2 >> 8), std::uint8_t(at / 2), 0xFF);
    clock.Advance(ControllerIsp::kWriteMs);
  }
  std::uint8_t FlashByte(std::uint32_t at) {
    return Read(at & 1 ? 0x28 : 0x20, std::uint8_t(at / 2 >> 8), std::uint8_t(at / 2));
  }

  platform::VirtualClock clock;
  SimState state;
  ControllerIsp isp;
};

TEST(ControllerIsp, OnlyEchoesUntilProgrammingIsEnabled) {
  Isp c(0);
  // Before programming enable a signature read is the echo of its third byte,
  // and a chip erase does nothing.
  EXPECT_EQ(c.Read(0x30, 0xFF, 0x01), 0x01);
  EXPECT_EQ(c.Read(0x30, 0xFF, 0x02), 0x02);
  c.Erase();
  EXPECT_EQ(c.state.controller.lockBits, kLockedBits);
  c.Enable();
  EXPECT_TRUE(c.isp.ProgrammingEnabled());
  EXPECT_EQ(c.Read(0x30, 0xFF, 0x01), 0x93);
  // Leaving and entering reset ends programming mode.
  c.isp.Enter();
  c.clock.Advance(ControllerIsp::kResetSettleMs);
  EXPECT_FALSE(c.isp.ProgrammingEnabled());
}

TEST(ControllerIsp, EachPartHasItsSignatureFusesAndLockBits) {
  Isp small(0), large(3);
  for (Isp* c : {&small, &large}) c->Enable();
  const std::uint8_t sig8515[] = {0x1E, 0x93, 0x06}, sig128[] = {0x1E, 0x97, 0x02};
  for (std::uint8_t i = 0; i < 3; ++i) {
    EXPECT_EQ(small.Read(0x30, 0xFF, i), sig8515[i]);
    EXPECT_EQ(large.Read(0x30, 0xFF, i), sig128[i]);
  }
  EXPECT_EQ(small.Read(0x50, 0x00, 0xFF), 0x2F);  // low fuse
  EXPECT_EQ(small.Read(0x58, 0x08, 0xFF), 0xD9);  // high fuse
  EXPECT_EQ(large.Read(0x58, 0x08, 0xFF), 0x99);
  EXPECT_EQ(large.Read(0x50, 0x08, 0xFF), 0xFF);  // extended fuse
  EXPECT_EQ(large.Read(0x58, 0x00, 0xFF), kLockedBits);
  // Only those second bytes name a fuse or the lock bits; with any other the
  // instruction is unknown and only echoed.
  for (Isp* c : {&small, &large})
    for (std::uint8_t second : {0x01, 0x09, 0x80, 0xFF}) {
      EXPECT_EQ(c->Read(0x50, second, 0x5A), 0x5A) << int(second);
      EXPECT_EQ(c->Read(0x58, second, 0x5A), 0x5A) << int(second);
    }

  // Fuses are locked with the flash; after an erase they can be written, the
  // extended fuse on the ATmega128 only.
  large.Send(0xAC, 0xA0, 0x00, 0xE1);
  EXPECT_EQ(large.state.controller.lowFuse, 0x2F);
  for (Isp* c : {&small, &large}) {
    c->Erase();
    c->Send(0xAC, 0xA0, 0x00, 0xE1);
    c->clock.Advance(ControllerIsp::kWriteMs);
    c->Send(0xAC, 0xA4, 0x00, 0xFD);
    c->clock.Advance(ControllerIsp::kWriteMs);
    EXPECT_EQ(c->Read(0x50, 0x00, 0xFF), 0xE1);
  }
  EXPECT_EQ(large.state.controller.extendedFuse, 0xFD);
  EXPECT_EQ(small.Read(0x50, 0x08, 0xFF), 0xFF);
}

TEST(ControllerIsp, PagesAreLoadedByWordAndWrittenAtTheirWordAddress) {
  for (int kind : {0, 3}) {
    Isp c(kind);
    const AvrPart& part = *c.state.controller.part;
    c.Enable();
    c.Erase();
    std::vector<std::uint8_t> page(part.pageSize);
    for (std::uint32_t i = 0; i < page.size(); ++i) page[i] = std::uint8_t(i * 7 + 1);
    const std::uint32_t at = part.flashSize - 3 * part.pageSize;  // near the top: high word-address byte in use
    c.WritePage(at, page);
    for (std::uint32_t i : {0u, 1u, 2u, part.pageSize - 1}) EXPECT_EQ(c.FlashByte(at + i), page[i]) << kind;
    EXPECT_EQ(c.FlashByte(at - 1), 0xFF);
    EXPECT_EQ(c.FlashByte(at + part.pageSize), 0xFF);
    // The write page instruction names the page by any word inside it; the
    // word index of a load is taken within the page.
    c.Send(0x40, 0xFF, std::uint8_t(part.pageSize / 2), 0x00);  // word index wraps to 0
    c.Send(0x4C, 0x00, 0x01, 0xFF);
    c.clock.Advance(ControllerIsp::kWriteMs);
    EXPECT_EQ(c.FlashByte(0), 0x00);
    EXPECT_EQ(c.FlashByte(2), 0xFF);
  }
}

TEST(ControllerIsp, WritesOnlyClearBitsAndLockBitsHoldUntilErased) {
  Isp c(0);
  c.Enable();
  c.Erase();
  const std::uint32_t size = c.state.controller.part->pageSize;
  c.WritePage(0, std::vector<std::uint8_t>(size, 0xF0));
  c.WritePage(0, std::vector<std::uint8_t>(size, 0x3C));  // without an erase between
  EXPECT_EQ(c.FlashByte(5), 0x30);

  c.Send(0xAC, 0xFF, 0xFF, 0xFC);
  c.clock.Advance(ControllerIsp::kWriteMs);
  EXPECT_EQ(c.FlashByte(5), 0xFF);  // no longer readable
  c.WritePage(size, std::vector<std::uint8_t>(size, 0x00));
  c.Erase();
  EXPECT_EQ(c.state.controller.lockBits, kUnlockedBits);
  EXPECT_EQ(c.FlashByte(5), 0xFF);
  EXPECT_EQ(c.FlashByte(size), 0xFF);  // the locked write did nothing
}

TEST(ControllerIsp, InstructionsDuringAnEraseAreIgnored) {
  Isp c(0);
  c.Enable();
  c.Send(0xAC, 0x80, 0xFF, 0xFF);
  c.WritePage(0, std::vector<std::uint8_t>(64, 0x00));  // too soon
  EXPECT_EQ(c.FlashByte(0), 0xFF);
}

TEST(ControllerIsp, InjectedFaults) {
  Isp missed(0);
  missed.state.faults.ispMissed = 1;
  EXPECT_EQ(missed.Send(0xAC, 0x53, 0xFF, 0xFF)[2], 0x53);  // looks answered
  EXPECT_FALSE(missed.isp.ProgrammingEnabled());
  EXPECT_EQ(missed.Read(0x30, 0xFF, 0x00), 0x00);
  missed.Enable();
  EXPECT_TRUE(missed.isp.ProgrammingEnabled());

  Isp foreign(3);
  foreign.state.faults.signature = 0x1E9999;
  foreign.Enable();
  EXPECT_EQ(foreign.Read(0x30, 0xFF, 0x00), 0x1E);
  EXPECT_EQ(foreign.Read(0x30, 0xFF, 0x02), 0x99);

  Isp bad(0);
  bad.state.faults.flashBadByte = 0x45;
  bad.Enable();
  bad.Erase();
  bad.WritePage(0x40, std::vector<std::uint8_t>(64, 0xFF));
  EXPECT_EQ(bad.FlashByte(0x45), 0xFE);
  EXPECT_EQ(bad.FlashByte(0x44), 0xFF);
}

TEST(ControllerFirmware, ImagesAreRecognisedOnlyWholeAndOnTheirPart) {
  for (auto [kind, part] : {std::pair{FirmwareKind::pic, &ATmega8515()}, std::pair{FirmwareKind::pic24, &ATmega8515()},
                            std::pair{FirmwareKind::portable, &ATmega128()}}) {
    std::vector<std::uint8_t> flash = FirmwareImage(kind, 0x96, *part);
    ASSERT_EQ(flash.size(), part->flashSize);
    RecognisedFirmware r = RecogniseFirmware(flash, *part);
    EXPECT_EQ(r.firmware, kind);
    EXPECT_EQ(r.version, 0x96);
    // One byte anywhere, tag or not, and it is no firmware any more.
    for (std::uint32_t at : {0x0u, kFirmwareTagAddress + 5, kFirmwareCodeAddress + 100, part->flashSize - 1}) {
      std::vector<std::uint8_t> changed = flash;
      changed[at] ^= 0x10;
      EXPECT_EQ(RecogniseFirmware(changed, *part).firmware, FirmwareKind::none) << std::hex << at;
    }
  }
  EXPECT_NE(FirmwareImage(FirmwareKind::pic, 226, ATmega8515()), FirmwareImage(FirmwareKind::pic, 225, ATmega8515()));
  EXPECT_EQ(RecogniseFirmware(std::vector<std::uint8_t>(0x2000, 0xFF), ATmega8515()).firmware, FirmwareKind::none);
  std::vector<std::uint8_t> small = FirmwareImage(FirmwareKind::pic, 226, ATmega8515());
  small.resize(0x20000, 0xFF);
  EXPECT_EQ(RecogniseFirmware(small, ATmega128()).firmware, FirmwareKind::none);
}

TEST(ControllerFirmware, HexTextHoldsTheImage) {
  std::string text = FirmwareHexText(FirmwareKind::portable, 150, ATmega128());
  EXPECT_NE(text.find(":020000040001F9"), std::string::npos);  // the boot block above 64 KiB
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  image::THexList img(0x20000);
  ASSERT_EQ(image::TFileLoader::LoadLines(lines, img).result, 0);
  std::vector<std::uint8_t> back(img.DataAt(0), img.DataAt(0) + 0x20000);
  EXPECT_EQ(back, FirmwareImage(FirmwareKind::portable, 150, ATmega128()));
}

TEST(SimState, TheControllerFollowsTheKindAndItsFlashIsListedOnlyWhenItIsNotAFirmwareImage) {
  SimState portable = FreshState(slot::kind_portable, {226, 48, 150});
  EXPECT_STREQ(portable.controller.part->name, "atmega128");
  EXPECT_EQ(portable.controller.highFuse, 0x99);
  EXPECT_STREQ(FreshState(slot::kind_single_v2, {226, 48, 150}).controller.part->name, "atmega8515");

  std::string text = StateText(portable);
  EXPECT_NE(text.find("controller=atmega128\nfuse_low=0x2F\nfuse_high=0x99\nfuse_extended=0xFF\nlock_bits=0xFC\n"),
            std::string::npos);
  EXPECT_EQ(text.find("controller_page"), std::string::npos);

  // A flash that holds a firmware image names it; one that does not is
  // listed page by page and reads back as no firmware.
  SimState s = FreshState(slot::kind_single, {226, 48, 150});
  s.controller.flash = FirmwareImage(FirmwareKind::pic24, 48, ATmega8515());
  s.controller.lowFuse = 0xE1;
  SimState back = ParseState(StateText(s));
  EXPECT_EQ(back.firmware, FirmwareKind::pic24);
  EXPECT_EQ(back.version, 48);
  EXPECT_EQ(back.controller.lowFuse, 0xE1);
  EXPECT_EQ(StateText(s).find("controller_page"), std::string::npos);

  s.controller.flash[0x300] = 0x00;
  text = StateText(s);
  EXPECT_NE(text.find("firmware=none\n"), std::string::npos);
  EXPECT_NE(text.find("controller_page 12 "), std::string::npos);
  back = ParseState(text);
  EXPECT_EQ(back.firmware, FirmwareKind::none);
  EXPECT_EQ(back.controller.flash, s.controller.flash);
  EXPECT_EQ(StateText(back), text);
}

TEST(SimState, ControllerKeysThatDoNotFitAreRefused) {
  auto error = [](const std::string& text) {
    try {
      ParseState(text);
    } catch (const std::exception& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(error("kind=0\ncontroller=atmega16\n"), "line 2: controller=atmega16: expected atmega128 or atmega8515");
  EXPECT_EQ(error("kind=0\ncontroller_page 200 FF\n"), "controller_page 200 lies beyond the atmega8515's flash");
  EXPECT_EQ(error("kind=0\ncontroller_page 1 FF\n"), "controller_page 1 holds 1 bytes, not 64");
  EXPECT_EQ(error("kind=0\nfirmware=pic\nversion=200\ncontroller_page 1 " + std::string(128, '0') + "\n"),
            "firmware=pic and version=200 disagree with the controller_page lines, which hold no firmware; change "
            "one or the other");
  // Without controller keys (older state files) the controller is as a
  // working programmer has it.
  SimState old = ParseState("kind=3\nfirmware=portable\nversion=150\n");
  EXPECT_STREQ(old.controller.part->name, "atmega128");
  EXPECT_EQ(old.controller.lockBits, kLockedBits);
  EXPECT_FALSE(old.controller.FlashHeld());
}

}  // namespace
}  // namespace velmar::sim
