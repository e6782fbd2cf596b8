// Firmware files as a whole: the check line over the enciphered lines joined
// with CR LF, deciphering into a version line and records, the failures that
// the update reports as a corrupted or missing file, and loading the records
// into the controller's flash image.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "firmware/TFirmwareFile.h"
#include "image/TFileLoader.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

using namespace velmar;
using firmware::EFirmwareCorrupted;
using firmware::TFirmwareCipher;
using firmware::TFirmwareFile;
using velmar::test::TempDir;
using velmar::test::WriteFile;

namespace {

const std::vector<std::string> kRecords = {
    ":020000040000FA",
    ":100000000C9446000C9465000C9465000C946500FB",
    ":10001000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0",
    ":00000001FF",
};

// Builds a file from already enciphered lines with a check line computed from
// the primitives, joining with `eol`.
std::string FileText(const std::vector<std::string>& enciphered, const std::string& eol = "\r\n") {
  std::string checked;
  for (const auto& l : enciphered) checked += l + "\r\n";
  firmware::Digest d = firmware::Ripemd256(checked);
  std::string text = firmware::Base64Text(d.data(), d.size()) + eol;
  for (const auto& l : enciphered) text += l + eol;
  return text;
}

std::vector<std::string> Encipher(const std::vector<std::string>& plain) {
  TFirmwareCipher cipher;
  cipher.SetKey();
  std::vector<std::string> lines;
  for (const auto& p : plain) lines.push_back(cipher.EncipherLine(p));
  return lines;
}

TFirmwareFile DecodeText(const std::string& text) {
  TFirmwareCipher cipher;
  cipher.SetKey();
  return TFirmwareFile::Decode(text::SplitLines(text), cipher);
}

std::string CorruptionOf(const std::string& text) {
  try {
    DecodeText(text);
  } catch (const EFirmwareCorrupted& e) {
    return e.what();
  }
  return "(accepted)";
}

TEST(FirmwareFilePack, WritesACheckLineThenOneHexLinePerLineWithCrLf) {
  std::string text = TFirmwareFile::Pack("E2", kRecords);
  std::vector<std::string> plain = {"E2"};
  plain.insert(plain.end(), kRecords.begin(), kRecords.end());
  EXPECT_EQ(text, FileText(Encipher(plain)));

  auto lines = text::SplitLines(text);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0].size(), 44u);
  EXPECT_EQ(lines[0].back(), '=');
  EXPECT_EQ(lines[1].size(), 4u);  // two version characters, two hex digits each
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(FirmwareFilePack, RoundTripsVersionAndRecords) {
  TFirmwareFile fw = DecodeText(TFirmwareFile::Pack("1F", kRecords));
  EXPECT_EQ(fw.Version(), "1F");
  EXPECT_EQ(fw.Records(), kRecords);
}

TEST(FirmwareFilePack, RefusesAVersionThatIsNotTwoUpperCaseHexDigits) {
  for (const char* bad : {"e2", "E", "E22", "E2 ", "G1", ""})
    EXPECT_THROW(TFirmwareFile::Pack(bad, kRecords), std::invalid_argument) << bad;
}

TEST(FirmwareFileCheck, OneChangedCheckCharacterIsRefusedBeforeAnyLineIsDeciphered) {
  // Line 3 is not hexadecimal: if deciphering ran first, that would be the
  // complaint.
  std::string text = FileText({"1A44", "not hex at all"});
  ASSERT_NE(CorruptionOf(text).find("line 3"), std::string::npos);
  text[5] = text[5] == 'A' ? 'B' : 'A';
  EXPECT_NE(CorruptionOf(text).find("check line"), std::string::npos);
}

TEST(FirmwareFileCheck, ACheckLineIsCaseSensitive) {
  std::string text = TFirmwareFile::Pack("E2", kRecords);
  std::size_t letter = text.find_first_of("abcdefghijklmnopqrstuvwxyz");
  ASSERT_LT(letter, 44u);
  text[letter] = char(text[letter] - 'a' + 'A');
  EXPECT_NE(CorruptionOf(text).find("check line"), std::string::npos);
}

TEST(FirmwareFileCheck, AChangedEncipheredCharacterFailsTheCheck) {
  std::string text = TFirmwareFile::Pack("E2", kRecords);
  std::size_t pos = text.find("\r\n", 50) - 1;
  text[pos] = text[pos] == '0' ? '1' : '0';
  EXPECT_NE(CorruptionOf(text).find("check line"), std::string::npos);
}

TEST(FirmwareFileCheck, LineEndsDoNotChangeTheDigest) {
  std::string crlf = TFirmwareFile::Pack("E2", kRecords);
  std::string lf, cr;
  for (char c : crlf)
    if (c != '\r') lf += c;
  for (char c : crlf)
    if (c != '\n') cr += c;
  EXPECT_EQ(DecodeText(lf).Records(), kRecords);
  EXPECT_EQ(DecodeText(cr).Records(), kRecords);
  // The last line needs no line end.
  EXPECT_EQ(DecodeText(lf.substr(0, lf.size() - 1)).Records(), kRecords);
}

TEST(FirmwareFileCheck, LowerCaseHexLinesDecipherTheSame) {
  std::vector<std::string> lines = Encipher({"E2", ":00000001FF"});
  for (auto& l : lines) l = text::LowerCase(l);
  TFirmwareFile fw = DecodeText(FileText(lines));
  EXPECT_EQ(fw.Version(), "E2");
  EXPECT_EQ(fw.Records(), std::vector<std::string>{":00000001FF"});
}

TEST(FirmwareFileCheck, IdenticalEncipheredLinesGiveIdenticalRecords) {
  std::vector<std::string> lines = Encipher({"E2", ":00000001FF"});
  lines.push_back(lines.back());
  TFirmwareFile fw = DecodeText(FileText(lines));
  ASSERT_EQ(fw.Records().size(), 2u);
  EXPECT_EQ(fw.Records()[0], fw.Records()[1]);
}

TEST(FirmwareFileCheck, AnEmptyEncipheredLineBecomesAnEmptyRecord) {
  std::vector<std::string> lines = Encipher({"E2", ":00000001FF"});
  lines.insert(lines.begin() + 1, "");
  TFirmwareFile fw = DecodeText(FileText(lines));
  EXPECT_EQ(fw.Records(), (std::vector<std::string>{"", ":00000001FF"}));
}

TEST(FirmwareFileCheck, NonHexTextWithAMatchingCheckLineIsCorrupted) {
  std::vector<std::string> lines = Encipher({"E2", ":00000001FF"});
  lines.push_back("0A0B0C 0D");
  EXPECT_NE(CorruptionOf(FileText(lines)).find("line 4 is not hexadecimal"), std::string::npos);
  lines.back() = "ABC";
  EXPECT_NE(CorruptionOf(FileText(lines)).find("line 4 is not hexadecimal"), std::string::npos);
}

TEST(FirmwareFileCheck, FilesWithoutAVersionLineAreCorrupted) {
  EXPECT_NE(CorruptionOf("").find("no lines"), std::string::npos);
  // A lone check line, and it matches: the digest of nothing.
  EXPECT_NE(CorruptionOf(FileText({})).find("no version line"), std::string::npos);
  EXPECT_NE(CorruptionOf("garbage\r\n").find("check line"), std::string::npos);
}

TEST(FirmwareFileLoad, ReadsFromDiskAndReportsUnreadableFilesAsOpenErrors) {
  TempDir dir;
  WriteFile(dir.File("fw.upd"), TFirmwareFile::Pack("E3", kRecords));
  TFirmwareFile fw = TFirmwareFile::Load(dir.File("fw.upd"));
  EXPECT_EQ(fw.Version(), "E3");
  EXPECT_EQ(fw.Records(), kRecords);
  EXPECT_THROW(TFirmwareFile::Load(dir.File("missing.upd")), image::EFileOpenError);
  EXPECT_THROW(TFirmwareFile::Load(dir.Path()), image::EFileOpenError);
}

TEST(FirmwareFileLoad, RefusesAFileTooLargeToBeFirmwareUnread) {
  TempDir dir;
  std::string path = dir.File("huge.upd");
  WriteFile(path, "x");
  std::filesystem::resize_file(path, TFirmwareFile::kMaxFileSize + 1);
  try {
    TFirmwareFile::Load(path);
    FAIL() << "accepted";
  } catch (const EFirmwareCorrupted& e) {
    EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos);
  }
}

TEST(FirmwareFileMessages, AreTheUpdatesTexts) {
  EXPECT_EQ(firmware::CorruptedMessage("F.upd"), "Firmware file Corrupted\rF.upd\rClosing...");
  EXPECT_EQ(firmware::NotFoundMessage("F.upd"), "Firmware file not found\rF.upd\rClosing...");
}

TEST(FirmwareFileVersion, TextIsTwoUpperCaseDigits) {
  EXPECT_EQ(TFirmwareFile::VersionText(0xE2), "E2");
  EXPECT_EQ(TFirmwareFile::VersionText(0x05), "05");
  EXPECT_TRUE(TFirmwareFile::IsVersionText("E3"));
  EXPECT_FALSE(TFirmwareFile::IsVersionText("e3"));
  EXPECT_FALSE(TFirmwareFile::IsVersionText("$E3"));
}

TEST(FirmwareFileImage, LoadsIntelRecordsIntoTheFlashImage) {
  TFirmwareFile fw = DecodeText(TFirmwareFile::Pack("E2", kRecords));
  image::THexList flash(0x2000);
  std::string why;
  ASSERT_TRUE(fw.LoadInto(flash, &why)) << why;
  EXPECT_EQ(flash.GetValue(0), 0x0C);
  EXPECT_EQ(flash.GetValue(3), 0x00);
  EXPECT_EQ(flash.GetValue(0x0F), 0x00);
  EXPECT_EQ(flash.GetValue(0x10), 0xFF);
}

TEST(FirmwareFileImage, RefusesRecordsBeyondTheFlashOrThatAreNotIntelHex) {
  image::THexList flash(0x2000);
  std::string why;
  auto beyond = DecodeText(TFirmwareFile::Pack("E2", {":01200000AA35", ":00000001FF"}));
  EXPECT_FALSE(beyond.LoadInto(flash, &why));
  EXPECT_NE(why.find("beyond"), std::string::npos);

  auto srec = DecodeText(TFirmwareFile::Pack("E2", {"S1050000AABB95", "S9030000FC"}));
  EXPECT_FALSE(srec.LoadInto(flash, &why));
  EXPECT_NE(why.find("not Intel HEX"), std::string::npos);

  auto nonsense = DecodeText(TFirmwareFile::Pack("E2", {"\x01\x02garbage\xFF"}));
  EXPECT_FALSE(nonsense.LoadInto(flash, &why));
  EXPECT_NE(why.find("not Intel HEX"), std::string::npos);

  auto none = DecodeText(TFirmwareFile::Pack("E2", {}));
  EXPECT_FALSE(none.LoadInto(flash, &why));
  EXPECT_NE(why.find("no records"), std::string::npos);

  // Records that put no byte other than 0xFF into the flash: programmed, they
  // would leave the controller without firmware.
  for (std::vector<std::string> records :
       {std::vector<std::string>{":00000001FF"}, std::vector<std::string>{":02000000FFFF00", ":00000001FF"}}) {
    auto blank = DecodeText(TFirmwareFile::Pack("E2", records));
    why.clear();
    EXPECT_FALSE(blank.LoadInto(flash, &why)) << records.front();
    EXPECT_NE(why.find("blank"), std::string::npos) << why;
  }
}

}  // namespace
