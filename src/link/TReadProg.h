// TReadProg: the programmer link, one instance for the whole run. It frames
// every byte exchanged with the programmer over the USB interface's
// synchronous serial engine and drives the control lines (primitives), opens
// and identifies the programmer and checks its firmware (connection), moves
// dataflash pages (pages) and walks the slot directory (directory). Its
// collaborators come in explicitly; the firmware updater derives from it and
// uses the same primitives.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "link/IdentifyFindings.h"
#include "link/LinkPacing.h"
#include "platform/Notices.h"
#include "slot/ProgrammerGeometry.h"
#include "slot/SlotHeader.h"

namespace velmar::platform {
class Clock;
class MessagePump;
}  // namespace velmar::platform

namespace velmar::devices {
struct TData;
}

namespace velmar::image {
class THexList;
}

namespace velmar::slot {
class TProgramEntry;
class TProgramEntryList;
}  // namespace velmar::slot

namespace velmar::link {

class D2XXUnit;

// How one reply byte of a run is taken: as ReceiveByte takes it (0xFF
// clocked out, busy markers waited through) or as ClockInByte does.
enum class ReplyTake { receive, clockIn };

using TSerialNums = std::array<std::string, 127>;

// The facts the blank-page skip of a slot write needs about the device the
// slot is for; the caller fills them from the device record and settings.
struct BlankPageRule {
  std::uint32_t deviceCodeSize = 0;  // bytes of code memory
  std::uint32_t deviceDataSize = 0;  // bytes of data (EEPROM) memory
  bool eraseWholeSlot = false;       // setting "EraseWholeSlot": write every page
};

// A header emptied before an overwrite writes any data: the page of a
// slot's header and the empty header (as Delete writes it) to put there, so
// that a write that breaks off leaves an empty slot, never an old header over
// data it no longer describes.
struct EmptiedHeader {
  std::uint32_t page = 0;
  slot::HeaderBytes header{};
};

// What a slot write writes: the slot record (StartPage, PageCount) and the
// slot image whose byte k * page size starts page StartPage + k. The headers
// in `emptyFirst` are emptied before anything else. Each slot of the write
// has its header page written after the rest of its pages: the write's first
// page, and (for a whole unit) the pages in `slotStarts`, counted from
// StartPage.
struct SlotWrite {
  const slot::TProgramEntry& slot;
  const image::THexList& image;
  BlankPageRule blank;
  std::vector<EmptiedHeader> emptyFirst = {};
  std::vector<std::uint32_t> slotStarts = {};
};

// What reading a written page back found.
enum class PageReadBack { as_written, differs, unreadable };

// A page the read-back after a slot write found wrong: it differs from what
// was written, or the programmer could not read it at all.
struct VerifyFault {
  std::uint32_t page = 0;
  PageReadBack found = PageReadBack::differs;
};

class TReadProg {
 public:
  TReadProg(D2XXUnit& unit, platform::Clock& clock, platform::Notices& notices, devices::TData& data,
            platform::MessagePump& pump);
  virtual ~TReadProg();
  TReadProg(const TReadProg&) = delete;
  TReadProg& operator=(const TReadProg&) = delete;

  // Folders (each ends with a separator): progsetting.ini lives in the
  // program folder, dferror.hex goes to the working folder.
  std::string ProgramFolder;
  // The folders searched for the program files when none held them (see
  // image::Folders); added to the missing-settings message.
  std::string ProgramFolderReport;
  std::string WorkingFolder;

  // ---- line control ----
  std::uint32_t ClockDivisor = 23;
  int SpeedIndex = 1;
  std::uint8_t WakeLine = 5;
  std::uint8_t PostTransferLine = 2;
  std::uint8_t SelectLine = 3;
  std::uint8_t EnableLine = 1;
  std::uint8_t LowPinState = 0;
  bool UpdateMode = false;

  // ---- connection ----
  TSerialNums SerialNumbers;
  int InterfaceIndex = 0;
  bool LinkOpen = false;
  bool VoltageSensing = false;
  bool Use256Pages = false;
  bool Pic24OnStandard = false;
  bool ProgrammerAnswered = false;
  std::uint16_t UnitToken = 0;
  slot::ProgrammerGeometry Geometry;
  // Firmware version byte of the last 'V' reply (-1 before any).
  int FirmwareVersion = -1;
  // Version texts for the window titles ("PCQRX", "PCPRIMA").
  std::string PCQRX = "5.0.0";
  std::string PCPRIMA = "5.0.0";
  // Makes new unit tokens (0 to 65,534); replaceable for tests.
  std::function<std::uint16_t()> TokenSource;

  // ---- pages ----
  std::unique_ptr<image::THexList> ReadImage;
  bool PageIndexedReads = false;
  std::uint32_t PageDelay = 40;
  std::uint32_t HalfDelay = 15;

  // ---- primitives ----
  // How the exchanges below are grouped into USB writes and reads.
  LinkPacing Pacing = LinkPacing::exact;
  std::uint8_t ExchangeByte(std::uint8_t b);
  void SendByte(std::uint8_t b) { ExchangeByte(b); }
  std::uint8_t ReceiveByte() { return ExchangeByte(0xFF); }
  std::uint8_t ClockInByte();
  // Takes a run of reply bytes: in exact pacing as the ReceiveByte and
  // ClockInByte calls one by one; in fast pacing the same bytes clocked (busy
  // markers waited through the same way) in one USB write and one read
  // instead of one round trip each. out[i] is what take i returned.
  void ReceiveRun(std::initializer_list<ReplyTake> takes, std::uint8_t* out);
  // Clocks n bytes (1 to 65,533) out and in inside one selected transfer;
  // the replies land in the adapter's RxBuffer[0..n-1].
  void TransferBlock(const std::uint8_t* data, std::uint32_t n);
  // The most reply bytes a write may leave waiting in the interface chip:
  // the FT2232D holds 384 for the host (the FT2232H 4 KiB). With more, the
  // chip stops clocking until the host reads, and a write that carries
  // more bytes than its input buffer holds stalls until libftdi's write
  // time-out. Longer shifts and reads go in parts of this size.
  static constexpr std::uint32_t kChipReplyRoom = 384;
  void SelectLink();
  void EndTransfer();
  void DeselectLink();
  void AbortLink();
  void SetLowLine(int n);
  void ClearLowLine(int n);
  void IdleLowLines();
  void WakeLowLines();
  void SetSpeed(int index);
  static std::uint32_t SpeedDivisor(int index);
  // The hidden "Loader Speed" choice's divisor for item `item`.
  static std::uint32_t LoaderSpeedDivisor(int item);
  void SetupChannel();
  void WakeProgrammer();
  void SettleLines();

  // ---- connection ----
  bool OpenLink();
  void CloseLink(bool cyclePort);
  // Opens the link and identifies the programmer: its kind and geometry,
  // its firmware, and whether that must be updated (EFirmwareUpdate). What
  // it found, also when it failed part-way, is LastIdentification(), and
  // OnIdentified hears it at the end either way.
  const IdentifyFindings& Identify();
  const IdentifyFindings& LastIdentification() const { return found_; }
  // Told what each identification found, whether it succeeded or not.
  std::function<void(const IdentifyFindings&)> OnIdentified;
  // Asked once per identification, after the settings are read: true when
  // a forced firmware update was requested (and the request is taken).
  std::function<bool()> TakeForcedUpdate;
  bool CheckSameUnit();
  void SetProgressHandler(std::function<void(int, int)> handler) { OnProgress = std::move(handler); }
  // The progress window's message line (skipped while unset).
  void SetMessageHandler(std::function<void(const std::string&)> handler) { OnMessage = std::move(handler); }

  // ---- pages ----
  // 24-bit dataflash address of a page for the current kind.
  std::uint32_t PageAddress(std::uint32_t page) const;
  bool ReadBlock(std::uint32_t page, std::uint32_t count, int part);
  bool WritePage(std::uint32_t page, std::uint32_t length, std::uint32_t sourceOffset, const SlotWrite& w);
  bool WriteHalfPages(std::uint32_t page, std::uint32_t half, std::uint32_t sourceOffset, const SlotWrite& w);
  bool WriteSlot(const SlotWrite& w);
  // Reads back the pages a slot write wrote (the blank pages it skipped
  // excepted) and compares them with the slot image: the first faulty page
  // of each slot of the write, in page order; empty when every page is as
  // written. A slot's remaining pages are skipped once one is faulty, and
  // the other slots are still read. The link must be open and the
  // programmer identified; a link that fails raises EISPException.
  std::vector<VerifyFault> VerifySlot(const SlotWrite& w);
  // After a read-back found `page` faulty: empties the header of the
  // slot of the write that holds it (with the header the write emptied
  // first, or else the one Delete writes, keeping the slot's link and page
  // count), as a write that broke off leaves it, so the directory no longer
  // lists a valid header over wrong data. The page is then among
  // EmptiedHeaders; returns it. The link must be open.
  std::uint32_t EmptySlotHolding(const SlotWrite& w, std::uint32_t page);
  // The header pages the last WriteSlot emptied and had not written again
  // when it stopped: after a failed write those slots are empty.
  std::vector<std::uint32_t> EmptiedHeaders;
  // The slot header pages it wrote with their new header.
  std::vector<std::uint32_t> RewrittenHeaders;
  bool EraseUnit();

  // ---- directory ----
  // Reads the slot headers into `list`; a failure raises EISPException
  // (the slots found until then stay in the list).
  void ReadDirectory(slot::TProgramEntryList& list);

  D2XXUnit& Unit() { return unit_; }
  platform::Clock& Clock() { return clock_; }

 protected:
  // Writes the first n bytes of TxBuffer.
  void Write(std::uint32_t n);
  void Write(std::initializer_list<std::uint8_t> bytes);
  // The same for bytes whose replies are read next: in fast pacing "send
  // immediate" follows them (where TxBuffer has room), so that the
  // interface hands the replies over at once instead of when its latency
  // timer runs out; in exact pacing nothing is added.
  void WriteAwaitingReply(std::uint32_t n);
  void WriteAwaitingReply(std::initializer_list<std::uint8_t> bytes);
  // Reads n reply bytes into RxBuffer; raises EISPException when fewer come.
  void ReadReply(std::uint32_t n);
  // Reads the replies of several requests at once, `parts` bytes each, into
  // RxBuffer one after the other; when fewer come, raises the failure the
  // first request left short would have raised on its own.
  void ReadReply(std::initializer_list<std::uint32_t> parts);
  // Clocks the n bytes at TxBuffer[3..] out and in as one 0x31 shift (its
  // first three bytes written here), or in parts of kChipReplyRoom, each
  // part's replies read before the next goes; the replies end in
  // RxBuffer[0..n-1].
  void ShiftThrough(std::uint32_t n);
  void Wait(std::uint32_t ms);
  void Progress(int done, int total);
  void Message(const std::string& text);
  // Reads the high-byte lines, changes them and writes them back; does
  // nothing when the lines cannot be read (no device).
  void UpdateHighLines(std::uint8_t setMask, std::uint8_t clearMask);
  void ChangeLowLine(int n, bool set, bool repeat);
  // Closes the driver's handle, if one is open, without an error report.
  void ReleaseHandle();
  void ReadSettings();
  // What to add to the message of a failed description query of device `index`.
  std::string ListFailureDetail(std::uint32_t index, std::uint32_t status);
  void IdentifyKind();
  void IdentifySteps();
  // Tells the user `text` and keeps it among the identification's notices.
  void Tell(platform::NoticeLevel level, const std::string& text);
  void CheckFirmware(std::uint8_t version);
  void NewToken();
  bool BlankPageSkipped(std::uint32_t page, std::uint32_t sourceOffset, const SlotWrite& w) const;
  // The part WritePage and WriteHalfPages share: checks that `imageBytes`
  // from `sourceOffset` lie in the slot image, then (unless the page is a
  // blank one skipped, which returns nullptr) shifts the write command with
  // the first `length` bytes and returns where they came from.
  const std::uint8_t* StartPageWrite(std::uint32_t page, std::uint32_t length, std::uint32_t imageBytes,
                                     std::uint32_t sourceOffset, const SlotWrite& w);
  void CheckSlotFits(const SlotWrite& w) const;
  // The offset (from StartPage) of the header of the write's slot holding
  // the page at `offset`.
  static std::uint32_t SlotStartOf(const SlotWrite& w, std::uint32_t offset);
  // Reads dataflash page `page` back and compares it with `wanted`.
  PageReadBack ReadBackPage(std::uint32_t page, const std::uint8_t* wanted);
  // One page of a slot write: page `k` of the slot image to dataflash `page`.
  void WriteSlotPage(std::uint32_t page, std::uint32_t k, const SlotWrite& w, int done, int total);
  void WriteEmptiedHeader(const EmptiedHeader& e);

  D2XXUnit& unit_;
  platform::Clock& clock_;
  platform::Notices& notices_;
  IdentifyFindings found_;
  devices::TData& data_;
  platform::MessagePump& pump_;
  std::function<void(int, int)> OnProgress;
  std::function<void(const std::string&)> OnMessage;
};

// Messages the link raises in more than one place.
namespace link_text {
inline constexpr const char* kNotResponding = "Programmer Not Responding. ";
inline constexpr const char* kNoReply = "No reply from the USB interface";
// The line identification adds after kNoReply: an update cut off part-way
// leaves the programmer's controller without firmware.
inline constexpr const char* kFirmwareMayBeGone =
    "The programmer's firmware may be gone (a firmware update cut off part-way): Read again and accept the "
    "firmware update it offers; that repairs it.";
inline constexpr const char* kNotDetected = "Programmer not Detected";
inline constexpr const char* kNeedsUpdate = "Programmer Needs Firmware update";
inline constexpr const char* kNeedsUpdatePressOk = "Programmer Needs Firmware update\rPress OK to Update";
}  // namespace link_text

}  // namespace velmar::link
