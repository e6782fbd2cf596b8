// A modal Qt dialog for a dialog model (the erase options, the programmer
// type, ...): its widgets are bound to the model's ControlStore like the main
// window's, and it follows the model's form control: when the model shows
// the form the dialog runs modally, and when a model handler hides it (OK,
// Cancel) the dialog ends. Closing the window by hand runs the model's
// cancel button, if it has one.
#pragma once

#include <QDialog>

#include <string>

#include "ui/ControlBinder.h"

namespace velmar::ui {

class ModelDialog : public QDialog {
  Q_OBJECT
 public:
  ModelDialog(model::ControlStore& store, std::string formName, std::string cancelName,
              const ControlBinder::Geometry& geometry, QSize size, QWidget* parent = nullptr);
  ~ModelDialog() override;

  ControlBinder& Binder() { return *binder_; }

 protected:
  void reject() override;

 private:
  void FollowForm(const model::Control& form);

  model::ControlStore& store_;
  std::string formName_;
  std::string cancelName_;
  ControlBinder* binder_;
  int observer_ = 0;
  bool running_ = false;
};

// The erase options dialog's layout (a small tool window).
ControlBinder::Geometry EraseOptionsGeometry();
QSize EraseOptionsSize();

}  // namespace velmar::ui
