// The main window over a simulated programmer for the operation tests: the
// Read rig with the real firmware change and Load Unit, a progress view that
// records what the progress windows showed (and can act mid-operation, as a
// programmer unplugged during a write), the window's program choices made
// as a user makes them, and the simulated dataflash read out as a unit
// image.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "image/THexList.h"
#include "model/ReadRig.h"
#include "model/ProgressForm.h"
#include "slot/SlotHeader.h"

namespace velmar::test {

class RecordingView final : public model::ProgressView {
 public:
  void Shown(const model::ProgressForm& form) override;
  void Changed(const model::ProgressForm& form) override;
  void Released(const model::ProgressForm& form) override;

  int shown = 0;
  int released = 0;
  int open = 0;  // windows shown and not yet released
  std::vector<std::string> captions;
  std::vector<std::string> messages;  // each new step message
  int largestMaximum = 0;             // of the progress bar
  std::vector<int> maxima;            // each new maximum of the progress bar
  // Called on every change.
  std::function<void(const model::ProgressForm&)> onChange;
};

// One shipped example and where the window offers it.
struct ExampleProgram {
  std::string folder;
  int family;
  std::string device;
};
const std::vector<ExampleProgram>& ExamplePrograms();
std::string ExampleFile(const std::string& folder);
// A unit image of `slots` headers laid out for `kind`, the first link being
// `firstLink` and each further one a slot on; a data byte after each header.
image::THexList UnitImage(int kind, int slots, std::uint32_t firstLink);
// True when both images hold the same bytes.
bool SameBytes(const image::THexList& a, const image::THexList& b);

struct OpsRig : ReadRig {
  explicit OpsRig(int kind);

  // Reads as at start-up (with these command-line parameters) and shows the
  // window unless the Read closed it.
  model::TMainForm& Begin(std::vector<std::string> params = {});
  // Family entry, device, HEX file and description, as a user chooses them.
  void Program(int family, const std::string& device, const std::string& file, const std::string& description);
  void Example(const ExampleProgram& example, const std::string& description);
  // The simulated dataflash as a unit image; one slot header in it.
  image::THexList Flash();
  slot::HeaderBytes HeaderAt(std::uint32_t page);
  std::uint32_t PageSize() const;
  // Selects a slot row as a click does.
  void Click(int row) { C().UserClickCell(model::Ctl::slotList, row, 0); }
  // Questions answered Yes from here on (the default answer).
  void AnswerYes() { dialogs.script.defaultAnswer = platform::DlgButton::Yes; }

  RecordingView view;
};

}  // namespace velmar::test
