// The application's icon.
#include "ui/AppIcon.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>

namespace velmar::ui {

namespace {

// Where a shipped icon may be, relative to the executable: beside it (the
// build tree's program folder), and the installed share folders.
QIcon ShippedIcon() {
  const QString bin = QCoreApplication::applicationDirPath();
  for (const QString& path :
       {bin + "/velmar.svg", bin + "/velmar.png", bin + "/icons/velmar.svg",
        bin + "/../share/icons/hicolor/scalable/apps/velmar.svg", bin + "/../share/velmar/velmar.svg"})
    if (QFileInfo(path).isFile()) return QIcon(path);
  return {};
}

// A rounded square with a "V", drawn at the usual icon sizes.
QIcon DrawnIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x5f, 0x9e));
    p.drawRoundedRect(QRectF(0, 0, size, size), size * 0.18, size * 0.18);
    p.setPen(QPen(Qt::white, size * 0.12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF(
        {QPointF(size * 0.25, size * 0.25), QPointF(size * 0.5, size * 0.76), QPointF(size * 0.75, size * 0.25)}));
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

QIcon ApplicationIcon() {
  QIcon shipped = ShippedIcon();
  if (!shipped.isNull()) return shipped;
  return QIcon::fromTheme("velmar", DrawnIcon());
}

}  // namespace velmar::ui
