// The firmware change: the operation the progress window runs when the
// programmer needs other firmware (offered by Read, or needed by New and
// Replace for the selected family). It makes a firmware updater of its own
// over the shared USB interface adapter, lets it report steps and progress
// into the window, settles which file and firmware the programmer's kind
// takes, runs the update and shows a failure's text. Result 0 on success, 1
// on failure; the caller reads the programmer again afterwards.
#pragma once

#include <cstdint>
#include <string>

#include "link/LinkPacing.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::platform {
class Clock;
class Dialogs;
class MessagePump;
class ThreadPriority;
}  // namespace velmar::platform

namespace velmar::devices {
struct TData;
}

namespace velmar::link {
class D2XXUnit;
}  // namespace velmar::link

namespace velmar::model {
class ProgressForm;
}

namespace velmar::oplog {
class OperationJournal;
}

namespace velmar::firmware {

// What the updater stands on: the same collaborators as the programmer link
// (the adapter shared with it), the thread priority and the folders.
struct FirmwareChangeLinks {
  link::D2XXUnit& unit;
  platform::Clock& clock;
  platform::Dialogs& dialogs;
  devices::TData& data;
  platform::MessagePump& pump;
  platform::ThreadPriority& priority;
  std::string programFolder;
  std::string workingFolder;
  // Where the update is recorded (none: it is not).
  oplog::OperationJournal* journal = nullptr;
  link::LinkPacing pacing = link::LinkPacing::exact;
};

// The file name and required firmware a programmer kind takes: version 1
// programmers (both single-way and the 8-way) only PIC12/16/18 firmware, the
// portable only its own; for the others (and a kind not known) the caller's choice
// stands.
void ChooseFirmwareForKind(slot::ProgrammerKind programmerKind, const devices::TData& data, std::string& fileName,
                           int& requiredFirmware);

// Runs the change with the window's FirmwareFileName and RequiredFirmware
// (both settled for the kind first). 0 on success, 1 on failure (its text in
// the window's message line and in an error box). The update is recorded in
// the links' journal.
int execute(model::ProgressForm& form, slot::ProgrammerKind programmerKind, const FirmwareChangeLinks& links);

}  // namespace velmar::firmware
