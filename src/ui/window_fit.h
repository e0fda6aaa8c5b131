#pragma once
// The window's first size: at least what the widest and tallest editor frame asks for, so
// that no frame opens with its inputs cut off, and never more than the screen holds.
#include <QMainWindow>
#include <QSize>

namespace vilk::ui {

// The largest size hint over one frame of every kind this build makes (measured once, on
// a scratch configuration).
QSize LargestFrameHint();

// Grows `window` (already at its stored or default place) to hold a frame of `frameHint`
// beside the tree and the pool panel, no further than the available area of its screen,
// and moves it back onto that screen when it would stick out (its top left corner always
// on the screen). A stored size larger than that is kept.
void FitWindowToFrames(QMainWindow* window, QSize frameHint);

// The window size that fits a frame of `frameHint`, from its parts: the tree and pool
// panel widths and the height of menu, tool and status bars.
QSize WindowSizeFor(QSize frameHint, int sideWidth, int barsHeight);

}  // namespace vilk::ui
