#include "frame.h"
#include "frames/controller/board_frames.h"
#include "frames/controller/controller_frame.h"
#include "frames/controller/port_ip_frame.h"
#include "frames/signal_list_frame.h"
#include "signals/param.h"

namespace vilk::ui {

template <typename F>
FrameFactory Make() {
  return [](TItem* item, QWidget* parent) -> ItemFrame* { return new F(item, parent); };
}

void RegisterBuiltInFrames() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterFrame(-1, Make<TControllerFrame>());
  RegisterFrame(0, Make<TProcFrame>());
  RegisterFrame(200, Make<TRS232Frame>());
  RegisterFrame(223, Make<TRS232Frame>());
  RegisterFrame(121, Make<TDIFrame>());
  RegisterFrame(100, Make<TPortIPFrame>());
  for (int k = 1; k <= kSignalKinds; ++k) RegisterFrame(1000 + k, Make<TSignalListFrame>());
}

}  // namespace vilk::ui
