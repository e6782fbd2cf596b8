// The progress window's Qt form.
#include "ui/ProgressWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace velmar::ui {

ProgressWindow::ProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
  setObjectName("progressForm");
  setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);  // as large as its texts need, never resized by hand
  closeNote_ = new QLabel(this);
  closeNote_->setAlignment(Qt::AlignCenter);
  closeNote_->setWordWrap(true);
  message_ = new QLabel(this);
  message_->setObjectName("messageLabel");
  message_->setTextFormat(Qt::PlainText);
  message_->setWordWrap(true);
  message_->setAlignment(Qt::AlignCenter);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("MainProgress");
  bar_->setTextVisible(false);
  figures_ = new QLabel(this);
  figures_->setObjectName("progressFigures");
  figures_->setAlignment(Qt::AlignCenter);
  close_ = new QPushButton("&Close", this);
  close_->setObjectName("closeButton");
  close_->hide();
  connect(close_, &QPushButton::clicked, this, &QDialog::close);
  const int width = fontMetrics().horizontalAdvance("100%  -  1032 of 1032 pages  -  10:00 elapsed, about 10:00 left");
  for (QWidget* w : std::initializer_list<QWidget*>{closeNote_, message_, bar_, figures_}) {
    w->setMinimumWidth(width);
    layout->addWidget(w);
  }
  layout->addWidget(close_, 0, Qt::AlignHCenter);
}

void ProgressWindow::Shown(const model::ProgressForm& form) {
  Changed(form);
  adjustSize();
  if (QScreen* screen = QApplication::primaryScreen()) move(screen->availableGeometry().center() - rect().center());
  show();
  raise();
  QApplication::processEvents();
}

void ProgressWindow::Changed(const model::ProgressForm& form) {
  busy_ = !form.Busy;
  setWindowTitle(QString::fromStdString(form.Caption));
  closeNote_->setText(QString::fromStdString(form.closeNote));
  QString text = QString::fromStdString(form.messageLabel);
  text.replace('\r', '\n');
  message_->setText(text);
  bar_->setMaximum(std::max(form.MainProgressMax, 1));
  bar_->setValue(std::clamp(form.MainProgressPosition, 0, std::max(form.MainProgressMax, 1)));
  figures_->setText(QString::fromStdString(form.FiguresText()));
  repaint();
}

void ProgressWindow::Released(const model::ProgressForm&) {
  busy_ = false;
  hide();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  if (busy_)
    event->ignore();  // cannot be closed until the operation has finished
  else
    QDialog::closeEvent(event);
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && busy_) return;  // no way out while it runs
  QDialog::keyPressEvent(event);
}

void QtMessagePump::ProcessMessages() { QApplication::processEvents(); }

}  // namespace velmar::ui
