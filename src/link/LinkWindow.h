// The narrow part of the main window that the programmer link touches while
// it identifies a programmer: the window title, the programmer-version label
// (programmerVersion), the firmware label (programmerFirmware), the production-count controls
// (ProgCount, limitPrograms, progCountCaption) and the hidden force-update switch
// (forceUpdateButton). The window model implements it; tests and the command line may
// use the plain recorder below.
#pragma once

#include <string>

namespace velmar::link {

class LinkWindow {
 public:
  virtual ~LinkWindow() = default;
  virtual void SetTitle(const std::string& title) = 0;
  // programmerVersion: shown with a text, or hidden.
  virtual void SetProgrammerVersionLabel(bool visible, const std::string& text) = 0;
  // programmerFirmware.
  virtual void SetFirmwareLabel(const std::string& text) = 0;
  // ProgCount, limitPrograms and progCountCaption together.
  virtual void SetCountControlsVisible(bool visible) = 0;
  // forceUpdateButton: when the switch is on, switch it off (as its button does) and
  // return true; otherwise return false.
  virtual bool TakeForceUpdate() = 0;
};

// Keeps what the link set, for the command line and tests.
class RecordingLinkWindow final : public LinkWindow {
 public:
  void SetTitle(const std::string& t) override { title = t; }
  void SetProgrammerVersionLabel(bool visible, const std::string& text) override {
    programmerVersionVisible = visible;
    if (visible) programmerVersion = text;
  }
  void SetFirmwareLabel(const std::string& text) override { programmerFirmware = text; }
  void SetCountControlsVisible(bool visible) override { countControlsVisible = visible; }
  bool TakeForceUpdate() override {
    bool was = forceUpdate;
    forceUpdate = false;
    return was;
  }

  std::string title;
  bool programmerVersionVisible = false;
  std::string programmerVersion;
  std::string programmerFirmware;
  bool countControlsVisible = false;
  bool forceUpdate = false;
};

}  // namespace velmar::link
