// The programmer kinds and what a connection learns about the attached
// programmer: its kind, the dataflash capacity, slot size, page size and slot
// count, the largest code image a slot may take, and the firmware versions
// this loader expects. Identify fills one ProgrammerGeometry; every layer
// reads it from there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmar::slot {

enum ProgrammerKind : std::uint8_t {
  kind_single = 0,      // single-way programmer, version 1
  kind_single_old = 1,  // earlier single-way programmer (12.5 V VPP only)
  kind_8way = 2,        // 8-way programmer, version 1
  kind_portable = 3,    // portable programmer with LCD
  kind_8way_v2 = 4,     // 8-way programmer, version 2
  kind_single_v2 = 5,   // single-way programmer, version 2
  kind_unknown = 255,
};

struct KindInfo {
  ProgrammerKind kind;
  const char* name;   // command-line name: single, single-old, 8way, portable, 8way-v2, single-v2
  const char* model;  // "single-way programmer, version 1", ...
  std::uint32_t capacity;
  std::uint32_t slotSize;
  std::uint32_t pageSize;
  std::uint8_t manufacturerId;  // identity bytes the dataflash reports
  std::uint8_t deviceId;
};

// The one conversion between a kind and the number that files, the wire,
// saved states, JSON output and command-line options carry: one of the six
// kinds for 0..5, nullopt for any other number.
std::optional<ProgrammerKind> KindFromNumber(int number);
int NumberOf(ProgrammerKind kind);

// The table row of one of the six kinds; nullptr for kind_unknown.
const KindInfo* FindKind(ProgrammerKind kind);
// "0".."5" or a kind name (any letter case); nullopt when neither.
std::optional<ProgrammerKind> ParseKind(const std::string& text);
std::string KindName(ProgrammerKind kind);

struct ProgrammerGeometry {
  ProgrammerKind Kind = kind_single;
  std::uint32_t Capacity = 8388608;
  std::uint32_t SlotSize = 16384;
  std::uint32_t PageSize = 1024;
  std::uint32_t SlotCount = 0;
  std::uint32_t CodeImageLimit = 262144;
  // Expected firmware versions: PIC12/16/18, PIC24, portable.
  std::uint8_t ExpectedPicVersion = 227;
  std::uint8_t ExpectedPic24Version = 48;
  std::uint8_t ExpectedPortableVersion = 149;

  // Sets kind, capacity, slot size, page size, slot count and code image
  // limit from the kind table (unknown kinds leave everything but Kind).
  void ApplyKind(ProgrammerKind kind);
  bool IsMultiSlot() const { return Kind == kind_8way || Kind == kind_portable || Kind == kind_8way_v2; }
  // The 8-way programmers take each page in two halves.
  bool WritesHalfPages() const { return Kind == kind_8way || Kind == kind_8way_v2; }
  std::uint32_t PagesPerSlot() const { return PageSize ? SlotSize / PageSize : 0; }
  std::uint32_t PageTotal() const { return PageSize ? Capacity / PageSize : 0; }
};

}  // namespace velmar::slot
