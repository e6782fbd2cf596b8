// Modal dialogs over dialog models.
#include "ui/ModelDialog.h"

namespace velmar::ui {

ModelDialog::ModelDialog(model::ControlStore& store, std::string formName, std::string cancelName,
                         const ControlBinder::Geometry& geometry, QSize size, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      store_(store),
      formName_(std::move(formName)),
      cancelName_(std::move(cancelName)) {
  setObjectName(QString::fromStdString(formName_));
  setFixedSize(size);
  binder_ = new ControlBinder(store, this, geometry);
  setWindowTitle(QString::fromStdString(store.Text(formName_)));
  observer_ = store.AddObserver([this](const model::Control& c, model::Property p) {
    if (c.name == formName_ && p == model::Property::Visible) FollowForm(c);
    if (c.name == formName_ && p == model::Property::Text) setWindowTitle(QString::fromStdString(c.text));
  });
}

ModelDialog::~ModelDialog() { store_.RemoveObserver(observer_); }

void ModelDialog::FollowForm(const model::Control& form) {
  if (form.visible && !running_) {
    running_ = true;
    if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
    exec();
    running_ = false;
  } else if (!form.visible && running_) {
    accept();
  }
}

void ModelDialog::reject() {
  // The window's own close: the model's cancel, so the model hides the form.
  if (!cancelName_.empty() && store_.Has(cancelName_)) binder_->Guard([&] { store_.UserClick(cancelName_); });
  if (store_.Visible(formName_)) store_.SetVisible(formName_, false);
  QDialog::reject();
}

ControlBinder::Geometry EraseOptionsGeometry() {
  ControlBinder::Geometry g{{"Panel1", {8, 8, 260, 226}}, {"OK", {276, 12, 80, 28}}, {"Cancel", {276, 46, 80, 28}}};
  for (int i = 1; i <= 9; ++i) g["RadioButton" + std::to_string(i)] = QRect(8, 6 + (i - 1) * 24, 246, 22);
  return g;
}

QSize EraseOptionsSize() { return {364, 242}; }

}  // namespace velmar::ui
