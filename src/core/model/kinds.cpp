#include "model/kinds.h"

#include <algorithm>
#include <map>

#include "base/format.h"
#include "controller/di.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "controller/rs232.h"
#include "ports/devices/auto_port.h"
#include "ports/devices/gps.h"
#include "ports/fieldbus/iec103.h"
#include "ports/fieldbus/modbus.h"
#include "ports/logic/port_ld.h"
#include "ports/meters/meters.h"
#include "ports/modules/modules.h"
#include "ports/modules/pairing.h"
#include "ports/modules/port_doro.h"
#include "ports/telemechanics/kp.h"
#include "ports/telemechanics/pc.h"
#include "ports/telemechanics/pu.h"
#include "ports/telemechanics/rtu104.h"
#include "signals/params.h"
#include "snmp/port_snmp.h"

namespace vilk {

namespace {

template <typename T>
ItemFactory Make() {
  return [](Configuration& c) -> std::unique_ptr<TItem> { return std::make_unique<T>(c); };
}

ItemFactory MakeCom(int kind) {
  return [kind](Configuration& c) -> std::unique_ptr<TItem> {
    return std::make_unique<TRS232>(c, kind);
  };
}

ItemFactory MakeList(int signalKind) {
  return [signalKind](Configuration& c) -> std::unique_ptr<TItem> {
    return MakeParams(c, signalKind);
  };
}

constexpr int kNo = kNeverAllowed;
constexpr int kCtl = kControllerCode;

// The explicit list: a static library would drop self-registering objects, and one
// place shows every kind at a glance. Ports are in the order of the processor board's menu.
std::vector<KindRow> BuiltInRows() {
  return {
      // Boards.
      {kCtl, 0, "TProc", "", kNo, 1, Make<TProc>()},
      {kCtl, 121, "TDI", "", kNo, 9, Make<TDI>()},
      {kCtl, kComBoardRS232, "TRS232", "", kNo, 0, MakeCom(kComBoardRS232)},
      {kCtl, kComBoardRS485, "TRS232", "", kNo, 0, MakeCom(kComBoardRS485)},
      // Ports.
      {0, kPortIP, "TPortIP", "", kNo, 14, Make<TPortIP>()},
      {0, kPortPU, "TPortPU", "Добавить Порт связи с ПУ", 0, 0, Make<TPortPU>()},
      {0, kPortMODBUS, "TPortMODBUS", "Добавить Порт опроса MODBUS-RTU", 0, 0, Make<TPortMODBUS>()},
      {0, kPortCC301, "TPortCC301", "Добавить Порт счётчиков СС-301", 0, 0, Make<TPortCC301>()},
      {0, kPortKP, "TPortKP", "Добавить Порт опроса КП", 0, 0, Make<TPortKP>()},
      {0, kPort103, "TPort103", "Добавить Порт опроса MЭК 870-5-103", 0, 0, Make<TPort103>()},
      {0, kPortAuto, "TPortAuto", "Добавить Порт автоматики", kNo, 11, Make<TPortAuto>()},
      {0, kPortCE303, "TPortCE303", "Добавить Порт счётчиков СE-303", 0, 0, Make<TPortCE303>()},
      {0, kPortGPS, "TPortGPS", "Добавить Порт точного времени", 0, 17, Make<TPortGPS>()},
      {0, kPortDoro, "TPortDoro", "Добавить Порт DORO", 0, 0, Make<TPortDoro>()},
      {0, kPortRTU104, "TPortRTU104", "Добавить Порт опроса MЭК 870-5-104", 8, 0,
       Make<TPortRTU104>()},
      {0, kPortRTUTCP, "TPortRTUTCP", "Добавить Порт опроса MODBUS-TCP", 6, 0, Make<TPortRTUTCP>()},
      {0, 131, "TPortLD", "Добавить Порт дискретной логики", 0, 0, Make<TPortLD>()},
      {0, kPortTS2, "TPortTS2", "Добавить Порт двухпозиционных ТС", 10, 5, Make<TPortTS2>()},
      {0, kPortTU2, "TPortTU2", "Добавить Порт двухканальных ТУ", 10, 6, Make<TPortTU2>()},
      {0, kPortSNMP, "TPortSNMP", "Добавить Порт опроса SNMP", 11, 0, Make<TPortSNMP>()},
      {0, kPortCE318, "TPortCE318", "Добавить Порт счётчиков СE-318", 12, 0, Make<TPortCE318>()},
      // Devices, under the port kind that owns them.
      {kPortIP, kPCKind, "TPC", "Добавить ПЭВМ", kNo, 15, Make<TPC>()},
      {kPortMODBUS, kModbusDevice, "TRTU", "Добавить устройство", kNo, 28, Make<TRTU>()},
      {kPortRTUTCP, kModbusDevice, "TRTUTCP", "Добавить устройство", kNo, 28, Make<TRTUTCP>()},
      {kPortKP, kKPDevice, "TKP", "Добавить КП", kNo, 3, Make<TKP>()},
      {kPort103, kDevice103, "TRTU103", "Добавить устройство", kNo, 28, Make<TRTU103>()},
      {kPortCC301, kMeterCC301, "TCC301", "Добавить CC301", kNo, 28, Make<TCC301>()},
      {kPortCE303, kMeterCE303, "TCE303", "Добавить CE303", kNo, 28, Make<TCE303>()},
      {kPortCE318, kMeterCE318, "TCE318", "Добавить CE318", kNo, 28, Make<TCE318>()},
      {kPortDoro, kModuleRIV24, "TMDS24", "Добавить RIV-24", kNo, 3, Make<TMDS24>()},
      {kPortDoro, kModuleDED12, "TMRK12", "Добавить DED-12", kNo, 3, Make<TMRK12>()},
      {kPortDoro, kModuleZUZ24, "TMDK24", "Добавить ZUZ-24", kNo, 3, Make<TMDK24>()},
      {kPortRTU104, kRTU104Device, "TRTU104", "Добавить устройство", kNo, 0, Make<TRTU104>()},
      {kPortSNMP, kSNMPDevice, "TSNMP", "Добавить устройство", kNo, 0, Make<TSNMP>()},
      // Signal lists, made by whichever item owns them.
      {kAnyParent, 211, "TParamsTS", "", kNo, 5, MakeList(kKindTS)},
      {kAnyParent, 212, "TParamsTU", "", kNo, 6, MakeList(kKindTU)},
      {kAnyParent, 213, "TParamsTI", "", kNo, 4, MakeList(kKindTI)},
      {kAnyParent, 214, "TParamsTII", "", kNo, 7, MakeList(kKindTII)},
      {kAnyParent, 215, "TParamsTR", "", kNo, 12, MakeList(kKindTR)},
      {kAnyParent, 219, "TParamsMTS", "", kNo, 5, MakeList(kKindMTS)},
  };
}

struct Registry {
  std::vector<KindRow> rows = BuiltInRows();
  std::map<KindKey, std::size_t> index;  // rebuilt after every change
  void Reindex() {
    index.clear();
    for (std::size_t i = 0; i < rows.size(); ++i) index.emplace(rows[i].Key(), i);
  }
  Registry() { Reindex(); }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

const ImageLook kLooks[] = {
    {0, "C", 0x969696},   // COM board, free; a port without a board
    {1, "P", 0x285AAA},   // processor board
    {3, "В", 0x1E3C78},   // controller
    {4, "И", 0x008C8C},   // ТИ
    {5, "С", 0x00963C},   // ТС, МТС
    {6, "У", 0xBE5A00},   // ТУ
    {7, "Σ", 0x783CA0},   // ТИИ
    {8, "C", 0x1E963C},   // COM board in use
    {9, "D", 0x00785A},   // discrete-input board
    {11, "А", 0x8C5A1E},  // the automation port
    {12, "Р", 0xA0285A},  // ТР
    {14, "IP", 0x146EBE},
    {15, "ПК", 0x465AA0},  // control-centre PC
    {17, "T", 0x1E78A0},   // the clock source
    {28, "RT", 0x786428},  // a polled device (Modbus; SNMP with tags)
    {kImageUnknown, "?", 0xB4B4B4},
};
const ImageLook kDefaultLook{-1, "•", 0x5A6E82};

}  // namespace

const std::vector<KindRow>& KindTable() {
  return TheRegistry().rows;
}

const KindRow* FindKind(KindKey key) {
  const Registry& r = TheRegistry();
  auto it = r.index.find(key);
  return it == r.index.end() ? nullptr : &r.rows[it->second];
}

KindKey KeyOf(const TItem& item) {
  if (!item.Parent()) return {kRootParent, kControllerCode};
  if (dynamic_cast<const TParams*>(&item)) return {kAnyParent, item.BlockId()};
  const TItem* parent = item.Parent();
  return {parent->Parent() ? parent->Kind : kControllerCode, item.Kind};
}

std::vector<const KindRow*> AddCommands(const TItem& item) {
  std::vector<const KindRow*> rows;
  if (!item.Parent() || dynamic_cast<const TParams*>(&item)) return rows;
  for (const KindRow& row : KindTable())
    if (row.Parent == item.Kind && *row.MenuCaption && !row.IsBoard() && row.Parent != kAnyParent)
      rows.push_back(&row);
  return rows;
}

PortKindSet PortKindSetFor(int major, int minor) {
  PortKindSet set;
  if (major != 1) return set;
  for (const KindRow& row : KindTable())
    if (row.IsPort() && row.MinMinor != kNeverAllowed && minor >= row.MinMinor)
      set.set(static_cast<std::size_t>(row.Code));
  return set;
}

bool OnePerConfiguration(int code) {
  static const PortKindSet kinds = [] {
    PortKindSet set;
    for (int c : {117, 131, 132, 133}) set.set(static_cast<std::size_t>(c));
    return set;
  }();
  return code >= 0 && code < 256 && kinds[static_cast<std::size_t>(code)];
}

bool SavedWhateverFirmware(int code) {
  return code == 117;
}

std::unique_ptr<TItem> MakeItem(Configuration& config, KindKey key) {
  const KindRow* row = FindKind(key);
  if (!row || !row->Make) return nullptr;
  std::unique_ptr<TItem> item = row->Make(config);
  if (item && !item->AsParams()) item->Kind = static_cast<std::uint8_t>(key.Code);
  return item;
}

namespace {
template <typename T>
std::unique_ptr<T> Downcast(std::unique_ptr<TItem> item) {
  if (auto* t = dynamic_cast<T*>(item.get())) {
    item.release();
    return std::unique_ptr<T>(t);
  }
  return nullptr;
}
}  // namespace

std::unique_ptr<TBlock> MakeBoard(Configuration& config, int kind, int comOrdinal) {
  auto board = Downcast<TBlock>(MakeItem(config, {kControllerCode, kind}));
  if (board && (kind == kComBoardRS232 || kind == kComBoardRS485))
    board->SetNumber(static_cast<std::uint8_t>(32 + comOrdinal));
  return board;
}

std::unique_ptr<TPort> MakePort(Configuration& config, int code) {
  return Downcast<TPort>(MakeItem(config, {0, code}));
}

std::unique_ptr<TPort> MakeDevice(Configuration& config, int parentKind, int code) {
  if (parentKind < 0) return nullptr;
  return Downcast<TPort>(MakeItem(config, {parentKind, code}));
}

const ImageLook& LookOfImage(int index) {
  for (const ImageLook& look : kLooks)
    if (look.Index == index) return look;
  return kDefaultLook;
}

bool RegisterTestKind(KindRow row) {
  Registry& r = TheRegistry();
  if (row.Code < kFirstTestCode || row.Code > 255) return false;
  if (r.index.count(row.Key())) return false;
  r.rows.push_back(std::move(row));
  r.Reindex();
  return true;
}

bool UnregisterTestKind(KindKey key) {
  Registry& r = TheRegistry();
  auto it = r.index.find(key);
  if (key.Code < kFirstTestCode || it == r.index.end()) return false;
  r.rows.erase(r.rows.begin() + static_cast<long>(it->second));
  r.Reindex();
  return true;
}

void ResetKindRegistry() {
  Registry& r = TheRegistry();
  r.rows = BuiltInRows();
  r.Reindex();
}

std::string UnknownPortMessage(int code) {
  return Format("Неизвестный тип порта,\rID = %d", code);
}

}  // namespace vilk
