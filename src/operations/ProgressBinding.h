// The parts every progress-window operation works with (the link, the
// dialogs, the front end's view and the message pump), and the binding that
// points the link's progress and message reports at the window for as long
// as an operation runs and away from it again on every way out, so the link
// never reports into a window that has been released.
#pragma once

#include "link/TReadProg.h"
#include "model/ProgressForm.h"

namespace velmar::platform {
class Dialogs;
class MessagePump;
}  // namespace velmar::platform

namespace velmar::ops {

struct OperationParts {
  link::TReadProg& link;
  platform::Dialogs& dialogs;
  model::ProgressView* view = nullptr;
  platform::MessagePump* pump = nullptr;
};

class ProgressBinding {
 public:
  ProgressBinding(link::TReadProg& link, model::ProgressForm& form) : link_(link) {
    link.SetProgressHandler([&form](int done, int total) { form.UpdateStat(done, total); });
    link.SetMessageHandler([&form](const std::string& text) { form.SetMessage(text); });
  }
  ~ProgressBinding() {
    link_.SetProgressHandler(nullptr);
    link_.SetMessageHandler(nullptr);
  }
  ProgressBinding(const ProgressBinding&) = delete;
  ProgressBinding& operator=(const ProgressBinding&) = delete;

 private:
  link::TReadProg& link_;
};

// Closes the link, ignoring a failure to do so (the interface may be gone;
// the failure that matters has been reported).
void CloseLinkQuietly(link::TReadProg& link);

// The window's last state on every way out of an operation: not busy any
// more, and the link closed.
class OperationEnd {
 public:
  OperationEnd(model::ProgressForm& form, link::TReadProg& link) : form_(form), link_(link) {}
  ~OperationEnd() {
    form_.Busy = true;
    CloseLinkQuietly(link_);
  }
  OperationEnd(const OperationEnd&) = delete;
  OperationEnd& operator=(const OperationEnd&) = delete;

 private:
  model::ProgressForm& form_;
  link::TReadProg& link_;
};

}  // namespace velmar::ops
