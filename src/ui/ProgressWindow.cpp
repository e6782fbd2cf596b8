// The progress window's Qt form.
#include "ui/ProgressWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace velmar::ui {

ProgressWindow::ProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
  setObjectName("Form1");
  setFixedSize(248, 110);
  setWindowModality(Qt::ApplicationModal);
  label1_ = new QLabel(this);
  label1_->setGeometry(6, 4, 236, 32);
  label1_->setAlignment(Qt::AlignCenter);
  label1_->setWordWrap(true);
  message_ = new QLabel(this);
  message_->setObjectName("messageLabel");
  message_->setTextFormat(Qt::PlainText);
  message_->setGeometry(6, 38, 236, 34);
  message_->setWordWrap(true);
  message_->setAlignment(Qt::AlignCenter);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("MainProgress");
  bar_->setGeometry(8, 80, 232, 18);
  bar_->setTextVisible(false);
  close_ = new QPushButton("Close", this);
  close_->setObjectName("BitBtn1");
  close_->setGeometry(84, 80, 80, 26);
  close_->hide();
  connect(close_, &QPushButton::clicked, this, &QDialog::close);
}

void ProgressWindow::Shown(const model::TForm1& form) {
  Changed(form);
  if (QScreen* screen = QApplication::primaryScreen()) move(screen->availableGeometry().center() - rect().center());
  show();
  raise();
  QApplication::processEvents();
}

void ProgressWindow::Changed(const model::TForm1& form) {
  busy_ = !form.Busy;
  setWindowTitle(QString::fromStdString(form.Caption));
  label1_->setText(QString::fromStdString(form.Label1));
  QString text = QString::fromStdString(form.messageLabel);
  text.replace('\r', '\n');
  message_->setText(text);
  bar_->setMaximum(std::max(form.MainProgressMax, 1));
  bar_->setValue(std::clamp(form.MainProgressPosition, 0, std::max(form.MainProgressMax, 1)));
  repaint();
}

void ProgressWindow::Released(const model::TForm1&) {
  busy_ = false;
  hide();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  if (busy_) event->ignore();  // cannot be closed until the operation has finished
  else QDialog::closeEvent(event);
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) return;  // no way out while it runs
  QDialog::keyPressEvent(event);
}

void QtMessagePump::ProcessMessages() { QApplication::processEvents(); }

}  // namespace velmar::ui
