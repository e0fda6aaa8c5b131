#include "frame.h"
#include "frames/controller/board_frames.h"
#include "frames/controller/controller_frame.h"
#include "frames/controller/port_ip_frame.h"
#include "frames/snmp/snmp_frames.h"
#include "frames/telemechanics/pc_frame.h"
#include "signals/list_frame.h"
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
  RegisterFrame(DeviceFrameKey(100, 202), Make<TPCFrame>());
  RegisterFrame(kPortSNMP, Make<TPortSNMPFrame>());
  RegisterFrame(DeviceFrameKey(kPortSNMP, kSNMPDevice), Make<TRTUSNMPFrame>());
  RegisterFrame(1000 + kKindTS, Make<TFrameTS>());
  RegisterFrame(1000 + kKindTU, Make<TFrameTU>());
  RegisterFrame(1000 + kKindTI, Make<TFrameTI>());
  RegisterFrame(1000 + kKindTII, Make<TFrameTII>());
  RegisterFrame(1000 + kKindTR, Make<TFrameTR>());
  RegisterFrame(1000 + kKindMTS, Make<TFrameMTS>());
}

}  // namespace vilk::ui
