// Where each control of the main window sits in its fixed 886 x 521 client
// area: file, family, device and options upper left; the programming-mode
// and program-options groups, supply texts and profile panel lower left; the
// slot list upper right; description, slot buttons, counts, the
// whole-programmer panel and Read, Manual and Close lower right. Children of
// groups and panels are placed relative to their container.
#pragma once

#include "ui/ControlBinder.h"

namespace velmar::ui {

constexpr int kMainWidth = 886;
constexpr int kMainHeight = 521;

ControlBinder::Geometry MainWindowGeometry();

}  // namespace velmar::ui
