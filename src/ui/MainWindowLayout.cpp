// Geometry of the main window's controls.
#include "ui/MainWindowLayout.h"

namespace velmar::ui {

ControlBinder::Geometry MainWindowGeometry() {
  return {
      // File and device.
      {"Label1", {10, 10, 70, 22}},
      {"Edit1", {84, 9, 254, 24}},
      {"Button1", {346, 8, 84, 26}},
      {"Label24", {10, 42, 70, 22}},
      {"family", {84, 41, 140, 24}},
      {"Device", {234, 42, 50, 22}},
      {"deviceList", {284, 41, 146, 24}},
      // Option boxes.
      {"matchDeviceID", {10, 74, 200, 22}},
      {"VerifyConfig", {10, 96, 200, 22}},
      {"unusedFuses", {10, 118, 220, 22}},
      {"progUserID", {232, 74, 200, 22}},
      {"DataSave", {232, 96, 200, 22}},
      {"bootSave", {232, 118, 200, 22}},
      {"BulkErase", {232, 140, 200, 22}},
      {"VDD_Voltage", {10, 140, 220, 22}},
      {"Label2", {10, 166, 420, 20}},
      {"Label3", {10, 186, 420, 18}},
      {"Label4", {10, 204, 420, 18}},
      // Groups.
      {"GroupBox2", {8, 226, 218, 136}},
      {"progMode", {6, 6, 206, 70}},
      {"Progmodelabel", {8, 80, 202, 50}},
      {"GroupBox1", {232, 226, 200, 136}},
      {"ProgramOps", {6, 6, 188, 86}},
      {"Label5", {8, 94, 184, 38}},
      // Profiles.
      {"Panel2", {8, 370, 424, 66}},
      {"Label18", {10, 4, 300, 20}},
      {"LoadProfile", {16, 402, 130, 28}},
      {"SaveProfile", {154, 402, 130, 28}},
      // Service controls (hidden until a service key shows them).
      {"Label8", {10, 446, 50, 22}},
      {"ComboBox1", {60, 445, 130, 24}},
      {"Label14", {200, 446, 74, 22}},
      {"DataFlashDel", {274, 445, 60, 24}},
      {"Label15", {200, 474, 74, 22}},
      {"HalfDelay", {274, 473, 60, 24}},
      {"Button2", {10, 486, 100, 28}},
      {"Button3", {116, 486, 70, 28}},
      {"Button4", {342, 486, 120, 28}},
      // Slot list.
      {"StringGrid1", {442, 8, 436, 196}},
      {"BitBtn1", {442, 210, 140, 28}},
      {"Label9", {592, 208, 286, 18}},
      {"Label10", {592, 226, 286, 18}},
      // Slot description.
      {"Label12", {442, 246, 240, 20}},
      {"Label13", {442, 268, 34, 22}},
      {"ProgCaption", {478, 267, 200, 24}},
      {"Label16", {442, 296, 34, 22}},
      {"ProgCaption2", {478, 295, 200, 24}},
      {"Label22", {684, 268, 196, 22}},
      {"Label23", {684, 296, 196, 22}},
      {"Label20", {442, 322, 436, 20}},
      // Slot buttons and counts.
      {"Label19", {442, 344, 200, 20}},
      {"NewButton", {442, 364, 84, 28}},
      {"upload", {442, 364, 84, 28}},
      {"editButton", {532, 364, 84, 28}},
      {"DeleteProgramButton", {622, 364, 84, 28}},
      {"Button5", {712, 364, 84, 28}},
      {"Label6", {442, 398, 94, 34}},
      {"SpinEdit1", {538, 402, 56, 24}},
      {"limitPrograms", {604, 398, 180, 22}},
      {"Label7", {604, 422, 144, 22}},
      {"ProgCount", {750, 421, 72, 24}},
      {"Label11", {826, 422, 56, 22}},
      // Whole-programmer panel.
      {"Panel1", {442, 446, 304, 68}},
      {"Label17", {8, 3, 288, 20}},
      {"EraseButton", {448, 474, 72, 28}},
      {"CopyButton", {522, 474, 72, 28}},
      {"LoadButton", {596, 474, 72, 28}},
      {"FindButton", {670, 474, 72, 28}},
      // Read, Manual, Close.
      {"ReadProgButton", {754, 446, 60, 28}},
      {"manualButton", {818, 446, 60, 28}},
      {"cancel", {754, 484, 124, 30}},
  };
}

}  // namespace velmar::ui
