#pragma once
// The frame of a block kept unread (an unknown kind, a newer version, or anything inside
// one): it says what the block is and that it goes back to the file and the controller
// unchanged; nothing in it can be edited.
#include "frame.h"

namespace vilk::ui {

class TKeptFrame : public ItemFrame {
  Q_OBJECT
 public:
  TKeptFrame(TItem* item, QWidget* parent);
};

}  // namespace vilk::ui
