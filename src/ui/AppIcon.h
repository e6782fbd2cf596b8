// The application's icon: the installed or shipped "velmar" icon when one
// is found (the icon theme, then the program's own folders), else a plain
// drawn one, so every window has an icon.
#pragma once

#include <QIcon>

namespace velmar::ui {

QIcon ApplicationIcon();

}  // namespace velmar::ui
