// `velmar-cli identify`, `list` and `dump`: open and identify the programmer
// (hardware or simulated), then report what it is, list its slot directory,
// or read a run of bytes from one dataflash page.
#include <CLI/CLI.hpp>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/LinkSession.h"
#include "image/THexList.h"
#include "link/TReadProg.h"
#include "model/IdentificationTexts.h"
#include "platform/Clock.h"
#include "platform/FileDigest.h"
#include "platform/Text.h"
#include "slot/DirectoryCheck.h"
#include "slot/ProgrammerGeometry.h"
#include "slot/SlotHeader.h"
#include "slot/TProgramEntry.h"

namespace velmar::cli {

namespace {

using link::TReadProg;

struct DumpArgs {
  std::uint32_t page = 0;
  std::uint32_t count = 0;  // 0: the whole page (or half page for part 2)
  int part = 1;
};

std::string Model(slot::ProgrammerKind kind) {
  const slot::KindInfo* k = slot::FindKind(kind);
  return k ? k->model : "not identified";
}

void Identify(CliContext& ctx) {
  LinkSession s(ctx);
  s.Run([&] {
    TReadProg& p = s.Prog();
    p.Identify();
    const slot::ProgrammerGeometry& g = p.Geometry;
    const std::uint64_t ms = s.Env().Clock().NowMs();
    if (ctx.options.json) {
      ctx.PrintJson({{"kind", slot::NumberOf(g.Kind)},
                     {"model", Model(g.Kind)},
                     {"capacity", g.Capacity},
                     {"slot_size", g.SlotSize},
                     {"page_size", g.PageSize},
                     {"slot_count", g.SlotCount},
                     {"code_image_limit", g.CodeImageLimit},
                     {"loaded_firmware", s.Data().LoadedFirmware},
                     {"firmware_version", p.FirmwareVersion},
                     {"firmware_version_hex", VersionHex(p.FirmwareVersion)},
                     {"title", model::IdentifiedTitle(p.LastIdentification())},
                     {"protocol_ms", ms}});
      return;
    }
    ctx.out << "kind:             " << slot::NumberOf(g.Kind) << " (" << Model(g.Kind) << ")\n"
            << "capacity:         " << g.Capacity << "\n"
            << "slot size:        " << g.SlotSize << "\n"
            << "page size:        " << g.PageSize << "\n"
            << "slot count:       " << g.SlotCount << "\n"
            << "code image limit: " << g.CodeImageLimit << "\n"
            << "loaded firmware:  " << s.Data().LoadedFirmware << "\n"
            << "firmware version: " << p.FirmwareVersion << " (0x"
            << text::IntToHex(std::uint64_t(p.FirmwareVersion), 2) << ")\n"
            << "title:            " << model::IdentifiedTitle(p.LastIdentification()) << "\n"
            << "protocol time:    " << ms << " ms\n";
  });
}

// The digest of a slot's whole header: two programmers whose slots list the
// same digests hold the same headers, compared without reading the slots.
std::string HeaderSha256(const slot::HeaderBytes& header) {
  return platform::Sha256Hex({reinterpret_cast<const char*>(header.data()), header.size()});
}

void List(CliContext& ctx) {
  LinkSession s(ctx);
  s.Run([&] {
    TReadProg& p = s.Prog();
    p.Identify();
    slot::TProgramEntryList slots;
    p.ReadDirectory(slots);
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (int i = 0; i < slots.EntryCount; ++i) {
      const slot::TProgramEntry& e = slots.Get(i);
      const bool ok = slot::HeaderChecksumOk(e.Header.data());
      // The header Delete writes has no checksum (it is erased with the
      // rest of the header): such a slot is listed as empty, not as broken.
      const bool empty = slot::IsEmptiedHeader(e.Header.data());
      if (ctx.options.json) {
        list.push_back({{"slot", i + 1},
                        {"start_page", e.StartPage},
                        {"next_page", e.NextPage},
                        {"page_count", e.PageCount},
                        {"slot_name", text::Trim(e.SlotName)},
                        {"file_name", text::Trim(e.SourceFileName)},
                        {"device", text::Trim(e.DeviceName)},
                        {"header_checksum_ok", ok},
                        {"header_checksum", e.Header[slot::slot_header::HeaderChecksum.offset]},
                        {"header_sha256", HeaderSha256(e.Header)},
                        {"empty", empty},
                        {"stored", {{"slot_name", e.SlotName}, {"file_name", e.SourceFileName}}}});
      } else {
        ctx.out << text::ZeroPad(std::uint64_t(i + 1), 3) << "  page " << e.StartPage << "  next " << e.NextPage
                << "  pages " << e.PageCount << "  [" << text::EscapeControls(e.SlotName) << "]  ["
                << text::EscapeControls(e.SourceFileName) << "]  [" << text::EscapeControls(e.DeviceName)
                << "]  checksum "
                << (ok      ? "ok"
                    : empty ? "none (empty slot)"
                            : "WRONG")
                << "\n";
      }
    }
    if (ctx.options.json)
      ctx.PrintJson({{"slot_count", slots.EntryCount}, {"slots", list}});
    else if (slots.EntryCount == 0)
      ctx.out << "No slots in use\n";
  });
}

void Dump(CliContext& ctx, const DumpArgs& a) {
  LinkSession s(ctx);
  s.Run([&] {
    TReadProg& p = s.Prog();
    p.Identify();
    const slot::ProgrammerGeometry& g = p.Geometry;
    if (a.page >= g.PageTotal())
      throw CliFailure("Page " + std::to_string(a.page) + " lies beyond the dataflash (pages 0 to " +
                           std::to_string(g.PageTotal() - 1) + ")",
                       kExitUsage);
    std::uint32_t count = a.count ? a.count : (a.part == 2 ? g.PageSize / 2 : g.PageSize);
    p.PageIndexedReads = false;
    p.ReadImage = std::make_unique<image::THexList>(count);
    bool ok = p.ReadBlock(a.page, count, a.part);
    const std::uint8_t* data = p.ReadImage->DataAt(0);
    if (ctx.options.json) {
      ctx.PrintJson({{"page", a.page},
                     {"part", a.part},
                     {"address", p.PageAddress(a.page) + (a.part == 2 ? g.PageSize / 2 : 0)},
                     {"count", count},
                     {"trailer_ok", ok},
                     {"data", text::HexBytes(data, count, ' ')}});
    } else {
      for (std::uint32_t at = 0; at < count; at += 16)
        ctx.out << text::IntToHex(at, 4) << "  " << text::HexBytes(data + at, std::min<std::uint32_t>(16, count - at))
                << "\n";
    }
    if (!ok)
      throw CliFailure("Error reading Programmer Page " + std::to_string(a.page) + " (what was read is in " +
                       p.WorkingFolder + "dferror.hex)");
  });
}

}  // namespace

void RegisterProgrammerCommands(CLI::App& app, CliContext& ctx) {
  auto* identify = app.add_subcommand("identify", "Open the programmer and report its kind, geometry and firmware");
  identify->callback([&ctx] { Identify(ctx); });

  auto* list = app.add_subcommand("list", "Identify the programmer and list its slot directory");
  list->callback([&ctx] { List(ctx); });

  auto args = std::make_shared<DumpArgs>();
  auto* dump = app.add_subcommand("dump", "Read bytes from one dataflash page and print them in hexadecimal");
  dump->add_option("PAGE", args->page, "Page number")->required();
  dump->add_option("--count", args->count, "Bytes to read (default: the page, or half of it for --part 2)")
      ->check(CLI::Range(1, 21845));
  dump->add_option("--part", args->part, "1: from the page start, 2: from the middle of the page")
      ->check(CLI::IsMember({1, 2}));
  dump->callback([&ctx, args] { Dump(ctx, *args); });
}

}  // namespace velmar::cli
