// The main window's operations as functions of the window they run on: New,
// Replace, Delete, Load Lots, the whole-unit buttons, Verify Unit and the
// firmware change over the window's link. They stand above the window model,
// which reaches them only through the hooks BindOperations installs; the
// front ends and the tests call them directly. Each returns true when its
// operation ran to success; false when it stopped, was declined or failed,
// after its message.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "link/TReadProg.h"
#include "model/TMainForm.h"

namespace velmar::ops {

struct UnitVerification;

// Installs the operations below as the window's button handlers, its Load
// Unit after a command-line Read, its dropped unit image and its firmware
// change. Every place that builds a window meant to run them calls it.
void BindOperations(model::TMainForm& w);

// ---- New and Replace (NewReplace.cpp) ----
bool NewButtonClick(model::TMainForm& w);
bool editButtonClick(model::TMainForm& w);  // Replace
// The shared New and Replace operation for the window's OperationMode.
bool uploadClick(model::TMainForm& w);
void loadLotsClick(model::TMainForm& w);  // was Button5Click; Load Lots: New repeated quietly

// ---- Delete and the whole-unit operations ----
bool DeleteProgramButtonClick(model::TMainForm& w);  // DeleteProgram.cpp
bool EraseButtonClick(model::TMainForm& w);          // UnitErase.cpp
bool CopyButtonClick(model::TMainForm& w);           // UnitCopy.cpp
bool LoadButtonClick(model::TMainForm& w);           // UnitLoad.cpp
// Load Unit of `file`, chosen already: the questions, then the load.
bool LoadUnitFrom(model::TMainForm& w, const std::string& file);
// Verify Unit (UnitVerify.cpp): the programmer's content, read as Copy Unit
// reads it, compared with the unit image `file`; nothing is written, no
// message is shown beyond a missing link's, and the result goes to the
// operation log and to `result`. True when both are identical.
bool VerifyUnitAgainst(model::TMainForm& w, const std::string& file, UnitVerification& result);

// ---- The firmware change (FirmwareChangeRun.cpp) ----
// A progress window of its own and the firmware updater over the window's
// USB adapter; true when it succeeded (a failure has shown its message).
bool ChangeFirmwareOverLink(model::TMainForm& w, const std::string& fileName, int requiredFirmware);

// ---- Steps New, Replace and Delete share (NewReplace.cpp) ----
// Shows why the listed directory may not be written to and returns true;
// false when it is whole. `deleting` is the slot a Delete empties (0 for
// New and Replace): a Delete of the one damaged slot is let through, with
// the repaired empty header in `repaired`.
bool DirectoryRefusesWrite(model::TMainForm& w, int deleting = 0,
                           std::optional<slot::TProgramEntry>* repaired = nullptr);
// The blank-page rule of a slot write: the selected device's code and data
// sizes and the "EraseWholeSlot" setting.
link::BlankPageRule SlotBlankRule(model::TMainForm& w);
// After a failed write: the slots whose headers the write emptied and did
// not write again are listed as the empty slots they now are.
void ListEmptied(model::TMainForm& w, const std::vector<link::EmptiedHeader>& emptied);

}  // namespace velmar::ops
