#include "controller/port_ip.h"
#include "controller/rs232.h"
#include "frame.h"
#include "frames/controller/board_frames.h"
#include "frames/controller/controller_frame.h"
#include "frames/controller/port_ip_frame.h"
#include "frames/devices/auto_frame.h"
#include "frames/devices/gps_frame.h"
#include "frames/fieldbus/device_adder.h"
#include "frames/fieldbus/iec103_frames.h"
#include "frames/fieldbus/modbus_port_frames.h"
#include "frames/fieldbus/rtu_frame.h"
#include "frames/fieldbus/select_rtu.h"
#include "frames/logic/ladder_frame.h"
#include "frames/meters/meter_frames.h"
#include "frames/modules/module_frames.h"
#include "frames/modules/pairing_frame.h"
#include "frames/snmp/snmp_frames.h"
#include "frames/telemechanics/kp_frames.h"
#include "frames/telemechanics/pc_frame.h"
#include "frames/telemechanics/pu_frame.h"
#include "frames/telemechanics/rtu104_frame.h"
#include "signals/list_frame.h"
#include "signals/param.h"
#include "snmp/port_snmp.h"

namespace vilk::ui {

template <typename F>
FrameFactory Make() {
  return [](TItem* item, QWidget* parent) -> ItemFrame* { return new F(item, parent); };
}

void RegisterBuiltInFrames() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterFrame({kRootParent, kControllerCode}, Make<TControllerFrame>());
  RegisterFrame({kControllerCode, 0}, Make<TProcFrame>());
  RegisterFrame({kControllerCode, kComBoardRS232}, Make<TRS232Frame>());
  RegisterFrame({kControllerCode, kComBoardRS485}, Make<TRS232Frame>());
  RegisterFrame({kControllerCode, 121}, Make<TDIFrame>());
  RegisterFrame({0, kPortIP}, Make<TPortIPFrame>());
  RegisterFrame({kPortIP, kPCKind}, Make<TPCFrame>());
  RegisterFrame({0, kPortPU}, Make<TPUFrame>());
  RegisterFrame({0, kPortAuto}, Make<TAutoFrame>());
  RegisterFrame({0, kPortGPS}, Make<TGPSFrame>());
  RegisterFrame({0, kPortSNMP}, Make<TPortSNMPFrame>());
  RegisterFrame({kPortSNMP, kSNMPDevice}, Make<TRTUSNMPFrame>());
  RegisterFrame({0, kPortKP}, Make<TPortKPFrame>());
  RegisterFrame({kPortKP, kKPDevice}, Make<TKPFrame>());
  RegisterFrame({0, kPortRTU104}, Make<TPortRTU104Frame>());
  RegisterFrame({kPortRTU104, kRTU104Device}, Make<TRTU104Frame>());
  RegisterFrame({0, kPortMODBUS}, Make<TPortRTUFrame>());
  RegisterFrame({0, kPortRTUTCP}, Make<TPortRTUTCPFrame>());
  RegisterFrame({kPortMODBUS, kModbusDevice}, Make<TRTUFrame>());
  RegisterFrame({0, kPortDoro}, Make<TPortDoroFrame>());
  for (int module : {kModuleRIV24, kModuleDED12, kModuleZUZ24})
    RegisterFrame({kPortDoro, module}, Make<TModuleFrame>());
  RegisterFrame({0, kPortTS2}, Make<TPairPortFrame>());
  RegisterFrame({0, kPortTU2}, Make<TPairPortFrame>());
  RegisterFrame({0, kPortLD}, Make<TPortLDFrame>());
  RegisterFrame({kPortRTUTCP, kModbusDevice}, Make<TRTUTCPFrame>());
  RegisterFrame({0, kPortCE303}, Make<TMeterPortFrame>());
  RegisterFrame({0, kPortCE318}, Make<TMeterPortFrame>());
  RegisterFrame({0, kPortCC301}, Make<TMeterPortFrame>());
  RegisterFrame({kPortCE303, kMeterCE303}, Make<TMeterFrame>());
  RegisterFrame({kPortCE318, kMeterCE318}, Make<TMeterFrame>());
  RegisterFrame({kPortCC301, kMeterCC301}, Make<TMeterFrame>());
  RegisterDeviceAdder(kPortMODBUS, AddModbusDevices);
  RegisterFrame({0, kPort103}, Make<TPort103Frame>());
  RegisterFrame({kPort103, kDevice103}, Make<TRTU103Frame>());
  RegisterDeviceAdder(kPort103, AddIec103Devices);
  auto list = [](int kind) { return KindKey{kAnyParent, SignalKindOf(kind)->BlockId}; };
  RegisterFrame(list(kKindTS), Make<TFrameTS>());
  RegisterFrame(list(kKindTU), Make<TFrameTU>());
  RegisterFrame(list(kKindTI), Make<TFrameTI>());
  RegisterFrame(list(kKindTII), Make<TFrameTII>());
  RegisterFrame(list(kKindTR), Make<TFrameTR>());
  RegisterFrame(list(kKindMTS), Make<TFrameMTS>());
}

}  // namespace vilk::ui
