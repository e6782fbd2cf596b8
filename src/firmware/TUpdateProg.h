// TUpdateProg: the firmware updater, a programmer link of its own made for
// one update. It puts the programmer's controller (an ATmega128 or
// ATmega8515, told apart by their signatures) into serial programming mode
// through the wake-up handshake with UpdateMode set, checks and deciphers the
// firmware file, erases the controller, sets its fuses, programs every flash
// page, reads the flash back and compares it, and locks it. Every failure is
// a link::EISPException whose text the progress window shows.
//
// A firmware file is taken apart completely (check line, cipher, version and
// every Intel HEX record placed inside the controller's flash) before the
// controller is erased, so a bad file never leaves a programmer without
// firmware. A failure while programming or a verify that fails erases the
// controller again, so it never runs a half-written image.
#pragma once

#include <cstdint>
#include <string>

#include "link/TReadProg.h"

namespace velmar::image {
class THexList;
}

namespace velmar::platform {
class ThreadPriority;
}

namespace velmar::firmware {

// The updater's messages ("\r" breaks the line).
namespace update_text {
inline constexpr const char* kStarting = "Programming... New Configuration File";
inline constexpr const char* kNoIspMode = "Unable to enter ISP Mode";
inline constexpr const char* kBadSignature = "Unable to read correct device signature\rClosing...";
inline constexpr const char* kWrongVersion = "Firmware File version is incorrect\rClosing...";
inline constexpr const char* kOpening = "Updating programmer... Opening Hardware\rNew Firmware version is 0x";
inline constexpr const char* kErasing = "Updating programmer... Erasing Firmware File";
inline constexpr const char* kFuses = "Updating programmer... Programming Fuses";
inline constexpr const char* kProgramming = "Updating programmer... Programming Firmware File";
inline constexpr const char* kVerifying = "Updating programmer... Verifying Firmware File";
inline constexpr const char* kUpdateFailed = "Firmware Update failed - try again or contact Torvik Support";
inline constexpr const char* kLockbits = "Updating programmer... Programming Lockbits";
inline constexpr const char* kClosing = "Updating programmer... Closing Hardware";
inline constexpr const char* kCompleted = "Programmer Update... Completed!";
inline constexpr const char* kReading = "Now reading Programmer";
}  // namespace update_text

// Signatures as the updater reads them: six upper-case hex digits.
inline constexpr const char* kSignatureATmega128 = "1E9702";
inline constexpr const char* kSignatureATmega8515 = "1E9306";
// What a controller that did not answer returns: the echo of each
// instruction's third byte.
inline constexpr const char* kSignatureNoAnswer = "000102";

// A firmware file name as the settings give it, made into a path: a relative
// name (either separator) lies in the program folder, a full path stands.
std::string FirmwarePath(const std::string& programFolder, const std::string& fileName);

class TUpdateProg : public link::TReadProg {
 public:
  TUpdateProg(link::D2XXUnit& unit, platform::Clock& clock, platform::Notices& notices, devices::TData& data,
              platform::MessagePump& pump, platform::ThreadPriority& priority);

  // Flash page size and flash size of the controller found (bytes).
  std::uint16_t ControllerPageSize = 0;
  std::uint32_t ControllerFlashSize = 0;

  // Replaces the controller's firmware with the file at `path` (a full
  // path). `requiredFirmware` (0 PIC12/16/18, 1 PIC24, 3 portable) says
  // which version the file must carry. Raises link::EISPException.
  void Update(const std::string& path, int requiredFirmware);

  // ---- the steps, usable on their own once the controller is in
  // programming mode ----
  // One four-byte serial programming instruction; returns its fourth reply byte.
  std::uint8_t Instruction(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
  // Signature bytes 0-2 as six upper-case hex digits, read at speed step 7.
  std::string ReadSignature();
  // Two chip erases with their waits; the speed back to SpeedIndex.
  void ChipErase();
  // Sets the fuses unless they are right already; true when they were written.
  bool ProgramFuses(bool extendedFuse);
  // Writes every page of the image (ControllerFlashSize bytes).
  void ProgramFlash(const image::THexList& image);
  // Reads the flash back and returns how many bytes differ from the image.
  std::uint32_t CompareFlash(const image::THexList& image);
  void WriteLockBits();

 private:
  // Wakes the controller into programming mode and reads its signature, with
  // the second attempt for a controller that did not answer.
  std::string EnterProgrammingMode();
  // Page size, flash size, extended fuse and the firmware file for the
  // signature found; returns the file to use.
  std::string SetUpForController(const std::string& signature, const std::string& path, bool& extendedFuse);
  void Verify(const image::THexList& image);
  // After a failed verify: open the link again and erase the controller.
  void EraseAfterFailure();

  platform::ThreadPriority& priority_;
};

}  // namespace velmar::firmware
