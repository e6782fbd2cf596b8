// The family builders of the PIC18 families. PIC18F and PIC18 K work on the
// text lines of the user's file: they take the configuration (0x300000) and
// ID (0x200000) records out into the job's bytes and split the data EEPROM
// records (0xF00000) from the program records. PIC18J loads the file into an
// image and applies the configuration mask to the configuration words at the
// top of program memory. Both leave kf_flash.hex (and kf_eeprom.hex) in the
// working folder.
#pragma once

#include "image/BuildQuestions.h"
#include "image/ISPDefs.h"
#include "image/SlotJob.h"

namespace velmar::image {

// The PIC18F and PIC18 K builder's refusal: the device does not fit the
// family's limits, or the user's file could not be read or split.
class EBuildRefused : public EImageError {
 public:
  using EImageError::EImageError;
};

// PIC18F and PIC18 K. Raises EBuildRefused "Error opening file or bad data
// \r" + the file name + "\r" + the reason on any failure.
void BuildPic18(SlotJob& job, const BuildOptions& options);

// PIC18J. False after it has shown its message (or after the user declined
// the size question).
bool BuildPic18J(SlotJob& job, const BuildOptions& options, BuildQuestions& dialogs);

}  // namespace velmar::image
