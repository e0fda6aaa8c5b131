#include "model/kinds.h"

#include <map>

#include "base/format.h"
#include "controller/di.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "controller/rs232.h"
#include "ports/telemechanics/pc.h"
#include "snmp/port_snmp.h"

namespace vilk {

namespace {

void RegisterBuiltInKinds();

std::map<int, PortFactoryFn>& PortRegistry() {
  static std::map<int, PortFactoryFn> registry;
  RegisterBuiltInKinds();
  return registry;
}

std::map<std::pair<int, int>, DeviceFactoryFn>& DeviceRegistry() {
  static std::map<std::pair<int, int>, DeviceFactoryFn> registry;
  RegisterBuiltInKinds();
  return registry;
}

bool builtInsDone = false;

// The port and device kinds this build implements; each port module adds its line here.
void RegisterBuiltInKinds() {
  if (builtInsDone) return;
  builtInsDone = true;
  RegisterPCKind();
  RegisterPortKind(kPortSNMP, [](Configuration& c) { return std::make_unique<TPortSNMP>(c); });
  RegisterDeviceKind(kPortSNMP, kSNMPDevice,
                     [](Configuration& c) { return std::make_unique<TSNMP>(c); });
}

}  // namespace

const std::vector<KindInfo>& KindTable() {
  static const std::vector<KindInfo> table{
      {0, "TProc", 1, ""},
      {121, "TDI", 1, ""},
      {200, "TRS232", 1, ""},
      {223, "TRS232", 1, ""},
      {100, "TPortIP", 2, ""},
      {101, "TPortPU", 2, "Добавить Порт связи с ПУ"},
      {102, "TPortMODBUS", 2, "Добавить Порт опроса MODBUS-RTU"},
      {106, "TPortCC301", 2, "Добавить Порт счётчиков СС-301"},
      {112, "TPortKP", 2, "Добавить Порт опроса КП"},
      {115, "TPort103", 2, "Добавить Порт опроса MЭК 870-5-103"},
      {117, "TPortAuto", 2, "Добавить Порт автоматики"},
      {118, "TPortCE303", 2, "Добавить Порт счётчиков СE-303"},
      {120, "TPortGPS", 2, "Добавить Порт точного времени"},
      {125, "TPortDoro", 2, "Добавить Порт DORO"},
      {128, "TPortRTU104", 2, "Добавить Порт опроса MЭК 870-5-104"},
      {129, "TPortRTUTCP", 2, "Добавить Порт опроса MODBUS-TCP"},
      {131, "TPortLD", 2, "Добавить Порт дискретной логики"},
      {132, "TPortTS2", 2, "Добавить Порт двухпозиционных ТС"},
      {133, "TPortTU2", 2, "Добавить Порт двухканальных ТУ"},
      {134, "TPortSNMP", 2, "Добавить Порт опроса SNMP"},
      {135, "TPortCE318", 2, "Добавить Порт счётчиков СE-318"},
      {202, "TPC / TRTU / TRTUTCP", 3, "Добавить ПЭВМ"},
      {206, "TKP", 3, "Добавить КП"},
      {208, "TRTU103", 3, "Добавить устройство"},
      {216, "TCC301", 3, "Добавить CC301"},
      {217, "TCE303", 3, "Добавить CE303"},
      {233, "TCE318", 3, "Добавить CE318"},
      {221, "TMDS24", 3, "Добавить RIV-24"},
      {222, "TMRK12", 3, "Добавить DED-12"},
      {229, "TMDK24", 3, "Добавить ZUZ-24"},
      {224, "TRTU104", 3, "Добавить устройство"},
      {232, "TSNMP", 3, "Добавить устройство"},
  };
  return table;
}

std::vector<KindInfo> PortMenuKinds() {
  std::vector<KindInfo> kinds;
  for (const KindInfo& k : KindTable())
    if (k.Level == 2 && k.Code != kPortIP) kinds.push_back(k);
  return kinds;
}

std::unique_ptr<TBlock> MakeBoard(Configuration& config, int kind, int comOrdinal) {
  std::unique_ptr<TBlock> board;
  switch (kind) {
    case 0:
      board = std::make_unique<TProc>(config);
      break;
    case 121:
      board = std::make_unique<TDI>(config);
      break;
    case kComBoardRS232:
    case kComBoardRS485:
      board = std::make_unique<TRS232>(config, kind);
      board->SetNumber(static_cast<std::uint8_t>(32 + comOrdinal));
      break;
    default:
      return nullptr;
  }
  board->Kind = static_cast<std::uint8_t>(kind);
  return board;
}

std::unique_ptr<TPort> MakePort(Configuration& config, int code) {
  auto it = PortRegistry().find(code);
  if (it == PortRegistry().end()) return nullptr;
  std::unique_ptr<TPort> port = it->second(config);
  if (port) port->Kind = static_cast<std::uint8_t>(code);
  return port;
}

std::unique_ptr<TPort> MakeDevice(Configuration& config, int parentKind, int code) {
  auto it = DeviceRegistry().find({parentKind, code});
  if (it == DeviceRegistry().end()) return nullptr;
  std::unique_ptr<TPort> device = it->second(config);
  if (device) device->Kind = static_cast<std::uint8_t>(code);
  return device;
}

void RegisterPortKind(int code, PortFactoryFn factory) {
  PortRegistry()[code] = std::move(factory);
}

void RegisterDeviceKind(int parentKind, int code, DeviceFactoryFn factory) {
  DeviceRegistry()[{parentKind, code}] = std::move(factory);
}

void UnregisterDeviceKind(int parentKind, int code) {
  DeviceRegistry().erase({parentKind, code});
}

void UnregisterPortKind(int code) {
  PortRegistry().erase(code);
}

void ResetKindRegistry() {
  PortRegistry().clear();
  DeviceRegistry().clear();
  builtInsDone = false;
  RegisterBuiltInKinds();
}

std::string UnknownPortMessage(int code) {
  return Format("Неизвестный тип порта,\rID = %d", code);
}

}  // namespace vilk
