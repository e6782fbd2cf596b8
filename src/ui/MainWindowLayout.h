// How the main window's controls are arranged, with Qt layouts so the window
// can be resized and follows the font and the screen's scale: file, family,
// device and options upper left; the programming-mode and program-options
// groups, supply texts, profile panel and the service controls below them;
// the slot list upper right, taking all the room the window has to spare;
// under it the slot buttons, description, counts, the whole-programmer panel
// and Read, Manual and Close. Controls inside a group or panel sit in that
// container's own layout.
#pragma once

#include <vector>

#include "ui/ControlBinder.h"

class QBoxLayout;
class QLabel;
class QWidget;

namespace velmar::ui {

// Every control of the main window that has a widget (placed by the layout,
// so without a fixed rectangle).
ControlBinder::Geometry MainWindowControls();

// The widgets the layout adds of its own.
struct MainLayoutParts {
  QLabel* descriptionRoom = nullptr;  // characters left in the description
  QBoxLayout* slotColumn = nullptr;   // the slot list's column, for panes added under the list
};

// Lays the binder's widgets out in `content`.
MainLayoutParts BuildMainLayout(QWidget* content, ControlBinder& binder);

// The widgets Tab visits, in the order the layout shows them: the left
// column top to bottom, each row left to right (the choices of a group one
// under the other), then the slot list, `logPane`'s own controls, and the
// rest of the right column the same way.
std::vector<QWidget*> TabStops(const ControlBinder& binder, QWidget* logPane);
// Puts `stops` into the focus chain in that order (all in one window).
void ApplyTabOrder(const std::vector<QWidget*>& stops);

}  // namespace velmar::ui
