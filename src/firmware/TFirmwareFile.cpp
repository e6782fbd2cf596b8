// Reading, checking, deciphering and writing firmware files.
#include "firmware/TFirmwareFile.h"

#include <filesystem>

#include "image/TFileLoader.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace velmar::firmware {

namespace fs = std::filesystem;

std::string NotFoundMessage(const std::string& file) {
  return "Firmware file not found\r" + file + "\r" + "Closing...";
}

std::string CorruptedMessage(const std::string& file) {
  return "Firmware file Corrupted\r" + file + "\r" + "Closing...";
}

namespace {

// The bytes the check line digests: every line followed by CR LF.
std::string CheckedText(const std::vector<std::string>& lines, std::size_t first) {
  std::string text;
  for (std::size_t i = first; i < lines.size(); ++i) {
    text += lines[i];
    text += "\r\n";
  }
  return text;
}

}  // namespace

std::vector<std::string> TFirmwareFile::ReadLines(const std::string& path) {
  std::error_code ec;
  auto size = fs::file_size(path, ec);
  if (!ec && size > kMaxFileSize)
    throw EFirmwareCorrupted("the file is " + std::to_string(size) + " bytes long, too large for a firmware file");
  std::string contents, error;
  if (!platform::ReadWholeFile(path, contents, &error)) throw image::EFileOpenError(error);
  return text::SplitLines(contents);
}

TFirmwareFile TFirmwareFile::Decode(std::vector<std::string> lines, TFirmwareCipher& cipher) {
  if (lines.empty()) throw EFirmwareCorrupted("the file holds no lines");
  if (TFirmwareCipher::DigestText(CheckedText(lines, 1)) != lines[0])
    throw EFirmwareCorrupted("the check line does not match the enciphered lines");
  if (lines.size() < 2) throw EFirmwareCorrupted("the file holds no version line");

  TFirmwareFile file;
  file.records_.reserve(lines.size() - 2);
  std::string plain;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (!cipher.DecipherLine(lines[i], plain))
      throw EFirmwareCorrupted("line " + std::to_string(i + 1) + " is not hexadecimal text");
    if (i == 1)
      file.version_ = std::move(plain);
    else
      file.records_.push_back(std::move(plain));
  }
  return file;
}

TFirmwareFile TFirmwareFile::Load(const std::string& path) {
  std::vector<std::string> lines = ReadLines(path);
  TFirmwareCipher cipher;
  cipher.SetKey();
  return Decode(std::move(lines), cipher);
}

std::string TFirmwareFile::Pack(std::string_view version, const std::vector<std::string>& records) {
  if (!IsVersionText(version))
    throw std::invalid_argument("the version must be two upper-case hexadecimal digits, not \"" + std::string(version) +
                                "\"");
  TFirmwareCipher cipher;
  cipher.SetKey();
  std::vector<std::string> lines;
  lines.reserve(records.size() + 1);
  lines.push_back(cipher.EncipherLine(version));
  for (const std::string& r : records) lines.push_back(cipher.EncipherLine(r));
  std::string body = CheckedText(lines, 0);
  return TFirmwareCipher::DigestText(body) + "\r\n" + body;
}

bool TFirmwareFile::IsVersionText(std::string_view text) {
  auto upperHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
  return text.size() == 2 && upperHex(text[0]) && upperHex(text[1]);
}

std::string TFirmwareFile::VersionText(std::uint8_t version) { return text::IntToHex(version, 2); }

bool TFirmwareFile::LoadInto(image::THexList& image, std::string* why) const {
  auto fail = [why](const std::string& reason) {
    if (why) *why = reason;
    return false;
  };
  const image::LoadResult loaded = image::TFileLoader::LoadLines(records_, image);
  const int format = loaded.format;
  if (loaded.Empty()) return fail("the firmware file holds no records");
  // The loader reads other hex formats too; firmware records are Intel HEX only.
  if (format != image::fmt_intel && format != image::fmt_intel_segment && format != image::fmt_intel_linear)
    return fail("the deciphered lines are not Intel HEX records");
  if (!loaded.Loaded())
    return fail("the records reach beyond the controller's " + std::to_string(image.Count()) + " bytes of flash");
  // Programmed, such records would leave the controller erased, without firmware.
  if (image.LastUsed() < 0) return fail("the records hold no byte to program: the flash would stay blank");
  return true;
}

}  // namespace velmar::firmware
