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

// Without --size the image follows the file's addresses up to 16 MiB.
constexpr std::uint32_t kDefaultSize = 16 * 1024 * 1024;

struct HexArgs {
  std::string file;
  std::string out;
  std::string size;  // empty: not given
};

std::uint32_t ImageSize(const std::string& text) {
  std::uint64_t n = ParseSize(text);
  if (n > 0x10000000) throw CliFailure("--size " + text + " is larger than 256 MiB", kExitUsage);
  return std::uint32_t(n);
}

// Loads `file` into an image of the size given, or one that grows as far as
// the file needs up to the default size; returns the load result, with any
// warning on stderr. Throws CliFailure when the file cannot be read.
image::LoadResult Load(CliContext& ctx, const HexArgs& a, THexList& image) {
  const std::string& file = a.file;
  image::LoadResult r;
  try {
    if (a.size.empty()) {
      r = TFileLoader::LoadFileSized(file, image, kDefaultSize);
    } else {
      image.SetSize(ImageSize(a.size));
      r = TFileLoader::LoadFile(file, image);
    }
  } catch (const image::EFileOpenError& e) {
    throw CliFailure(e.what());
  }
  for (const std::string& w : r.warnings) ctx.Warn(file + " " + w);
  if (!r.warnings.empty()) ctx.PrintJson({{"warnings", r.warnings}});
  if (r.line > 0) ctx.PrintJson({{"bad_line", {{"line", r.line}, {"reason", image::LoadFaultName(r.fault)}}}});
  return r;
}

std::string LoadFailure(const std::string& file, const image::LoadResult& r) {
  if (r.Empty()) return "File Load Error: " + file + " holds no lines";
  if (r.format == image::fmt_unknown)
    return "File Format Warning: " + file + " is not in a hex format Velmar reads (" + r.message + ")";
  return "File Load Error: " + file + " has data beyond the image size (" + r.message + ")";
}

void Info(CliContext& ctx, const HexArgs& a) {
  ctx.PrintJson({{"file", a.file}});
  THexList image;
  const image::LoadResult r = Load(ctx, a, image);
  std::uint64_t used = 0;
  for (std::uint32_t page = 0; page < image.PageCount(); ++page)
    if (const std::uint8_t* p = image.PageData(page))
      for (std::uint32_t i = 0; i < THexList::kPageSize; ++i) used += p[i] != 0xFF;
  std::int64_t last = image.LastUsed();

  if (ctx.options.json) {
    ctx.PrintJson({{"format", r.format},
                   {"format_name", TFileLoader::FormatName(r.format)},
                   {"result", r.result},
                   {"last_used", last},
                   {"bytes_used", used}});
  } else {
    ctx.out << "format:     " << r.format << " (" << TFileLoader::FormatName(r.format) << ")\n"
            << "result:     " << r.result << "\n"
            << "last used:  " << (last < 0 ? std::string("none") : "0x" + text::IntToHex(std::uint64_t(last), 8))
            << "\n"
            << "bytes used: " << used << "\n";
  }
  if (!r.Loaded()) throw CliFailure(LoadFailure(a.file, r));
}

void Convert(CliContext& ctx, const HexArgs& a) {
  ctx.PrintJson({{"file", a.file}});
  THexList image;
  const image::LoadResult r = Load(ctx, a, image);
  if (!r.Loaded()) throw CliFailure(LoadFailure(a.file, r));
  ctx.WriteUserFile(
      a.out, [&image](const platform::AppendBytes& append) { return TFileLoader::WriteIntelHex(image, append); });
  std::ostream& report = ctx.ReportTo(a.out);
  if (!ctx.options.json)
    report << "Wrote " << a.out << " as Intel HEX (read as " << TFileLoader::FormatName(r.format) << ")\n";
  else
    ctx.PrintJson({{"output", a.out}, {"format", r.format}});
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
  convert->add_option("OUT", args->out, "Intel HEX output file (- for stdout)")->required();
  convert->add_option("--size", args->size, "Image size in bytes (default 16 MiB)");
  convert->callback([&ctx, args] { Convert(ctx, *args); });
}

}  // namespace velmar::cli
