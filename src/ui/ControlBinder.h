// Binds a window model's ControlStore to Qt widgets both ways: it makes one
// widget per visual control (label, edit box, button, check box, radio
// button, spin box, choice group, drop-down list, group, panel, grid), keeps
// each widget in step with the model through the store's observer, and turns
// a person's actions into the store's User... calls or value changes, so the
// model's handlers run exactly as the conventions say (drop-down lists only
// on user activation). Exceptions that escape a handler go to `onError`.
#pragma once

#include <QObject>
#include <QRect>
#include <QString>

#include <functional>
#include <map>
#include <string>

#include "model/ControlStore.h"

class QWidget;

namespace velmar::ui {

class ControlBinder : public QObject {
  Q_OBJECT
 public:
  using Geometry = std::map<std::string, QRect>;

  // Creates the widgets of every control that has a geometry, as children of
  // `form` (or of their group or panel).
  ControlBinder(model::ControlStore& store, QWidget* form, const Geometry& geometry);
  ~ControlBinder() override;

  QWidget* Widget(model::ControlName name) const;
  // Runs a user action, reporting escaping exceptions to onError.
  void Guard(const std::function<void()>& action);

  std::function<void(const std::string& message)> onError;
  // A choice group's buttons were made anew (new widgets join the end of
  // the focus chain).
  std::function<void()> onChoicesRebuilt;

 protected:
  // Entering an edit box runs its Enter handler; a press in a grid starts a
  // click.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* Create(const model::Control& c, QWidget* parent, const QRect& rect);
  void Connect(const model::Control& c, QWidget* w);
  void Refresh(const model::Control& c, model::Property p);
  void RefreshAll(const model::Control& c, QWidget* w);
  void RebuildChoices(const model::Control& c, QWidget* w);

  model::ControlStore& store_;
  std::map<std::string, QWidget*> widgets_;
  int observer_ = 0;
  bool updating_ = false;
  // Set when the press of the current click already moved a grid's current
  // cell (and so already ran its click handler).
  bool gridMovedByPress_ = false;
};

}  // namespace velmar::ui
