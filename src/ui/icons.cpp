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

// The scales an icon is drawn for: ordinary, "150 %", "200 %" and "300 %" screens. Each
// is drawn at its own pixel size, so nothing is blown up from 16 pixels.
constexpr qreal kScales[] = {1.0, 1.5, 2.0, 3.0};

QPixmap Blank(int width, int height, qreal scale) {
  QPixmap pm(qRound(width * scale), qRound(height * scale));
  pm.setDevicePixelRatio(scale);
  pm.fill(Qt::transparent);
  return pm;
}

QPixmap Draw(int index, qreal scale) {
  const int size = 16;
  QPixmap pm = Blank(size, size, scale);
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

QPixmap Warning(qreal scale) {
  QPixmap pm = Blank(16, 16, scale);
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
  if (it == cache.end()) {
    QIcon icon;
    for (const qreal scale : kScales) icon.addPixmap(Draw(index, scale));
    it = cache.insert(index, icon);
  }
  return *it;
}

QIcon NodeIconWithState(int index, int state) {
  if (state != 3) return NodeIcon(index);
  static QHash<int, QIcon> cache;
  auto it = cache.find(index);
  if (it == cache.end()) {
    QIcon icon;
    for (const qreal scale : kScales) {
      QPixmap pm = Blank(34, 16, scale);
      QPainter p(&pm);
      p.drawPixmap(0, 0, Warning(scale));
      p.drawPixmap(18, 0, Draw(index, scale));
      p.end();
      icon.addPixmap(pm);
    }
    it = cache.insert(index, icon);
  }
  return *it;
}

}  // namespace vilk::ui
