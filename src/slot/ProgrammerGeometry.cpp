// The kind table.
#include "slot/ProgrammerGeometry.h"

#include "platform/Text.h"

namespace velmar::slot {

namespace {

const KindInfo kKinds[] = {
    {kind_single, "single", "single-way programmer, version 1", 270336, 270336, 264, 0x1F, 0x23},
    {kind_single_old, "single-old", "single-way programmer, earlier model", 270336, 270336, 264, 0xFF, 0xFF},
    {kind_8way, "8way", "8-way programmer, version 1", 2097152, 262144, 512, 0x1F, 0x26},
    {kind_portable, "portable", "portable programmer with LCD", 8388608, 264192, 256, 0x1F, 0x28},
    {kind_8way_v2, "8way-v2", "8-way programmer, version 2", 4194304, 524288, 512, 0x1F, 0x27},
    {kind_single_v2, "single-v2", "single-way programmer, version 2", 540672, 540672, 264, 0x1F, 0x24},
};

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
  // The second 8-way takes larger code images; every other kind takes the
  // standard limit (a limit left over from another kind would let a slot
  // overflow into the next one).
  CodeImageLimit = kind == kind_8way_v2 ? 264192 : 262144;
}

}  // namespace velmar::slot
