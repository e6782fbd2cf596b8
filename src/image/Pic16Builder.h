// The family builder of the PIC12F-16F family (14-bit mid-range and enhanced
// mid-range parts, and the baseline parts: names holding "16F5" and the
// parts of a baseline algorithm, `Column` 8 or 9). The
// user's file is byte-addressed, two bytes per program word. The builder
// writes every program word of the device to kf_flash.hex (unused words as
// the erased value 0x3FFF), the data EEPROM (one byte per word in the file)
// to kf_eeprom.hex, and takes the configuration words and ID locations into
// the job.
#pragma once

#include "image/BuildQuestions.h"
#include "image/SlotJob.h"

namespace velmar::image {

// False after it has shown its message.
bool BuildPic16(SlotJob& job, const BuildOptions& options, BuildQuestions& dialogs);

}  // namespace velmar::image
