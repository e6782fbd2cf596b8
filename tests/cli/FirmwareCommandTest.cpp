// `velmar-cli firmware pack` and `firmware decode`, run in-process: a packed
// file decodes back to the HEX file's records, and every kind of bad input
// ends with a message and status 1 (2 for usage errors) without writing.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "firmware/TFirmwareFile.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

using velmar::firmware::TFirmwareCipher;
using velmar::firmware::TFirmwareFile;
using velmar::test::Exists;
using velmar::test::ReadFile;
using velmar::test::RunCliInProcess;
using velmar::test::TempDir;
using velmar::test::WriteFile;

namespace {

const char* kHex =
    ":020000040000FA\n"
    ":100000000C9446000C9465000C9465000C946500FB\n"
    "\n"
    ":040010001122334442\n"
    ":00000001FF\n";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class FirmwareCommands : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(dir.File("fw.hex"), kHex); }
  TempDir dir;
};

TEST_F(FirmwareCommands, PackThenDecodeGivesBackTheVersionAndRecords) {
  auto pack = RunCliInProcess({"firmware", "pack", "--version", "e2", "--hex", dir.File("fw.hex"), dir.File("fw.upd")});
  ASSERT_EQ(pack.status, 0) << pack.err;
  EXPECT_TRUE(Has(pack.out, "version 226 (0xE2), 4 records"));

  auto decode = RunCliInProcess({"firmware", "decode", dir.File("fw.upd"), "--json", "--out", dir.File("out.hex")});
  ASSERT_EQ(decode.status, 0) << decode.err;
  auto j = nlohmann::json::parse(decode.out);
  EXPECT_EQ(j["version"], 226);
  EXPECT_EQ(j["version_hex"], "E2");
  EXPECT_EQ(j["records"], 4);
  EXPECT_EQ(ReadFile(dir.File("out.hex")),
            ":020000040000FA\r\n:100000000C9446000C9465000C9465000C946500FB\r\n"
            ":040010001122334442\r\n:00000001FF\r\n");
}

TEST_F(FirmwareCommands, DecodePrintsVersionAndRecordCountAsText) {
  ASSERT_EQ(
      RunCliInProcess({"firmware", "pack", "--version", "E3", "--hex", dir.File("fw.hex"), dir.File("a.upd")}).status,
      0);
  auto r = RunCliInProcess({"firmware", "decode", dir.File("a.upd")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "version: 227 (0xE3)\nrecords: 4\n");
}

// One convention for versions on every command: digits are decimal, a 0x
// or a letter makes them hexadecimal; the file holds the same two digits.
TEST_F(FirmwareCommands, EveryWayOfWritingAVersionPacksTheSameVersion) {
  for (const char* v : {"226", "0xE2", "0XE2", "E2", "e2"}) {
    ASSERT_EQ(
        RunCliInProcess({"firmware", "pack", "--version", v, "--hex", dir.File("fw.hex"), dir.File("v.upd")}).status, 0)
        << v;
    auto j = nlohmann::json::parse(RunCliInProcess({"firmware", "decode", dir.File("v.upd"), "--json"}).out);
    EXPECT_EQ(j["version_hex"], "E2") << v;
  }
  auto low = RunCliInProcess({"firmware", "pack", "--version", "9", "--hex", dir.File("fw.hex"), dir.File("l.upd")});
  ASSERT_EQ(low.status, 0) << low.err;
  EXPECT_TRUE(Has(low.out, "version 9 (0x09)")) << low.out;

  // The file stores "90" for 0x90: a bare "90" could mean either, and is
  // refused with both readings; "090" is decimal with no doubt.
  auto doubtful =
      RunCliInProcess({"firmware", "pack", "--version", "90", "--hex", dir.File("fw.hex"), dir.File("d.upd")});
  EXPECT_EQ(doubtful.status, 2);
  EXPECT_TRUE(Has(doubtful.err, "--version 90 could mean 90 (0x5A) or 0x90 (144)")) << doubtful.err;
  EXPECT_FALSE(Exists(dir.File("d.upd")));
  ASSERT_EQ(
      RunCliInProcess({"firmware", "pack", "--version", "090", "--hex", dir.File("fw.hex"), dir.File("d.upd")}).status,
      0);
  auto j = nlohmann::json::parse(RunCliInProcess({"firmware", "decode", dir.File("d.upd"), "--json"}).out);
  EXPECT_EQ(j["version_hex"], "5A");
}

TEST_F(FirmwareCommands, DecodeRefusesCorruptedAndMissingFilesWithoutWriting) {
  ASSERT_EQ(
      RunCliInProcess({"firmware", "pack", "--version", "E2", "--hex", dir.File("fw.hex"), dir.File("fw.upd")}).status,
      0);
  std::string text = ReadFile(dir.File("fw.upd"));
  text[0] = text[0] == 'Q' ? 'R' : 'Q';
  WriteFile(dir.File("bad.upd"), text);

  auto bad = RunCliInProcess({"firmware", "decode", dir.File("bad.upd"), "--out", dir.File("out.hex")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_TRUE(Has(bad.err, "Firmware file Corrupted")) << bad.err;
  EXPECT_TRUE(Has(bad.err, "bad.upd"));
  EXPECT_FALSE(Exists(dir.File("out.hex")));

  auto missing = RunCliInProcess({"firmware", "decode", dir.File("none.upd")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(Has(missing.err, "Firmware file not found")) << missing.err;
  EXPECT_TRUE(Has(missing.err, "none.upd"));
}

// A file with a valid check line whose deciphered contents are wrong.
std::string Forged(const std::string& version, const std::vector<std::string>& records) {
  TFirmwareCipher cipher;
  cipher.SetKey();
  std::string body = cipher.EncipherLine(version) + "\r\n";
  for (const auto& r : records) body += cipher.EncipherLine(r) + "\r\n";
  return TFirmwareCipher::DigestText(body) + "\r\n" + body;
}

TEST_F(FirmwareCommands, DecodeRefusesABadVersionLineOrNonsenseRecords) {
  WriteFile(dir.File("ver.upd"), Forged("\x01z", {":00000001FF"}));
  auto ver = RunCliInProcess({"firmware", "decode", dir.File("ver.upd")});
  EXPECT_EQ(ver.status, 1);
  EXPECT_TRUE(Has(ver.err, "version is incorrect")) << ver.err;
  EXPECT_TRUE(Has(ver.err, "\\x01z"));

  WriteFile(dir.File("junk.upd"), Forged("E2", {"hello", "world"}));
  auto junk = RunCliInProcess({"firmware", "decode", dir.File("junk.upd"), "--out", dir.File("o.hex")});
  EXPECT_EQ(junk.status, 1);
  EXPECT_TRUE(Has(junk.err, "not Intel HEX")) << junk.err;
  EXPECT_FALSE(Exists(dir.File("o.hex")));

  WriteFile(dir.File("big.upd"), Forged("E2", {":020000040002F8", ":01000000AA55", ":00000001FF"}));
  auto big = RunCliInProcess({"firmware", "decode", dir.File("big.upd")});
  EXPECT_EQ(big.status, 1);
  EXPECT_TRUE(Has(big.err, "beyond")) << big.err;
}

TEST_F(FirmwareCommands, PackRefusesBadInputWithoutWriting) {
  auto pack = [&](const std::string& version, const std::string& hex) {
    return RunCliInProcess({"firmware", "pack", "--version", version, "--hex", hex, dir.File("out.upd")});
  };
  for (const char* v : {"", "E2E", "G2", "$E2", "0x", "256", "0x100", "-1", "2 26"}) {
    auto r = pack(v, dir.File("fw.hex"));
    EXPECT_EQ(r.status, 2) << v;
    EXPECT_TRUE(Has(r.err, "--version")) << r.err;
  }
  WriteFile(dir.File("s19.hex"), "S1050000AABB95\nS9030000FC\n");
  WriteFile(dir.File("text.hex"), "just some words\n");
  WriteFile(dir.File("empty.hex"), "\n\n");
  WriteFile(dir.File("huge.hex"), ":020000040002F8\n:01000000AA55\n:00000001FF\n");
  EXPECT_TRUE(Has(pack("E2", dir.File("s19.hex")).err, "not an Intel HEX file"));
  EXPECT_TRUE(Has(pack("E2", dir.File("text.hex")).err, "not an Intel HEX file"));
  EXPECT_TRUE(Has(pack("E2", dir.File("empty.hex")).err, "holds no lines"));
  EXPECT_TRUE(Has(pack("E2", dir.File("huge.hex")).err, "128 KiB"));
  auto missing = pack("E2", dir.File("missing.hex"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(Has(missing.err, "missing.hex"));
  EXPECT_FALSE(Exists(dir.File("out.upd")));
}

TEST_F(FirmwareCommands, MissingArgumentsAreUsageErrors) {
  EXPECT_EQ(RunCliInProcess({"firmware"}).status, 2);
  EXPECT_EQ(RunCliInProcess({"firmware", "decode"}).status, 2);
  EXPECT_EQ(RunCliInProcess({"firmware", "pack", "--hex", dir.File("fw.hex"), dir.File("o.upd")}).status, 2);
  EXPECT_EQ(RunCliInProcess({"firmware", "pack", "--version", "E2", dir.File("o.upd")}).status, 2);
  EXPECT_EQ(RunCliInProcess({"firmware", "pack", "--version", "E2", "--hex", dir.File("fw.hex")}).status, 2);
}

}  // namespace
