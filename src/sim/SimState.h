// Everything that makes one simulated programmer what it is, kept in a text
// state file so that successive command-line runs see the same programmer:
// its kind and hardware version, the firmware it runs, its unit token, its
// supply, the USB interface it hangs on, the faults to inject, its
// controller (part, fuses, lock bits, and the flash once serial programming
// has touched it) and the contents of its dataflash. The format is documented in docs/SIMULATOR.md.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/AvrController.h"
#include "sim/Dataflash.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::sim {

enum class FirmwareKind { none, pic, pic24, portable };

const char* FirmwareName(FirmwareKind f);
bool ParseFirmware(const std::string& text, FirmwareKind& out);

// Faults a test or a user can inject (all off by default).
struct SimFaults {
  bool silent = false;             // the controller never answers on the serial lines
  bool unknownIdentify = false;    // 'D' is answered with '?'
  int identifyMissed = 0;          // the next N 'D' commands are answered without the '*' (counts down)
  int identity = -1;               // identity bytes (manufacturer << 8 | device) instead of the dataflash's
  int busyEvery = 0;               // every Nth reply starts with one busy byte (0xFA)
  bool busyForever = false;        // replies never get past the busy byte
  int shortRead = 0;               // the Nth FT_Read of a session returns one byte too few
  int unplugAfter = 0;             // the interface vanishes after N driver calls
  int openStatus = 0;              // FT_OpenEx fails with this status
  bool binarySwitchFails = false;  // 'B' is answered with '?'
  int ispSync = 0;                 // clock pulses the controller needs before it answers in reset
  int badPage = -1;                // a page whose programming leaves one byte wrong
  int silentBadPage = -1;          // a page stored with one byte wrong while the programmer's compare passes
  int badRead = 0;                 // the Nth page read of a session ends with '?' instead of '!'
  int badReadPage = -1;            // every read of this page ends with '?' instead of '!'
  int flipReadPage = -1;    // reads of this page reach the loader with one bit flipped, a different one each time
  int flipReadCount = 0;    // ... only its first N reads of a session (0: every read)
  bool eraseFails = false;  // erase commands are not acknowledged
  bool countFails = false;  // 'C' is answered with '?'
  int ispMissed = 0;        // programming-enable instructions the controller misses (it only echoes)
  int signature = -1;       // signature bytes (3, first in the high byte) instead of the part's
  int flashBadByte = -1;    // a controller flash address that does not take its byte
};

struct SimState {
  slot::ProgrammerKind kind = slot::kind_single;
  int hardware = 1;  // portable programmer's hardware version (1 or 2)
  FirmwareKind firmware = FirmwareKind::pic;
  int version = 226;
  std::uint16_t token = 0xFFFF;
  bool supply = true;
  bool voltageSensing = true;  // the interface's user area says it can sense the supply
  bool asleep = false;         // the firmware sleeps until the controller is reset
  bool usbAttached = true;
  std::string interfaceSerial = "QRX";
  int otherInterfaces = 0;     // further dual-channel interfaces listed before ours
  bool binaryPending = false;  // binary pages asked for; they come at the next power cycle
  // Microseconds the firmware needs to load each reply byte after the
  // previous byte (0: at once). A reply byte clocked sooner reads back as the
  // byte just received; a page read's data is streamed and needs no time.
  int replyPrepUs = 0;
  // For tests only: the unit token the loader gives the programmer when it
  // makes a new one (-1: a random one). The simulated driver hands it to the
  // loader, the USB emulation makes the system's random bytes give it, so
  // that runs through every driver put the same bytes on the wire.
  int newToken = -1;
  SimFaults faults;
  AvrController controller;
  std::unique_ptr<Dataflash> flash;
  // What the loader did that the protocol does not allow, in this run (not
  // kept in the state file).
  std::vector<std::string> violations;

  SimState() = default;
  SimState(SimState&&) = default;
  SimState& operator=(SimState&&) = default;
};

// Expected firmware versions (from the program folder's progsetting.ini).
struct ExpectedVersions {
  int pic = 226;
  int pic24 = 227;
  int portable = 130;
};
ExpectedVersions ReadExpectedVersions(const std::string& programFolder);

// Kinds whose dataflash runs in binary page mode (the 8-way programmers
// once switched, the portable always); the single-way ones use 264-byte pages.
bool BinaryCapable(slot::ProgrammerKind kind);

// A fresh programmer of `kind` running the firmware its kind runs, at the
// version the settings expect, with an erased dataflash (in binary page mode
// where the kind has it) and its controller's fuses and lock bits as an
// update leaves them.
SimState FreshState(slot::ProgrammerKind kind, const ExpectedVersions& versions);

// Text of a state file; and parsing one. Parse raises std::runtime_error
// naming the line of anything it cannot read.
std::string StateText(const SimState& s);
SimState ParseState(const std::string& text);

// File helpers (atomic write). Load raises std::runtime_error.
SimState LoadState(const std::string& path);
bool SaveState(const std::string& path, const SimState& s, std::string* error);

}  // namespace velmar::sim
