// The splash window.
#include "ui/SplashWindow.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace velmar::ui {

SplashWindow::SplashWindow(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName("SplashForm");
  setWindowTitle("Programmer Loader");
  setFixedSize(347, 240);
  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setGeometry(0, 0, 347, 240);
  auto* layout = new QVBoxLayout(panel);
  layout->addStretch(2);
  auto* title = new QLabel("Torvik Programmer Loader", panel);
  title->setAlignment(Qt::AlignCenter);
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  title->setFont(big);
  layout->addWidget(title);
  layout->addStretch(1);
  auto* reading = new QLabel("Reading Programmer... Please Wait", panel);
  reading->setAlignment(Qt::AlignCenter);
  QFont bold = reading->font();
  bold.setBold(true);
  reading->setFont(bold);
  layout->addWidget(reading);
  layout->addStretch(2);
}

void SplashWindow::ShowNow() {
  if (QScreen* screen = QApplication::primaryScreen()) {
    QRect r = screen->availableGeometry();
    move(r.center() - rect().center());
  }
  show();
  repaint();
  QApplication::processEvents();
}

}  // namespace velmar::ui
