// `velmar-cli build` on every shipped example, its output, the exit status
// of a question answered No, and its usage errors.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "devices/DeviceDatabase.h"
#include "image/TFileLoader.h"
#include "platform/AtomicFile.h"
#include "platform/IniFile.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

using nlohmann::json;
using velmar::test::ReadFile;
using velmar::test::RunCliInProcess;
using velmar::test::SourceDir;
using velmar::test::TempDir;
using velmar::test::WriteFile;

namespace {

struct BuildCommand : ::testing::Test {
  TempDir program, working;
  void SetUp() override { std::filesystem::copy_file(SourceDir() + "data/DEVICES.INI", program.File("DEVICES.INI")); }
  velmar::test::CliResult Run(std::vector<std::string> args) {
    std::vector<std::string> all = {"--program-folder", program.Path(), "--working-folder", working.Path()};
    all.insert(all.end(), args.begin(), args.end());
    return RunCliInProcess(all);
  }
  static std::string Example(const std::string& folder) { return SourceDir() + "examples/" + folder + "/blink.hex"; }
};

// The pieces of a slot are made again by every build, so building syncs
// nothing to disk; a file the user keeps is still synced.
TEST_F(BuildCommand, ASlotBuildSyncsNothingWhileAConvertedFileIsSynced) {
  const unsigned long before = velmar::platform::SyncCount();
  auto pic18 = Run({"build", "--kind", "3", "--family", "0", "--device", "PIC18F4520", "--hex", Example("pic18f4520"),
                    "--description", "Blink"});
  ASSERT_EQ(pic18.status, 0) << pic18.err;
  auto pic24 = Run({"build", "--kind", "4", "--family", "4", "--device", "PIC24FJ64GA002", "--hex",
                    Example("pic24fj64ga002"), "--description", "Blink"});
  ASSERT_EQ(pic24.status, 0) << pic24.err;
  EXPECT_EQ(velmar::platform::SyncCount(), before);
  auto kept = RunCliInProcess({"hex", "convert", Example("pic18f4520"), working.File("kept.hex")});
  ASSERT_EQ(kept.status, 0) << kept.err;
  EXPECT_EQ(velmar::platform::SyncCount(), before + 1);
}

struct ExampleCase {
  const char* kind;
  const char* family;
  const char* device;
  const char* folder;
  unsigned codeLength;
  unsigned codeChecksum;
};

TEST_F(BuildCommand, EveryExampleBuildsItsSlot) {
  const ExampleCase cases[] = {
      {"3", "0", "PIC18F4520", "pic18f4520", 64, 0x7A},
      {"3", "3", "PIC18F46K22", "pic18f46k22", 64, 0x12},
      {"3", "2", "PIC18F46J50", "pic18f46j50", 65536, 0x7E},
      {"3", "1", "PIC16F628A", "pic16f628a", 42, 0x56},
      {"3", "1", "PIC16F84A", "pic16f84a", 42, 0xC8},
      {"4", "4", "PIC24FJ64GA002", "pic24fj64ga002", 66048, 0x83},
      {"4", "4", "PIC24F16KA102", "pic24f16ka102", 864, 0xE7},
      {"4", "5", "dsPIC30F4011", "dspic30f4011", 480, 0x92},
  };
  for (const ExampleCase& c : cases) {
    SCOPED_TRACE(c.device);
    auto r = Run({"--json", "build", "--kind", c.kind, "--family", c.family, "--device", c.device, "--hex",
                  Example(c.folder), "--description", "Blink"});
    ASSERT_EQ(r.status, 0) << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j["code_length"], c.codeLength);
    EXPECT_EQ(j["code_checksum"], c.codeChecksum);
    EXPECT_EQ(j["header"]["code_checksum"]["hex"], velmar::text::IntToHex(c.codeChecksum, 2));
    EXPECT_EQ(j["header"]["device_name"]["value"], c.device);
    EXPECT_EQ(j["header"]["device_name"]["stored"],
              std::string(c.device) + std::string(15 - std::strlen(c.device), ' '));
    EXPECT_EQ(j["layout"]["code_offset"], 160);
    for (const char* f : {"kf_flash.hex", "kf_header.hex", "kf_flashtest.hex"})
      EXPECT_NE(std::find(j["files"].begin(), j["files"].end(), f), j["files"].end()) << f;
    // kf_header.hex holds the printed header.
    velmar::image::THexList saved(160);
    ASSERT_EQ(velmar::image::TFileLoader::LoadFile(working.File("kf_header.hex"), saved).result, 0);
    EXPECT_EQ(j["header_hex"], velmar::text::HexBytes(saved.DataAt(0), 160, ' '));
  }
}

TEST_F(BuildCommand, TextOutputNamesEveryField) {
  auto r = Run(
      {"build", "--family", "1", "--device", "PIC16F628A", "--hex", Example("pic16f628a"), "--description", "Blink"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* s : {"NextHeaderPage    0-1      08 04  (1032)", "OptionFlagsA      45       DC",
                        "SourceFileName    95-114   \"blink.hex           \"", "HeaderChecksum    157",
                        "ProductionCount   158-159  FF FF  (65535)", "Code length       42", "Code checksum     0x56",
                        "data            4352, 128 bytes"})
    EXPECT_NE(r.out.find(s), std::string::npos) << s << "\n" << r.out;
}

TEST_F(BuildCommand, AQuestionAnsweredNoExitsWith3) {
  WriteFile(working.File("plain.hex"), ":020000000102FB\n:00000001FF\n");
  std::vector<std::string> args = {
      "build", "--family", "0", "--device", "PIC18F4520", "--hex", working.File("plain.hex"), "--description", "Plain"};
  std::vector<std::string> no = args, yes = args;
  no.insert(no.begin(), "--no");
  yes.insert(yes.begin(), "--yes");
  auto r = Run(no);
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("File Data Warning"), std::string::npos);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Run(yes).status, 0);
}

TEST_F(BuildCommand, ReplaceRewritesTheGivenSlot) {
  auto r = Run({"--json", "build", "--family", "0", "--device", "PIC18F4520", "--hex", Example("pic18f4520"),
                "--description", "Again", "--mode", "replace", "--slot", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  json j = json::parse(r.out);
  EXPECT_EQ(j["slot"]["start_page"], 1032);
  EXPECT_EQ(j["slot"]["slot_name"], "002 Again");
  EXPECT_EQ(j["slot"]["stored"]["slot_name"], "002 Again                       ");
  EXPECT_EQ(j["header"]["next_header_page"]["value"], 2064);
}

TEST_F(BuildCommand, FailuresAndUsageErrors) {
  auto missing = Run(
      {"build", "--family", "1", "--device", "PIC16F628A", "--hex", working.File("none.hex"), "--description", "x"});
  EXPECT_EQ(missing.status, 2) << "refused before the build";
  EXPECT_NE(missing.err.find("File does not exist"), std::string::npos);

  auto wide = Run(
      {"build", "--family", "4", "--device", "PIC24F16KA102", "--hex", Example("pic24f16ka102"), "--description", "x"});
  EXPECT_EQ(wide.status, 2);
  EXPECT_NE(wide.err.find("kinds 4 and 5"), std::string::npos);
  const std::vector<std::string> base = {
      "build", "--family", "0", "--device", "PIC18F4520", "--hex", Example("pic18f4520"), "--description", "x"};
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> a = base;
    a.insert(a.end(), extra.begin(), extra.end());
    return Run(a).status;
  };
  EXPECT_EQ(with({"--mode", "update"}), 2);
  EXPECT_EQ(with({"--kind", "0", "--mode", "replace"}), 2);
  EXPECT_EQ(with({"--kind", "0", "--slot", "2"}), 2);
  EXPECT_EQ(with({"--slot", "32"}), 2);
  EXPECT_EQ(with({"--kind", "9"}), 2);
  EXPECT_EQ(with({"--set", "Nothing=1"}), 2);
  EXPECT_EQ(
      Run({"build", "--family", "0", "--device", "PIC16F84A", "--hex", Example("pic18f4520"), "--description", "x"})
          .status,
      2);
}

}  // namespace

// ---- Every shipped device builds a slot ----

std::vector<std::string> ShippedDevices() {
  velmar::platform::IniFile ini(SourceDir() + "data/DEVICES.INI");
  return ini.Sections();
}

struct EveryDevice : BuildCommand, ::testing::WithParamInterface<std::string> {};

// The programmer kinds whose family list offers each family (the earlier
// single-way programmer, kind 1, offers PIC18 K only with KonOld; PIC24F and
// dsPIC30 only the version 2 programmers, kinds 4 and 5).
bool KindOffers(int kind, int family) {
  using namespace velmar::devices;
  if (family == fam_PIC24F || family == fam_dsPIC30) return kind == 4 || kind == 5;
  if (family == fam_PIC18K) return kind != 1;
  return true;
}

// Every device on every programmer kind: a kind that offers its family
// builds a slot from a tiny program (the family found from the device name
// alone), and a kind that does not refuses the device without a slot.
TEST_P(EveryDevice, BuildsASmallProgramOnEveryKindThatOffersItsFamily) {
  const std::string& device = GetParam();
  int family = -1;
  for (int f = velmar::devices::fam_PIC18F; f <= velmar::devices::fam_dsPIC30; ++f)
    if (velmar::devices::InFamily(device, f)) family = f;
  ASSERT_GE(family, 0);
  // Sixteen bytes of code at address 0 and nothing else: every family's
  // builder takes it (after asking about the missing configuration words).
  std::string hex = working.File("small.hex");
  WriteFile(hex, ":10000000000102030405060708090A0B0C0D0E0F78\n:00000001FF\n");
  for (int kind = 0; kind <= 5; ++kind) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    std::filesystem::remove(working.File("kf_header.hex"));
    auto r = Run({"--yes", "--json", "build", "--kind", std::to_string(kind), "--device", device, "--hex", hex,
                  "--description", "Every device"});
    if (!KindOffers(kind, family)) {
      EXPECT_EQ(r.status, 2) << r.out << r.err;
      EXPECT_NE(r.err.find("is in no family list of kind " + std::to_string(kind)), std::string::npos) << r.err;
      EXPECT_FALSE(std::filesystem::exists(working.File("kf_header.hex")));
      continue;
    }
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    json j = json::parse(r.out);
    EXPECT_GT(j["code_length"].get<unsigned>(), 0u);
    EXPECT_TRUE(std::filesystem::exists(working.File("kf_header.hex")));
  }
}

INSTANTIATE_TEST_SUITE_P(ShippedDatabase, EveryDevice, ::testing::ValuesIn(ShippedDevices()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

namespace {

// Links planted at the names the build writes in the working folder are
// replaced, not written through; a working folder others may write is
// warned about, and one the build makes is private.
TEST_F(BuildCommand, PlantedLinksAreReplacedAndASharedWorkingFolderWarnedAbout) {
  VELMAR_SKIP_ON_WINDOWS("symbolic links and POSIX permission bits");
  namespace fs = std::filesystem;
  TempDir elsewhere;
  const char* names[] = {"kf_header.hex", "kf_flashtest.hex", "kf_flash.hex", "kf_eeprom.hex"};
  for (const char* name : names) {
    WriteFile(elsewhere.File(name), "precious");
    fs::create_symlink(elsewhere.File(name), working.File(name));
  }
  fs::permissions(working.Path(), fs::perms::all);
  auto r = Run({"build", "--kind", "3", "--family", "1", "--device", "PIC16F628A", "--hex", Example("pic16f628a"),
                "--description", "Blink"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("Warning: The working folder " + working.Path() + " can be written by other users"),
            std::string::npos)
      << r.err;
  for (const char* name : names) {
    EXPECT_EQ(ReadFile(elsewhere.File(name)), "precious") << name;
    EXPECT_FALSE(fs::is_symlink(working.File(name))) << name;
  }
  EXPECT_TRUE(velmar::test::Exists(working.File("kf_header.hex")));

  const std::string fresh = working.File("new/");
  auto made = RunCliInProcess({"--program-folder", program.Path(), "--working-folder", fresh, "build", "--kind", "3",
                               "--family", "1", "--device", "PIC16F628A", "--hex", Example("pic16f628a"),
                               "--description", "Blink"});
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(made.err.find("Warning"), std::string::npos) << made.err;
  EXPECT_EQ(fs::status(fresh).permissions() & fs::perms::all, fs::perms::owner_all);
}

}  // namespace

namespace {

// The family and the kind by name, the family found from the device, a
// device in any letter case, and the nearest names for one not listed.
struct Choice {
  std::vector<std::string> args;
  int status;
  const char* says;  // in the JSON's error, or the family and kind built
};

TEST_F(BuildCommand, FamiliesKindsAndDevicesAreTakenAsPeopleWriteThem) {
  const std::string hex = Example("pic16f628a");
  const Choice cases[] = {
      {{"--device", "pic16f628a"}, 0, "family 1 kind 3"},
      {{"--family", "pic12f-16f", "--device", "PIC16F628A", "--kind", "8way"}, 0, "family 1 kind 2"},
      {{"--family", "1", "--device", "PIC16F628A", "--kind", "single-v2"}, 0, "family 1 kind 5"},
      {{"--family", "nope", "--device", "PIC16F628A"}, 2, "(PIC18F, PIC12F-16F, PIC18J, PIC18 K, or their numbers"},
      {{"--device", "PIC16F62"}, 2, "did you mean PIC16F627A, PIC16F628A"},
      {{"--family", "1", "--device", "PIC16F62"}, 2, "is not in the PIC12F-16F device list: did you mean"},
      {{"--device", "PIC16F628A", "--kind", "9way"}, 2, "--kind 9way: expected 0-5 or single"},
  };
  for (const Choice& c : cases) {
    std::vector<std::string> args = {"--json", "build", "--hex", hex, "--description", "Blink"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = Run(args);
    EXPECT_EQ(r.status, c.status) << c.says << ": " << r.err;
    const json j = json::parse(r.out);
    const std::string got = c.status == 0 ? "family " + std::to_string(j["family"].get<int>()) + " kind " +
                                                std::to_string(j["kind"].get<int>())
                                          : j["error"]["message"].get<std::string>();
    EXPECT_NE(got.find(c.says), std::string::npos) << got;
  }
}

TEST_F(BuildCommand, AMissingHexFileIsNamedBeforeAnythingRunsAndNoCommandListsThemAll) {
  const auto r = Run({"build", "--device", "PIC16F628A", "--hex", working.File("absent.hex"), "--description", "X"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--hex: File does not exist: " + working.File("absent.hex")), std::string::npos) << r.err;
  const auto alone = RunCliInProcess({});
  EXPECT_EQ(alone.status, 0);
  for (const char* command : {"identify", "list", "new", "load", "doctor"})
    EXPECT_NE(alone.out.find(command), std::string::npos) << command;
}

}  // namespace
