// `velmar-cli firmware decode` and `firmware pack`: check and decipher a
// firmware file (.upd), or make one from a version and an Intel HEX file of
// the programmer's controller.
#include <CLI/CLI.hpp>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "firmware/TFirmwareFile.h"
#include "image/TFileLoader.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace velmar::cli {

namespace {

using firmware::TFirmwareFile;

struct FirmwareArgs {
  std::string file;
  std::string out;
  std::string version;
  std::string hex;
};

// Text safe to print: printable ASCII kept, other bytes as \xNN.
std::string Printable(std::string_view s) {
  std::string r;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F && c != '\\')
      r += char(c);
    else
      r += "\\x" + text::IntToHex(c, 2);
  }
  return r;
}

TFirmwareFile LoadFirmware(const std::string& path) {
  try {
    return TFirmwareFile::Load(path);
  } catch (const image::EFileOpenError& e) {
    throw CliFailure(std::string("Firmware file not found: ") + e.what());
  } catch (const firmware::EFirmwareCorrupted& e) {
    throw CliFailure("Firmware file Corrupted: " + path + ": " + e.what());
  }
}

std::string RecordsText(const std::vector<std::string>& records) {
  std::string text;
  for (const std::string& r : records) text += r + "\r\n";
  return text;
}

void Decode(CliContext& ctx, const FirmwareArgs& a) {
  TFirmwareFile fw = LoadFirmware(a.file);
  if (!TFirmwareFile::IsVersionText(fw.Version()))
    throw CliFailure("Firmware File version is incorrect: " + a.file + " deciphers to the version line \"" +
                     Printable(fw.Version()) + "\", not two upper-case hexadecimal digits");
  image::THexList flash(TFirmwareFile::kLargestFlash);
  std::string why;
  if (!fw.LoadInto(flash, &why)) throw CliFailure("Firmware file Corrupted: " + a.file + ": " + why);

  if (!a.out.empty()) ctx.WriteUserFile(a.out, RecordsText(fw.Records()));
  std::ostream& report = ctx.ReportTo(a.out);
  if (ctx.options.json) {
    const int version = std::stoi(fw.Version(), nullptr, 16);
    ctx.PrintJson({{"version", version}, {"version_hex", fw.Version()}, {"records", fw.Records().size()}});
  } else {
    report << "version: " << VersionText(std::stoi(fw.Version(), nullptr, 16)) << "\n"
           << "records: " << fw.Records().size() << "\n";
    if (!a.out.empty()) report << "Wrote " << a.out << "\n";
  }
}

// The version as written in a firmware file: two hex digits, upper case.
std::string VersionArgument(const std::string& given) { return VersionHex(ParseStoredVersion("--version", given)); }

// The record lines of an Intel HEX file, blank lines left out.
std::vector<std::string> HexRecords(const std::string& path) {
  std::string contents, error;
  if (!platform::ReadWholeFile(path, contents, &error)) throw CliFailure("File Load Error: " + error);
  std::vector<std::string> records;
  for (const std::string& line : text::SplitLines(contents)) {
    std::string t = text::Trim(line);
    if (!t.empty()) records.push_back(t);
  }
  if (records.empty()) throw CliFailure("File Load Error: " + path + " holds no lines");

  image::THexList flash(TFirmwareFile::kLargestFlash);
  const image::LoadResult loaded = image::TFileLoader::LoadLines(records, flash);
  const int format = loaded.format;
  if (format != image::fmt_intel && format != image::fmt_intel_segment && format != image::fmt_intel_linear)
    throw CliFailure("File Format Warning: " + path + " is not an Intel HEX file");
  if (!loaded.Loaded())
    throw CliFailure("File Size Warning: " + path + " has data beyond the controller's 128 KiB of flash");
  return records;
}

void Pack(CliContext& ctx, const FirmwareArgs& a) {
  std::string version = VersionArgument(a.version);
  std::vector<std::string> records = HexRecords(a.hex);
  ctx.WriteUserFile(a.out, TFirmwareFile::Pack(version, records));
  std::ostream& report = ctx.ReportTo(a.out);
  if (ctx.options.json)
    ctx.PrintJson({{"output", a.out},
                   {"version", std::stoi(version, nullptr, 16)},
                   {"version_hex", version},
                   {"records", records.size()}});
  else
    report << "Wrote " << a.out << " (version " << VersionText(std::stoi(version, nullptr, 16)) << ", "
           << records.size() << " records)\n";
}

}  // namespace

void RegisterFirmwareCommands(CLI::App& app, CliContext& ctx) {
  auto* fw = app.add_subcommand("firmware", "Firmware files (.upd): decipher and make");
  fw->require_subcommand(1);
  auto args = std::make_shared<FirmwareArgs>();

  auto* decode = fw->add_subcommand("decode", "Check and decipher a firmware file; print its version and record count");
  decode->add_option("FILE", args->file, "Firmware file (.upd)")->required();
  decode->add_option("--out", args->out, "Write the deciphered Intel HEX records to this file (- for stdout)");
  decode->callback([&ctx, args] { Decode(ctx, *args); });

  auto* pack = fw->add_subcommand("pack", "Make a firmware file from a version and an Intel HEX file");
  pack->add_option("--version", args->version, "Firmware version: 226, 0xE2 or E2")->required();
  pack->add_option("--hex", args->hex, "Intel HEX file of the controller's flash")->required();
  pack->add_option("OUT", args->out, "Firmware file to write (.upd, - for stdout)")->required();
  pack->callback([&ctx, args] { Pack(ctx, *args); });
}

}  // namespace velmar::cli
