// The window's hidden service side: the loader speed and the dataflash
// delays that reach the programmer link, the Shift+Ctrl service keys that
// show the hidden controls, the erase options button, the forced firmware
// update switch, the report of errors no operation handled and the Manual
// button. It keeps only the link settings it reaches (none until the window
// binds its link); the controls, the dialogs, the erase options, the
// programmer kind and the folders are the window's, given at construction.
#pragma once

#include <exception>
#include <string>

#include "image/ISPDefs.h"
#include "model/ControlStore.h"
#include "model/TEraseOpsForm.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::platform {
class Dialogs;
}

namespace velmar::model {

class LinkTuning;

// Keys the service shortcuts react to.
enum class ShortcutKey { F1, F2, F3, F4, F5, Other };

class ServiceControls {
 public:
  ServiceControls(ControlStore& controls, platform::Dialogs& dialogs, TEraseOpsForm& eraseOps,
                  const slot::ProgrammerKind& programmerKind, const image::Folders& folders);

  // The link settings the speed and delay controls reach (none: they reach
  // nothing).
  void SetLinkTuning(LinkTuning* tuning) { tuning_ = tuning; }

  void loaderSpeedChange();
  void DataFlashDelChange();
  void HalfDelayChange();
  // True when the shortcut was consumed (Shift and Ctrl held).
  bool serviceShortcutKey(ShortcutKey key, bool shift, bool ctrl);
  void errorHandlerException(const std::string& message);
  void eraseOptionsButtonClick();  // the erase options, shown modally
  void forceUpdateButtonClick();  // toggles the forced firmware update
  // True once when the forced update was on; it is off afterwards.
  bool TakeForceUpdate();
  void manualButtonClick();  // the attached programmer's quick-start guide

 private:
  ControlStore& controls_;
  platform::Dialogs& dialogs_;
  TEraseOpsForm& eraseOps_;
  const slot::ProgrammerKind& programmerKind_;
  const image::Folders& folders_;
  LinkTuning* tuning_ = nullptr;
};

}  // namespace velmar::model
