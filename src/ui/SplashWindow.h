// The splash window shown while the program starts and reads the programmer:
// borderless, 347 x 240, centred, captioned "Programmer Loader", a sunken
// panel with "Torvik Programmer Loader" above "Reading Programmer... Please
// Wait" in bold.
#pragma once

#include <QWidget>

namespace velmar::ui {

class SplashWindow : public QWidget {
  Q_OBJECT
 public:
  explicit SplashWindow(QWidget* parent = nullptr);
  // Shows the window centred on the screen and paints it at once.
  void ShowNow();
};

}  // namespace velmar::ui
