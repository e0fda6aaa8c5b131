#pragma once
// Colours with a meaning, taken from the palette in force, so that a dark or high-contrast
// theme keeps every mark readable. Nothing in the window paints with a fixed colour of its
// own where text stands on the theme's background.
#include <QColor>
#include <QPalette>

namespace vilk::ui {

// Whether the palette's text background is dark.
bool IsDark(const QPalette& palette);

// A name the user gave (it differs from the default name): the theme's link colour.
QColor RenamedText(const QPalette& palette);
// What cannot be used or is not found (unresolved names, greyed rows, placeholders).
QColor GreyedText(const QPalette& palette);
// A fault said in place (an address clash, a failed live read, a row in error).
QColor ErrorText(const QPalette& palette);
// A good state said in place (a live read that arrived, a changed row).
QColor GoodText(const QPalette& palette);

// The palette of the whole application (models have no widget of their own).
QPalette AppPalette();
// A dark palette for the Fusion style (vilk --palette dark, and the tests of readability).
QPalette DarkPalette();

// How far apart two colours are to the eye: the WCAG contrast ratio (1 .. 21).
double ContrastRatio(const QColor& a, const QColor& b);

}  // namespace vilk::ui
