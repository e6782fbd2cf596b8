// `velmar-cli build`: builds a slot image from a HEX file without a
// programmer. It starts from the main window as it stands once shown,
// chooses the family and the device as a user would, applies --set, and
// runs the slot build with the geometry of the programmer kind asked for.
// The pieces, kf_header.hex and kf_flashtest.hex stay in the working folder;
// the finished header is printed field by field with the code length, the
// code checksum and where each part lies in the slot.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

#include <CLI/CLI.hpp>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/ControlSetter.h"
#include "cli/MainWindowSession.h"
#include "cli/TerminalDialogs.h"
#include "cli/WindowChoices.h"
#include "image/SlotJob.h"
#include "operations/SlotBuild.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "slot/ProgrammerGeometry.h"
#include "slot/SlotHeader.h"

namespace velmar::cli {

using model::Ctl;

namespace {

using nlohmann::ordered_json;
namespace sh = slot::slot_header;

struct BuildArgs {
  std::string kindGiven;  // a number or a kind name; empty: the portable
  int kind = slot::kind_portable;
  std::string family;  // entry number or name; empty: the device's family
  std::string device;
  std::string hex;
  std::string description;
  std::string mode = "new";
  int slot = 1;
  std::vector<std::string> sets;
};

enum class Show { Number, BigEndian, Text, Bytes };

struct FieldRow {
  const char* name;
  slot::HeaderField field;
  Show show;
};

// Every field of the header, in header order.
const FieldRow kFields[] = {
    {"NextHeaderPage", sh::NextHeaderPage, Show::Number},
    {"InUseMarker", sh::InUseMarker, Show::Bytes},
    {"PageCount", sh::PageCount, Show::Number},
    {"SlotName", sh::SlotName, Show::Text},
    {"CodeLength", sh::CodeLength, Show::Number},
    {"DataLength", sh::DataLength, Show::Number},
    {"DeviceId", sh::DeviceId, Show::Bytes},
    {"OptionFlagsA", sh::OptionFlagsA, Show::Bytes},
    {"OptionFlagsB", sh::OptionFlagsB, Show::Bytes},
    {"OptionFlagsC", sh::OptionFlagsC, Show::Bytes},
    {"AuxDataStart", sh::AuxDataStart, Show::Bytes},
    {"ConfigBytes", sh::ConfigBytes, Show::Bytes},
    {"DeviceParams", sh::DeviceParams, Show::Bytes},
    {"SupplyFlag", sh::SupplyFlag, Show::Bytes},
    {"LimitFlags", sh::LimitFlags, Show::Bytes},
    {"ErrorRepeat", sh::ErrorRepeat, Show::Number},
    {"DeviceCodeSize", sh::DeviceCodeSize, Show::Number},
    {"SlotDataLength", sh::SlotDataLength, Show::Number},
    {"OptionFlagsD", sh::OptionFlagsD, Show::Bytes},
    {"SourceFileName", sh::SourceFileName, Show::Text},
    {"DeviceName", sh::DeviceName, Show::Text},
    {"CodeChecksum", sh::CodeChecksum, Show::Bytes},
    {"RowHalf", sh::RowHalf, Show::Number},
    {"RowCount", sh::RowCount, Show::Number},
    {"ExtraConfigCount", sh::ExtraConfigCount, Show::Number},
    {"ExtraConfig", sh::ExtraConfig, Show::Bytes},
    {"HeaderChecksum", sh::HeaderChecksum, Show::Bytes},
    {"ProductionCount", sh::ProductionCount, Show::BigEndian},
};

std::string SnakeCase(std::string_view name) {
  std::string r;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (std::isupper(static_cast<unsigned char>(c))) {
      if (i > 0) r += '_';
      r += char(std::tolower(static_cast<unsigned char>(c)));
    } else {
      r += c;
    }
  }
  return r;
}

std::string Hex(const std::uint8_t* h, slot::HeaderField f) { return text::HexBytes(h + f.offset, f.size, ' '); }

ordered_json FieldValue(const std::uint8_t* h, const FieldRow& row) {
  switch (row.show) {
    case Show::Number: return slot::GetField(h, row.field);
    case Show::BigEndian: return slot::GetProductionCount(h);
    case Show::Text: return text::Trim(slot::GetText(h, row.field));
    case Show::Bytes: break;
  }
  return text::HexBytes(h + row.field.offset, row.field.size, ' ');
}

std::string FieldText(const std::uint8_t* h, const FieldRow& row) {
  switch (row.show) {
    case Show::Number: return std::to_string(slot::GetField(h, row.field));
    case Show::BigEndian: return std::to_string(slot::GetProductionCount(h));
    case Show::Text: return "\"" + slot::GetText(h, row.field) + "\"";
    case Show::Bytes: break;
  }
  return "";
}

// The slot list a programmer filled by New would hold: `count` slots of a
// whole slot each, from page 0.
void FillSlots(slot::TProgramEntryList& slots, const slot::ProgrammerGeometry& g, int count) {
  const std::uint32_t pages = g.PagesPerSlot();
  slot::HeaderBytes blank;
  blank.fill(0xFF);
  for (int i = 0; i < count; ++i)
    slots.Add(std::make_unique<slot::TProgramEntry>(std::uint32_t(i) * pages, std::uint32_t(i + 1) * pages, pages,
                                                    slot::MakeSlotName(i + 1, ""), "", "", blank));
}

ordered_json LayoutJson(const image::SlotLayout& l) {
  ordered_json j;
  j["raw_code_length"] = l.rawCodeLength;
  j["padded_code_length"] = l.paddedCodeLength;
  j["header_offset"] = 0;
  j["header_bytes"] = sh::kSize;
  j["code_offset"] = l.codeOffset;
  j["code_bytes"] = l.codeBytes;
  j["code_area_end"] = l.codeAreaEnd;
  j["space_needed"] = l.spaceNeeded;
  j["data_offset"] = l.hasData ? ordered_json(l.dataOffset) : ordered_json(nullptr);
  j["data_bytes"] = l.dataBytes;
  j["aux_offset"] = l.hasAux ? ordered_json(l.auxOffset) : ordered_json(nullptr);
  j["aux_bytes"] = l.auxBytes;
  j["slot_size"] = l.slotSize;
  j["page_size"] = l.pageSize;
  return j;
}

std::vector<std::string> PiecesPresent(const std::string& folder) {
  std::vector<std::string> r;
  namespace p = image::piece;
  for (const char* name : {p::kFlash, p::kEeprom, p::kE2, p::kFuses, p::kOtp, p::kHeader, p::kFlashTest})
    if (platform::FileExists(folder + name)) r.push_back(name);
  return r;
}

void Print(CliContext& ctx, const BuildArgs& a, const model::TMainForm& w, const slot::ProgrammerGeometry& g,
           const ops::SlotBuildResult& r) {
  const std::uint8_t* h = image::HeaderOf(r.header);
  const slot::TProgramEntry& rec = *r.record;
  const image::SlotLayout& l = r.layout;
  if (ctx.options.json) {
    ordered_json fields = ordered_json::object();
    for (const FieldRow& row : kFields) {
      ordered_json& f = fields[SnakeCase(row.name)];
      f = {{"offset", row.field.offset},
           {"size", row.field.size},
           {"hex", Hex(h, row.field)},
           {"value", FieldValue(h, row)}};
      if (row.show == Show::Text) f["stored"] = slot::GetText(h, row.field);
    }
    ctx.PrintJson({{"device", text::Trim(w.Data.DeviceName)},
                   {"family", w.Data.Family},
                   {"kind", g.Kind},
                   {"mode", a.mode},
                   {"hex_file", w.Data.FlashFile},
                   {"slot",
                    {{"slot_name", text::Trim(rec.SlotName)},
                     {"stored", {{"slot_name", rec.SlotName}}},
                     {"start_page", rec.StartPage},
                     {"next_page", rec.NextPage},
                     {"page_count", rec.PageCount}}},
                   {"header", fields},
                   {"header_hex", text::HexBytes(h, sh::kSize, ' ')},
                   {"code_length", l.codeLength},
                   {"code_checksum", l.codeChecksum},
                   {"layout", LayoutJson(l)},
                   {"working_folder", w.Folders.working},
                   {"files", PiecesPresent(w.Folders.working)}});
    return;
  }
  std::ostream& o = ctx.out;
  o << "Slot \"" << rec.SlotName << "\" for " << w.Data.DeviceName << " from "
    << platform::ExtractFileName(w.Data.FlashFile) << " (" << a.mode << ", " << slot::FindKind(g.Kind)->model
    << ", kind " << slot::NumberOf(g.Kind) << ")\n";
  o << "Record: start page " << rec.StartPage << ", next page " << rec.NextPage << ", " << rec.PageCount
    << " pages\n\nHeader:\n";
  for (const FieldRow& row : kFields) {
    const std::string where = row.field.size == 1 ? std::to_string(row.field.offset)
                                                  : std::to_string(row.field.offset) + "-" +
                                                        std::to_string(row.field.offset + row.field.size - 1);
    std::string line = "  " + std::string(row.name);
    line.resize(20, ' ');
    line += where;
    line.resize(29, ' ');
    const std::string value = FieldText(h, row);
    o << line << (row.show == Show::Text ? value : Hex(h, row.field) + (value.empty() ? "" : "  (" + value + ")"))
      << "\n";
  }
  o << "\nHeader bytes:\n";
  for (std::size_t row = 0; row < sh::kSize; row += 16)
    o << "  " << text::ZeroPad(row, 3) << "  " << text::HexBytes(h + row, 16, ' ') << "\n";
  o << "\nCode length       " << l.codeLength << " (programmed " << l.rawCodeLength << ", padded " << l.paddedCodeLength
    << ")\n";
  o << "Code checksum     0x" << text::IntToHex(l.codeChecksum, 2) << "\n";
  o << "Layout (slot " << l.slotSize << " bytes, pages of " << l.pageSize << "):\n";
  o << "  header          0, 160 bytes\n";
  o << "  code            " << l.codeOffset << ", " << l.codeBytes << " bytes\n";
  o << "  code area end   " << l.codeAreaEnd << "\n";
  if (l.hasData)
    o << "  data            " << l.dataOffset << ", " << l.dataBytes << " bytes\n";
  else
    o << "  data            none\n";
  if (l.hasAux)
    o << "  auxiliary       " << l.auxOffset << ", " << l.auxBytes << " bytes\n";
  else
    o << "  auxiliary       none\n";
  o << "  space needed    " << l.spaceNeeded << "\n";
  o << "Files in " << w.Folders.working << ":";
  for (const std::string& f : PiecesPresent(w.Folders.working)) o << " " << f;
  o << "\n";
}

void Build(CliContext& ctx, BuildArgs& a) {
  int mode;
  if (a.mode == "new")
    mode = image::mode_new;
  else if (a.mode == "replace")
    mode = image::mode_replace;
  else
    throw CliFailure("--mode must be new or replace", kExitUsage);

  if (!a.kindGiven.empty()) {
    const std::optional<slot::ProgrammerKind> named = slot::ParseKind(a.kindGiven);
    if (!named)
      throw CliFailure(
          "--kind " + a.kindGiven + ": expected " + slot::KindNumberRange() + " or " + slot::KindNameList(),
          kExitUsage);
    a.kind = slot::NumberOf(*named);
  }
  slot::ProgrammerGeometry geometry;
  geometry.ApplyKind(CheckedKind(a.kind));
  if (!geometry.IsMultiSlot()) {
    if (mode == image::mode_replace)
      throw CliFailure("A single-slot programmer (kind " + std::to_string(a.kind) + ") has no Replace", kExitUsage);
    if (a.slot != 1) throw CliFailure("A single-slot programmer only has slot 1", kExitUsage);
  }
  if (a.slot < 1 || std::uint32_t(a.slot) > geometry.SlotCount)
    throw CliFailure("--slot must be from 1 to " + std::to_string(geometry.SlotCount), kExitUsage);

  MainWindowSession session(ctx, a.kind);
  model::TMainForm& w = session.Window();
  SelectFamily(w, a.family, a.device);
  session.CheckOpen();
  SelectDevice(w, a.device);
  session.CheckOpen();
  for (const std::string& set : a.sets) ApplyControlSetting(w.Controls(), set);

  ChooseHexFile(w, a.hex);
  w.Controls().SetText(Ctl::ProgCaption, a.description);
  WarnIfCut(ctx, a.description, a.hex);

  slot::TProgramEntryList slots;
  FillSlots(slots, geometry, mode == image::mode_replace ? a.slot : a.slot - 1);
  ops::SlotBuildRequest request;
  request.mode = mode;
  request.selectedRow = a.slot;
  request.slotsShown = slots.EntryCount > 0;

  ops::SlotBuildResult result;
  if (!ops::SlotBuild(w, geometry, slots, request, result)) {
    if (ctx.dialogs->declined) return;  // the runner reports the No
    throw CliFailure("", kExitFailed);  // the message has been shown
  }
  Print(ctx, a, w, geometry, result);
}

}  // namespace

void RegisterBuildCommands(CLI::App& app, CliContext& ctx) {
  auto args = std::make_shared<BuildArgs>();
  auto* build = app.add_subcommand("build", "Build a slot image from a HEX file without a programmer");
  build->add_option("--family", args->family,
                    "Family: its name or entry (0 PIC18F, 1 PIC12F-16F, 2 PIC18J, 3 PIC18 K, "
                    "4 PIC24F, 5 dsPIC30); default: the family that lists --device");
  build->add_option("--device", args->device, "Device name as listed")->required();
  build->add_option("--hex", args->hex, "The program's HEX file")->required()->check(CLI::ExistingFile);
  build->add_option("--description", args->description, "Program description (at most 28 characters are kept)")
      ->required();
  build->add_option("--kind", args->kindGiven,
                    "Programmer kind whose geometry the slot gets: " + slot::KindNumberRange() + " or " +
                        slot::KindNameList() + " (default portable)");
  build->add_option("--mode", args->mode, "new or replace (default new)");
  build->add_option("--slot", args->slot,
                    "Slot number: New appends after slot-1 full slots, Replace rewrites this slot (default 1)");
  build->add_option("--set", args->sets, "CONTROL=VALUE applied after the device choice (repeatable)");
  build->callback([&ctx, args] { Build(ctx, *args); });
}

}  // namespace velmar::cli
