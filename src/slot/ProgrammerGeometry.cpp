// The kind table.
#include "slot/ProgrammerGeometry.h"

#include <iterator>

#include "platform/Text.h"

namespace velmar::slot {

namespace {

using enum FirmwareLine;
using enum IdentifyQuery;

// clang-format off
const KindInfo kKinds[] = {
    // kind, name, model, product,
    // capacity, slot size, page size, dataflash identity, second hardware's identity, code image limit,
    // multiSlot, halfPages, slotsShareFirmware, pageMode256, unitToken, productionCount, findButton,
    // ppLed, duplicateQuestions, vpp125Only, earlyFamiliesOnly, firmware, identify query, title,
    // guide, copy up to,
    // simulated parts: dataflash pages, standard page, offset bits, binary page, binary capable,
    //                  linear addressing, controller
    {kind_single, "single", "single-way programmer, version 1", "SX-100",
     270336, 270336, 264, 0x1F, 0x23, -1, 262144,
     false, false, false, false, false, true, false,
     false, false, false, false, pic, none, TitleLine::handheld,
     "guide_single.pdf", "10 minutes",
     {1024, 264, 9, 256, false, false, "atmega8515"}},
    {kind_single_old, "single-old", "single-way programmer, earlier model", "SX-100 (12.5 V VPP)",
     270336, 270336, 264, 0xFF, 0xFF, -1, 262144,
     false, false, false, false, false, true, false,
     false, false, true, true, earliest, none, TitleLine::handheld,
     "guide_single.pdf", "10 minutes",
     {1024, 264, 9, 256, false, false, "atmega8515"}},
    {kind_8way, "8way", "8-way programmer, version 1", "GX-800",
     2097152, 262144, 512, 0x1F, 0x26, -1, 262144,
     true, true, true, false, false, true, false,
     false, false, false, false, pic, binaryModeStatus, TitleLine::handheld,
     "guide_8way.pdf", "10 minutes",
     {4096, 528, 10, 512, true, false, "atmega8515"}},
    {kind_portable, "portable", "portable programmer with LCD", "PX-110",
     8388608, 264192, 256, 0x1F, 0x28, 0x1F38, 262144,
     true, false, false, true, true, false, true,
     true, true, false, false, portable, versionAndStatus, TitleLine::portable,
     "guide_portable.pdf", "20 minutes",
     {8192, 1056, 11, 1024, true, true, "atmega128"}},
    {kind_8way_v2, "8way-v2", "8-way programmer, version 2", "GX-800 version 2",
     4194304, 524288, 512, 0x1F, 0x27, -1, 264192,
     true, true, true, false, false, true, true,
     false, false, false, false, picOrPic24, binaryModeStatus, TitleLine::handheld,
     "guide_8way.pdf", "10 minutes",
     {8192, 528, 10, 512, true, false, "atmega8515"}},
    {kind_single_v2, "single-v2", "single-way programmer, version 2", "SX-100 version 2",
     540672, 540672, 264, 0x1F, 0x24, -1, 262144,
     false, false, false, false, false, true, false,
     false, false, false, false, picOrPic24, none, TitleLine::handheld,
     "guide_single.pdf", "10 minutes",
     {2048, 264, 9, 256, false, false, "atmega8515"}},
};
// clang-format on

}  // namespace

std::optional<ProgrammerKind> KindFromNumber(int number) {
  for (const KindInfo& k : kKinds)
    if (int(k.kind) == number) return k.kind;
  return std::nullopt;
}

int NumberOf(ProgrammerKind kind) { return int(kind); }

const KindInfo* FindKind(ProgrammerKind kind) {
  for (const KindInfo& k : kKinds)
    if (k.kind == kind) return &k;
  return nullptr;
}

const char* TitleText(TitleLine line) {
  return line == TitleLine::portable ? "Torvik USB Portable Programmer" : "Torvik USB Handheld Programmer";
}

const KindInfo& KindRow(ProgrammerKind kind) {
  const KindInfo* k = FindKind(kind);
  return k ? *k : kKinds[0];
}

std::optional<ProgrammerKind> KindFromIdentity(std::uint8_t manufacturer, std::uint8_t device) {
  const int identity = manufacturer << 8 | device;
  for (const KindInfo& k : kKinds)
    if (identity == (k.manufacturerId << 8 | k.deviceId) || identity == k.secondIdentity) return k.kind;
  return std::nullopt;
}

std::string KindNameList(const std::string& lastJoin) {
  std::string list;
  const std::size_t n = std::size(kKinds);
  for (std::size_t i = 0; i < n; ++i)
    list += (i == 0 ? "" : i + 1 == n ? lastJoin : ", ") + std::string(kKinds[i].name);
  return list;
}

std::string KindNumberRange() {
  return std::to_string(NumberOf(kKinds[0].kind)) + "-" + std::to_string(NumberOf(std::end(kKinds)[-1].kind));
}

const KindInfo* KindsBegin() { return std::begin(kKinds); }
const KindInfo* KindsEnd() { return std::end(kKinds); }

const KindInfo& ProgrammerGeometry::Row() const { return KindRow(Kind); }

std::optional<ProgrammerKind> ParseKind(const std::string& text) {
  std::string t = text::LowerCase(text::Trim(text));
  for (const KindInfo& k : kKinds)
    if (t == k.name || t == std::to_string(NumberOf(k.kind))) return k.kind;
  return std::nullopt;
}

std::string KindName(ProgrammerKind kind) {
  const KindInfo* k = FindKind(kind);
  return k ? k->name : "unknown";
}

void ProgrammerGeometry::ApplyKind(ProgrammerKind kind) {
  Kind = kind;
  const KindInfo* k = FindKind(kind);
  if (!k) return;
  Capacity = k->capacity;
  SlotSize = k->slotSize;
  PageSize = k->pageSize;
  SlotCount = Capacity / SlotSize;
  // Always the kind's own limit: one left over from another kind would let a
  // slot overflow into the next one.
  CodeImageLimit = k->codeImageLimit;
}

}  // namespace velmar::slot
