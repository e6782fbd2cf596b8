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

// Which firmware a kind runs and may be given.
enum class FirmwareLine : std::uint8_t {
  pic,         // the PIC12/16/18 firmware; a PIC24 firmware found on it must be replaced
  picOrPic24,  // either the PIC12/16/18 or the PIC24 firmware, changed as the family needs
  portable,    // the portable's own firmware, for every family
  earliest,    // the earlier single-way: the PIC12/16/18 firmware, never offered an update
};

// What identification asks of the programmer after the dataflash identity.
enum class IdentifyQuery : std::uint8_t {
  none,
  binaryModeStatus,  // 'S': the dataflash status, whose bit 0 says binary (power-of-two) pages
  versionAndStatus,  // 'v' (the hardware version), then 'S'
};

// Which of the window's titles a kind shows, and with which version text.
enum class TitleLine : std::uint8_t {
  handheld,  // "Torvik USB Handheld Programmer", with the PCQRX version
  portable,  // "Torvik USB Portable Programmer", with the PCPRIMA version
};

// "Torvik USB Handheld Programmer" or "Torvik USB Portable Programmer".
const char* TitleText(TitleLine line);

// The simulated programmer's parts of a kind: its dataflash, its controller
// and how its firmware addresses the dataflash.
struct SimulatedParts {
  std::uint32_t flashPages;
  std::uint32_t flashStandardPage;  // bytes per page in standard mode
  int flashOffsetBits;              // address bits below the page number in standard mode
  std::uint32_t flashBinaryPage;    // bytes per page in binary (power-of-two) mode
  bool binaryCapable;               // the dataflash can be switched to binary pages ('B')
  bool linearAddressing;            // the firmware addresses the dataflash linearly (256-byte units, 2 KiB erase)
  const char* controller;           // "atmega8515" or "atmega128"
};

// One row per programmer kind: everything that differs between kinds. A new
// kind is a row here, its simulated programmer and its golden traces.
struct KindInfo {
  ProgrammerKind kind;
  const char* name;     // command-line name: single, single-old, 8way, portable, 8way-v2, single-v2
  const char* model;    // "single-way programmer, version 1", ...
  const char* product;  // the model printed on the programmer: "SX-100", ...
  std::uint32_t capacity;
  std::uint32_t slotSize;
  std::uint32_t pageSize;
  std::uint8_t manufacturerId;  // identity bytes the dataflash reports
  std::uint8_t deviceId;
  int secondIdentity;            // manufacturer << 8 | device of its second hardware version; -1: none
  std::uint32_t codeImageLimit;  // the largest code image a slot takes
  bool multiSlot;                // a slot list rather than one slot
  bool halfPages;                // pages written and read in two halves (the 8-way programmers)
  bool slotsShareFirmware;       // one firmware runs every slot, so families that need another cannot mix
  bool pageMode256;              // 256-byte pages in binary mode; unit images of 1024-byte pages are adjusted
  bool unitToken;                // carries a unit token, checked before writing
  bool productionCount;          // offers the production count and the error-LED repeat count
  bool findButton;               // the Find button beside the slot list
  bool ppLed;                    // the "PP LED on" switch in the slot header
  bool duplicateQuestions;       // asks before a second slot with the same file or description
  bool vpp125Only;               // supplies only 12.5 V VPP
  bool earlyFamiliesOnly;        // PIC18F, PIC12F-16F and PIC18J only, unless KonOld is set
  FirmwareLine firmware;
  IdentifyQuery identifyQuery;
  TitleLine title;
  const char* guideFile;  // the quick-start guide in the program folder
  const char* copyUpTo;   // the longest a unit copy takes, for the question before it
  SimulatedParts sim;
};

// The one conversion between a kind and the number that files, the wire,
// saved states, JSON output and command-line options carry: one of the six
// kinds for 0..5, nullopt for any other number.
std::optional<ProgrammerKind> KindFromNumber(int number);
int NumberOf(ProgrammerKind kind);

// The table row of one of the six kinds; nullptr for kind_unknown.
const KindInfo* FindKind(ProgrammerKind kind);
// The row of a kind, the single-way programmer's for an unknown kind (what
// the window shows before any programmer was read).
const KindInfo& KindRow(ProgrammerKind kind);
// Every row, in kind-number order.
const KindInfo* KindsBegin();
const KindInfo* KindsEnd();
// "0".."5" or a kind name (any letter case); nullopt when neither.
std::optional<ProgrammerKind> ParseKind(const std::string& text);
// The kinds' command-line names in number order, "single, single-old, ...",
// the last one joined by `lastJoin` (", " or " or ").
std::string KindNameList(const std::string& lastJoin = ", ");
// "0-5": the kind numbers.
std::string KindNumberRange();

// The kind whose dataflash reports these identity bytes; nullopt for none.
std::optional<ProgrammerKind> KindFromIdentity(std::uint8_t manufacturer, std::uint8_t device);
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
  bool IsMultiSlot() const { return Row().multiSlot; }
  // The 8-way programmers take each page in two halves.
  bool WritesHalfPages() const { return Row().halfPages; }
  // The kind's row; an unknown kind reads as the single-way programmer's.
  const KindInfo& Row() const;
  std::uint32_t PagesPerSlot() const { return PageSize ? SlotSize / PageSize : 0; }
  std::uint32_t PageTotal() const { return PageSize ? Capacity / PageSize : 0; }
};

}  // namespace velmar::slot
