// `velmar-cli hex info` and `hex convert`: load any accepted hex text format
// into a memory image, report what was found, and save it as Intel HEX.
#include <CLI/CLI.hpp>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "image/TFileLoader.h"
#include "platform/Text.h"

namespace velmar::cli {

namespace {

using image::TFileLoader;
using image::THexList;

constexpr const char* kDefaultSize = "16777216";

struct HexArgs {
  std::string file;
  std::string out;
  std::string size = kDefaultSize;
};

std::uint32_t ImageSize(const std::string& text) {
  std::uint64_t n = ParseSize(text);
  if (n > 0x10000000) throw CliFailure("--size " + text + " is larger than 256 MiB", kExitUsage);
  return std::uint32_t(n);
}

// Loads `file` and returns the load result; throws CliFailure when the file
// cannot be read.
int Load(const std::string& file, THexList& image) {
  try {
    return TFileLoader::LoadFile(file, image);
  } catch (const image::EFileOpenError& e) {
    throw CliFailure(e.what());
  }
}

std::string LoadFailure(const std::string& file, int result, int format) {
  if (result == image::fmt_empty) return "File Load Error: " + file + " holds no lines";
  if (format == image::fmt_unknown) return "File Format Warning: " + file + " is not in a hex format Velmar reads";
  return "File Load Error: " + file + " has data beyond the image size";
}

void Info(CliContext& ctx, const HexArgs& a) {
  THexList image(ImageSize(a.size));
  int result = Load(a.file, image);
  int format = TFileLoader::LastFormat();
  std::uint64_t used = 0;
  const std::uint8_t* p = image.DataAt(0);
  for (std::uint32_t i = 0; i < image.Count(); ++i) used += p[i] != 0xFF;
  std::int64_t last = image.LastUsed();

  if (ctx.options.json) {
    ctx.PrintJson({{"format", format},
                   {"format_name", TFileLoader::FormatName(format)},
                   {"result", result},
                   {"last_used", last},
                   {"bytes_used", used}});
  } else {
    ctx.out << "format:     " << format << " (" << TFileLoader::FormatName(format) << ")\n"
            << "result:     " << result << "\n"
            << "last used:  " << (last < 0 ? std::string("none") : "0x" + text::IntToHex(std::uint64_t(last), 8))
            << "\n"
            << "bytes used: " << used << "\n";
  }
  if (result < 0) throw CliFailure(LoadFailure(a.file, result, format));
}

void Convert(CliContext& ctx, const HexArgs& a) {
  THexList image(ImageSize(a.size));
  int result = Load(a.file, image);
  if (result < 0) throw CliFailure(LoadFailure(a.file, result, TFileLoader::LastFormat()));
  std::string error;
  if (TFileLoader::SaveFile(a.out, image, 1, &error) != 0) throw CliFailure("File Save Error: " + error);
  if (!ctx.options.json)
    ctx.out << "Wrote " << a.out << " as Intel HEX (read as " << TFileLoader::FormatName(TFileLoader::LastFormat())
            << ")\n";
  else
    ctx.PrintJson({{"output", a.out}, {"format", TFileLoader::LastFormat()}});
}

}  // namespace

void RegisterHexCommands(CLI::App& app, CliContext& ctx) {
  auto* hex = app.add_subcommand("hex", "Hex files: inspect and convert");
  hex->require_subcommand(1);
  auto args = std::make_shared<HexArgs>();

  auto* info = hex->add_subcommand("info", "Load a hex file and report its format and contents");
  info->add_option("FILE", args->file, "Hex file in any accepted format")->required();
  info->add_option("--size", args->size, "Image size in bytes (default 16 MiB)");
  info->callback([&ctx, args] { Info(ctx, *args); });

  auto* convert = hex->add_subcommand("convert", "Load a hex file in any accepted format and save it as Intel HEX");
  convert->add_option("IN", args->file, "Input file")->required();
  convert->add_option("OUT", args->out, "Intel HEX output file")->required();
  convert->add_option("--size", args->size, "Image size in bytes (default 16 MiB)");
  convert->callback([&ctx, args] { Convert(ctx, *args); });
}

}  // namespace velmar::cli
