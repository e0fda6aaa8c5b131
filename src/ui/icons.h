#pragma once
// Node icons by image index, drawn at run time (no image files to ship).
#include <QIcon>

namespace vilk::ui {

QIcon NodeIcon(int index);
// The node icon with the state icon (3: not allowed by the firmware) in front of it.
QIcon NodeIconWithState(int index, int state);

}  // namespace vilk::ui
