#include "theme.h"

#include <QApplication>
#include <cmath>

namespace vilk::ui {

namespace {

double Channel(double c) {
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
  return 0.2126 * Channel(c.redF()) + 0.7152 * Channel(c.greenF()) + 0.0722 * Channel(c.blueF());
}

// The first of `candidates` that stands out from the background by 4.5 : 1, else the one
// that stands out most.
QColor Readable(const QColor& background, std::initializer_list<QColor> candidates) {
  QColor best;
  double bestRatio = 0;
  for (const QColor& c : candidates) {
    const double r = ContrastRatio(c, background);
    if (r >= 4.5) return c;
    if (r > bestRatio) {
      bestRatio = r;
      best = c;
    }
  }
  return best;
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsDark(const QPalette& palette) {
  return Luminance(palette.color(QPalette::Base)) < 0.2;
}

QColor RenamedText(const QPalette& palette) {
  const QColor base = palette.color(QPalette::Base);
  return Readable(base, {palette.color(QPalette::Link),
                         IsDark(palette) ? QColor(0x8A, 0xB4, 0xF8) : QColor(0x00, 0x00, 0xC0),
                         palette.color(QPalette::Text)});
}

QColor GreyedText(const QPalette& palette) {
  const QColor base = palette.color(QPalette::Base);
  // Greyed is meant to be quieter than text, yet still legible: 3 : 1 is enough for that.
  for (const QColor& c :
       {palette.color(QPalette::PlaceholderText), palette.color(QPalette::Disabled, QPalette::Text),
        palette.color(QPalette::Mid)})
    if (ContrastRatio(c, base) >= 3.0) return c;
  return palette.color(QPalette::Text);
}

QColor ErrorText(const QPalette& palette) {
  return Readable(palette.color(QPalette::Base),
                  {IsDark(palette) ? QColor(0xFF, 0x6B, 0x6B) : QColor(0xB0, 0x00, 0x00),
                   palette.color(QPalette::Text)});
}

QColor GoodText(const QPalette& palette) {
  return Readable(palette.color(QPalette::Base),
                  {IsDark(palette) ? QColor(0x6B, 0xD9, 0x8A) : QColor(0x00, 0x70, 0x20),
                   palette.color(QPalette::Text)});
}

QPalette AppPalette() {
  return QApplication::palette();
}

QPalette DarkPalette() {
  QPalette p;
  const QColor window(0x2B, 0x2B, 0x2B), base(0x1E, 0x1E, 0x1E), text(0xE6, 0xE6, 0xE6);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x26));
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::ToolTipBase, window);
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, QColor(0x9A, 0x9A, 0x9A));
  p.setColor(QPalette::Link, QColor(0x8A, 0xB4, 0xF8));
  p.setColor(QPalette::Highlight, QColor(0x2F, 0x5F, 0xA8));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::Mid, QColor(0x50, 0x50, 0x50));
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
  p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
  return p;
}

}  // namespace vilk::ui
