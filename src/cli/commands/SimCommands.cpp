// `velmar-cli sim ...`: make, show and change simulated programmers (their
// state files), move whole dataflash images in and out of them as hex files
// laid out like unit image files (address = page x page size + offset), and
// write the flash image of a firmware for the simulated controller (the
// source of the shipped firmware files).
#include <CLI/CLI.hpp>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "sim/ControllerFirmware.h"
#include "sim/DataflashImage.h"
#include "sim/ProgrammerBoard.h"
#include "sim/SimState.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::cli {

namespace {

struct SimArgs {
  std::string file;
  std::string image;
  std::string kind;
  std::string firmware;
  std::string version;
  int hardware = 1;
  bool noSupply = false;
  bool standardPages = false;
  bool force = false;
  std::vector<std::string> faults;
  std::string controller;
};

sim::SimState Load(const std::string& file) {
  try {
    return sim::LoadState(file);
  } catch (const std::exception& e) {
    throw CliFailure(e.what());
  }
}

void Save(const std::string& file, const sim::SimState& s) {
  std::string error;
  if (!sim::SaveState(file, s, &error)) throw CliFailure(error);
}

void Create(CliContext& ctx, const SimArgs& a) {
  auto kind = slot::ParseKind(a.kind);
  if (!kind) throw CliFailure("--kind " + a.kind + ": expected 0-5 or a kind name", kExitUsage);
  if (platform::FileExists(a.file) && !a.force)
    throw CliFailure(a.file + " already exists (it may hold a staged dataflash); add --force to replace it");
  sim::ExpectedVersions versions = sim::ReadExpectedVersions(ctx.Folders().program);
  sim::SimState s = sim::FreshState(*kind, versions);
  if (!a.firmware.empty() && !sim::ParseFirmware(a.firmware, s.firmware))
    throw CliFailure("--firmware " + a.firmware + ": expected pic, pic24, portable or none", kExitUsage);
  s.version = !a.version.empty()                          ? ParseVersion("--version", a.version)
              : s.firmware == sim::FirmwareKind::pic24    ? versions.pic24
              : s.firmware == sim::FirmwareKind::portable ? versions.portable
                                                          : versions.pic;
  s.hardware = a.hardware;
  s.supply = !a.noSupply;
  std::string text = sim::StateText(s);
  if (a.standardPages) text += "binary_pages=0\n";
  for (const std::string& f : a.faults) text += "fault." + f + "\n";
  try {
    s = sim::ParseState(text);
  } catch (const std::exception& e) {
    throw CliFailure(std::string("Cannot make that programmer: ") + e.what(), kExitUsage);
  }
  std::ostream& report = ctx.ReportTo(a.file);
  if (a.file == "-")
    ctx.WriteUserFile(a.file, sim::StateText(s));
  else
    Save(a.file, s);
  if (ctx.options.json)
    ctx.PrintJson({{"file", a.file},
                   {"kind", slot::NumberOf(s.kind)},
                   {"firmware", sim::FirmwareName(s.firmware)},
                   {"version", s.version},
                   {"version_hex", VersionHex(s.version)}});
  else
    report << "Made a simulated " << slot::FindKind(s.kind)->model << " in " << a.file << "\n";
}

void Show(CliContext& ctx, const SimArgs& a) {
  sim::SimState s = Load(a.file);
  sim::SyncFirmwareWithFlash(s);
  const sim::AvrController& c = s.controller;
  std::uint32_t used = 0;
  for (std::uint32_t p = 0; p < s.flash->Geometry().pages; ++p) used += !s.flash->PageBlank(p);
  if (ctx.options.json) {
    ctx.PrintJson({{"kind", slot::NumberOf(s.kind)},
                   {"model", slot::FindKind(s.kind)->model},
                   {"hardware", s.hardware},
                   {"firmware", sim::FirmwareName(s.firmware)},
                   {"version", s.version},
                   {"version_hex", VersionHex(s.version)},
                   {"token", s.token},
                   {"supply", s.supply},
                   {"voltage_sensing", s.voltageSensing},
                   {"binary_pages", s.flash->BinaryPages()},
                   {"binary_pending", s.binaryPending},
                   {"page_size", s.flash->PageSize()},
                   {"pages", s.flash->Geometry().pages},
                   {"pages_used", used},
                   {"controller", c.part->name},
                   {"fuse_low", c.lowFuse},
                   {"fuse_high", c.highFuse},
                   {"fuse_extended", c.extendedFuse},
                   {"lock_bits", c.lockBits}});
    return;
  }
  std::string text = sim::StateText(s);
  for (const std::string& line : text::SplitLines(text))
    if (!text::StartsWith(line, "page ") && !text::StartsWith(line, "controller_page ") && !text::StartsWith(line, "#"))
      ctx.out << line << "\n";
  ctx.out << "dataflash: " << s.flash->Geometry().pages << " pages of " << s.flash->PageSize() << " bytes, " << used
          << " in use\n";
}

void Import(CliContext& ctx, const SimArgs& a) {
  sim::SimState s = Load(a.file);
  image::THexList img(sim::LoaderPageSize(s) * sim::LoaderPageCount(s));
  image::LoadResult loaded;
  try {
    loaded = image::TFileLoader::LoadFile(a.image, img);
  } catch (const image::EFileOpenError& e) {
    throw CliFailure(e.what());
  }
  if (loaded.Empty()) throw CliFailure("File Load Error: " + a.image + " holds no lines");
  if (!loaded.Loaded())
    throw CliFailure("File Load Error: " + a.image + " is not a hex file or has data beyond the " +
                     std::to_string(img.Count()) + "-byte dataflash");
  sim::ImportImage(s, img);
  Save(a.file, s);
  if (!ctx.options.json)
    ctx.out << "Put " << a.image << " into " << a.file << "\n";
  else
    ctx.PrintJson({{"file", a.file}, {"image", a.image}, {"last_used", img.LastUsed()}});
}

void Export(CliContext& ctx, const SimArgs& a) {
  sim::SimState s = Load(a.file);
  image::THexList img;
  sim::ExportImage(s, img);
  ctx.WriteUserFile(a.image, image::TFileLoader::IntelHexText(img));
  std::ostream& report = ctx.ReportTo(a.image);
  if (!ctx.options.json)
    report << "Wrote " << a.image << "\n";
  else
    ctx.PrintJson({{"file", a.file}, {"image", a.image}, {"last_used", img.LastUsed()}});
}

void PowerCycle(CliContext& ctx, const SimArgs& a) {
  sim::SimState s = Load(a.file);
  platform::VirtualClock clock;
  sim::ProgrammerBoard(s, clock).PowerCycle();
  Save(a.file, s);
  if (!ctx.options.json)
    ctx.out << "Switched the simulated programmer in " << a.file << " off and on\n";
  else
    ctx.PrintJson({{"file", a.file}, {"binary_pages", s.flash->BinaryPages()}});
}

void FirmwareHex(CliContext& ctx, const SimArgs& a) {
  sim::FirmwareKind firmware;
  if (!sim::ParseFirmware(a.firmware, firmware) || firmware == sim::FirmwareKind::none)
    throw CliFailure("--firmware " + a.firmware + ": expected pic, pic24 or portable", kExitUsage);
  const sim::AvrPart* part =
      a.controller.empty()
          ? &sim::PartForKind(firmware == sim::FirmwareKind::portable ? slot::kind_portable : slot::kind_single)
          : sim::FindPart(a.controller);
  if (!part) throw CliFailure("--controller " + a.controller + ": expected atmega128 or atmega8515", kExitUsage);
  const int version = ParseVersion("--version", a.version);
  ctx.WriteUserFile(a.image, sim::FirmwareHexText(firmware, version, *part));
  std::ostream& report = ctx.ReportTo(a.image);
  if (ctx.options.json)
    ctx.PrintJson({{"image", a.image},
                   {"firmware", sim::FirmwareName(firmware)},
                   {"version", version},
                   {"version_hex", VersionHex(version)},
                   {"controller", part->name}});
  else
    report << "Wrote " << a.image << " (" << sim::FirmwareName(firmware) << " firmware version " << VersionText(version)
           << " for the " << part->name << ")\n";
}

const char* FirmwareLineName(slot::FirmwareLine line) {
  switch (line) {
    case slot::FirmwareLine::pic: return "pic";
    case slot::FirmwareLine::picOrPic24: return "pic-or-pic24";
    case slot::FirmwareLine::portable: return "portable";
    case slot::FirmwareLine::earliest: return "earliest";
  }
  return "";
}

// The programmer kinds, one per line, or their rows as JSON: what scripts
// and completions read instead of keeping lists of their own.
void Kinds(CliContext& ctx, bool namesOnly) {
  if (ctx.options.json) {
    nlohmann::ordered_json kinds = nlohmann::ordered_json::array();
    for (const slot::KindInfo* k = slot::KindsBegin(); k != slot::KindsEnd(); ++k)
      kinds.push_back({{"number", slot::NumberOf(k->kind)},
                       {"name", k->name},
                       {"model", k->model},
                       {"product", k->product},
                       {"capacity", k->capacity},
                       {"slot_size", k->slotSize},
                       {"page_size", k->pageSize},
                       {"multi_slot", k->multiSlot},
                       {"half_pages", k->halfPages},
                       {"page_mode_256", k->pageMode256},
                       {"firmware", FirmwareLineName(k->firmware)},
                       {"guide", k->guideFile},
                       {"controller", k->sim.controller}});
    ctx.PrintJson({{"kinds", kinds}});
    return;
  }
  for (const slot::KindInfo* k = slot::KindsBegin(); k != slot::KindsEnd(); ++k) {
    if (namesOnly)
      ctx.out << k->name << "\n";
    else
      ctx.out << slot::NumberOf(k->kind) << "  " << k->name << "  " << k->model << " (" << k->product << ")\n";
  }
}

}  // namespace

void RegisterSimCommands(CLI::App& app, CliContext& ctx) {
  auto* simCmd =
      app.add_subcommand("sim", "Simulated programmers: list the kinds, make, show, power-cycle, import and export");
  simCmd->require_subcommand(1);
  auto a = std::make_shared<SimArgs>();

  auto* create = simCmd->add_subcommand("create", "Make a fresh simulated programmer in a state file");
  create->add_option("FILE", a->file, "State file (- for stdout)")->required();
  create->add_option("--kind", a->kind, slot::KindNumberRange() + " or " + slot::KindNameList())->required();
  create->add_option("--firmware", a->firmware, "Firmware it runs: pic, pic24, portable or none");
  create->add_option("--version", a->version,
                     "Firmware version, 226, 0xE2 or E2 (default: the one progsetting.ini expects)");
  create->add_option("--hardware", a->hardware, "Hardware version of the portable programmer")
      ->check(CLI::IsMember({1, 2}));
  create->add_flag("--no-supply", a->noSupply, "The programmer has no supply (flat battery)");
  create->add_flag("--standard-pages", a->standardPages, "8-way: dataflash not yet switched to binary pages");
  create->add_option("--fault", a->faults, "Inject a fault, NAME=VALUE (see docs/SIMULATOR.md)");
  create->add_flag("--force", a->force, "Replace an existing state file");
  create->callback([&ctx, a] { Create(ctx, *a); });

  auto* kinds = simCmd->add_subcommand("kinds", "List the programmer kinds the simulator and --simulate take");
  auto namesOnly = std::make_shared<bool>(false);
  kinds->add_flag("--names", *namesOnly, "Only the names, one per line");
  kinds->callback([&ctx, namesOnly] { Kinds(ctx, *namesOnly); });

  auto* show = simCmd->add_subcommand("show", "Show a simulated programmer's state");
  show->add_option("FILE", a->file, "State file")->required();
  show->callback([&ctx, a] { Show(ctx, *a); });

  auto* power = simCmd->add_subcommand("power-cycle", "Switch a simulated programmer off and on");
  power->add_option("FILE", a->file, "State file")->required();
  power->callback([&ctx, a] { PowerCycle(ctx, *a); });

  auto* import = simCmd->add_subcommand("import", "Put a dataflash image (hex file) into a simulated programmer");
  import->add_option("FILE", a->file, "State file")->required();
  import->add_option("IMAGE", a->image, "Hex file: address = page x page size + offset")->required();
  import->callback([&ctx, a] { Import(ctx, *a);
});

auto* exportCmd = simCmd->add_subcommand("export", "Save a simulated programmer's dataflash as Intel HEX");
exportCmd->add_option("FILE", a->file, "State file")->required();
exportCmd->add_option("IMAGE", a->image, "Intel HEX file to write (- for stdout)")->required();
exportCmd->callback([&ctx, a] { Export(ctx, *a); });

auto* fwHex = simCmd->add_subcommand("firmware-hex", "Write the controller flash image of a simulated firmware");
fwHex->add_option("IMAGE", a->image, "Intel HEX file to write (- for stdout)")->required();
fwHex->add_option("--firmware", a->firmware, "pic, pic24 or portable")->required();
fwHex->add_option("--version", a->version, "Firmware version: 226, 0xE2 or E2")->required();
fwHex->add_option("--controller", a->controller,
                  "atmega128 or atmega8515 (default: the portable's controller for portable firmware, else the other)");
fwHex->callback([&ctx, a] { FirmwareHex(ctx, *a); });
}  // namespace velmar::cli

}  // namespace velmar::cli
