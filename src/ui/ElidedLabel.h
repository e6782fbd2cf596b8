// A one-line label that fits any text into the room it is given: a text too
// long for it is shortened in the middle ("/home/ann/.../velmar-log.jsonl"),
// so both the start and the file name stay readable, and the whole text is
// its tool tip. It never asks for more width than a few characters, so a
// long path cannot widen the window or slide under the widgets beside it.
#pragma once

#include <QWidget>

namespace velmar::ui {

class ElidedLabel final : public QWidget {
  Q_OBJECT

 public:
  explicit ElidedLabel(QWidget* parent = nullptr);

  void setText(const QString& text);
  QString text() const { return text_; }
  // What is drawn now: the text, or its shortened form.
  QString shownText() const;

  // A few characters: the text takes the room the layout has to spare.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
};

}  // namespace velmar::ui
