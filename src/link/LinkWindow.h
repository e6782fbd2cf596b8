// The narrow part of the main window that the programmer link touches while
// it identifies a programmer: the window title, the programmer-version label
// (Label22), the firmware label (Label23), the production-count controls
// (ProgCount, limitPrograms, Label7) and the hidden force-update switch
// (Button4). The window model implements it; tests and the command line may
// use the plain recorder below.
#pragma once

#include <string>

namespace velmar::link {

class LinkWindow {
 public:
  virtual ~LinkWindow() = default;
  virtual void SetTitle(const std::string& title) = 0;
  // Label22: shown with a text, or hidden.
  virtual void SetProgrammerVersionLabel(bool visible, const std::string& text) = 0;
  // Label23.
  virtual void SetFirmwareLabel(const std::string& text) = 0;
  // ProgCount, limitPrograms and Label7 together.
  virtual void SetCountControlsVisible(bool visible) = 0;
  // Button4: when the switch is on, switch it off (as its button does) and
  // return true; otherwise return false.
  virtual bool TakeForceUpdate() = 0;
};

// Keeps what the link set, for the command line and tests.
class RecordingLinkWindow final : public LinkWindow {
 public:
  void SetTitle(const std::string& t) override { title = t; }
  void SetProgrammerVersionLabel(bool visible, const std::string& text) override {
    label22Visible = visible;
    if (visible) label22 = text;
  }
  void SetFirmwareLabel(const std::string& text) override { label23 = text; }
  void SetCountControlsVisible(bool visible) override { countControlsVisible = visible; }
  bool TakeForceUpdate() override {
    bool was = forceUpdate;
    forceUpdate = false;
    return was;
  }

  std::string title;
  bool label22Visible = false;
  std::string label22;
  std::string label23;
  bool countControlsVisible = false;
  bool forceUpdate = false;
};

}  // namespace velmar::link
