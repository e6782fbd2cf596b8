// The base of the small modal windows the main window opens (the find
// dialog, the programmer type dialog): a platform::ModalForm whose content
// is a ControlStore, so a front end can show any of them the same way and
// tests can work them by control name.
#pragma once

#include "model/ControlStore.h"
#include "platform/Dialogs.h"

namespace velmar::model {

class ModalWindow : public platform::ModalForm {
 public:
  ControlStore& Controls() { return controls_; }
  const ControlStore& Controls() const { return controls_; }

 protected:
  ControlStore controls_;
};

}  // namespace velmar::model
