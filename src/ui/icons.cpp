#include "icons.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>

#include "model/kinds.h"

namespace vilk::ui {

namespace {

struct Look {
  QColor color;
  const char* letter;
};

// Glyph and colour of every image index come with the kind table.
Look LookOf(int index) {
  const ImageLook& look = LookOfImage(index);
  return {QColor::fromRgb(look.Rgb), look.Glyph};
}

QPixmap Draw(int index) {
  const int size = 16;
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  if (index < 0) return pm;
  const Look look = LookOf(index);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(look.color);
  p.setPen(look.color.darker(140));
  p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), 3, 3);
  QFont f = p.font();
  f.setPixelSize(std::strlen(look.letter) > 2 ? 9 : 10);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QString::fromUtf8(look.letter));
  return pm;
}

QPixmap Warning() {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(230, 170, 0));
  p.setPen(QColor(140, 90, 0));
  p.drawPolygon(QPolygonF({QPointF(8, 1), QPointF(15, 15), QPointF(1, 15)}));
  p.setPen(Qt::black);
  QFont f = p.font();
  f.setPixelSize(10);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRect(0, 3, 16, 13), Qt::AlignCenter, QStringLiteral("!"));
  return pm;
}

}  // namespace

QIcon NodeIcon(int index) {
  static QHash<int, QIcon> cache;
  auto it = cache.find(index);
  if (it == cache.end()) it = cache.insert(index, QIcon(Draw(index)));
  return *it;
}

QIcon NodeIconWithState(int index, int state) {
  if (state != 3) return NodeIcon(index);
  static QHash<int, QIcon> cache;
  auto it = cache.find(index);
  if (it == cache.end()) {
    QPixmap pm(34, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.drawPixmap(0, 0, Warning());
    p.drawPixmap(18, 0, Draw(index));
    it = cache.insert(index, QIcon(pm));
  }
  return *it;
}

}  // namespace vilk::ui
