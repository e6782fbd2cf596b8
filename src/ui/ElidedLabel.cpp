// The label that shortens its text in the middle.
#include "ui/ElidedLabel.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace velmar::ui {

namespace {
constexpr int kMinimumCharacters = 8;
}

ElidedLabel::ElidedLabel(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);  // takes the room there is
}

void ElidedLabel::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  setToolTip(text);
  updateGeometry();
  update();
}

QString ElidedLabel::shownText() const {
  return fontMetrics().elidedText(text_, Qt::ElideMiddle, contentsRect().width());
}

QSize ElidedLabel::sizeHint() const { return minimumSizeHint(); }

QSize ElidedLabel::minimumSizeHint() const {
  const QFontMetrics fm = fontMetrics();
  return {fm.averageCharWidth() * kMinimumCharacters, fm.height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOption option;
  option.initFrom(this);
  style()->drawItemText(&painter, contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, option.palette, isEnabled(),
                        shownText(), foregroundRole());
}

}  // namespace velmar::ui
