#include "model/validate.h"

#include <array>
#include <unordered_map>
#include <unordered_set>

#include "base/format.h"
#include "base/messages.h"
#include "controller/controller.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/device_port.h"
#include "model/image_ops.h"
#include "model/kinds.h"
#include "model/record.h"
#include "model/show.h"
#include "ports/fieldbus/iec103.h"
#include "ports/fieldbus/modbus.h"
#include "ports/meters/meters.h"
#include "ports/telemechanics/pc.h"
#include "ports/telemechanics/rtu104.h"
#include "signals/params.h"
#include "signals/storage.h"
#include "snmp/port_snmp.h"

namespace vilk {

namespace {

constexpr int kMaxRegistersPerRequest = 125;
const char kUnlinkedSaveMessage[] = "Не все порты связаны с COM.";
const char kSameNumberSaveMessage[] = "Обнаружены порты с одинаковым адресом.";
const char kAbortedMessage[] = "Сохранение прервано.";

std::string Dotted(std::uint32_t ip) {
  return Format("%d.%d.%d.%d", static_cast<int>(ip >> 24), static_cast<int>((ip >> 16) & 0xFF),
                static_cast<int>((ip >> 8) & 0xFF), static_cast<int>(ip & 0xFF));
}

class Collector {
 public:
  explicit Collector(std::vector<Problem>& out) : out_(out) {}
  void Add(Severity level, const TItem& item, std::string message) {
    said_.insert(message);
    out_.push_back({level, &item, CaptionPath(item), std::move(message)});
  }
  void Error(const TItem& item, std::string message) {
    Add(Severity::Error, item, std::move(message));
  }
  void Warning(const TItem& item, std::string message) {
    Add(Severity::Warning, item, std::move(message));
  }
  // A message of the save checks this report has already given with its item.
  bool Said(const std::string& message) const { return said_.count(message) != 0; }

 private:
  std::vector<Problem>& out_;
  std::unordered_set<std::string> said_;
};

// The IP address a device is reached at: SNMP devices keep it in their device record,
// the others in the first IP field of their record. 0 when the device has none.
std::uint32_t DeviceIp(const TItem& device) {
  if (const auto* snmp = dynamic_cast<const TSNMP*>(&device)) {
    const auto& a = snmp->Device.Address;
    return static_cast<std::uint32_t>(a[0]) << 24 | static_cast<std::uint32_t>(a[1]) << 16 |
           static_cast<std::uint32_t>(a[2]) << 8 | a[3];
  }
  const RecordDesc* record = device.Record();
  if (!record) return 0;
  for (const FieldDesc& f : record->Fields()) {
    if (f.Type != FieldType::Ip || !f.Where) continue;
    if (f.Present && !f.Present(device)) return 0;
    return *static_cast<const std::uint32_t*>(f.Where(const_cast<TItem&>(device)));
  }
  return 0;
}

// Ports under the processor board: kinds the firmware allows, distinct numbers, a board
// for every port that runs on one (the save checks, each said of its port).
void CheckPorts(const TController& controller, Collector& c) {
  const TProc* proc = controller.Proc();
  if (!proc) return;
  std::unordered_map<int, const TItem*> byNumber;
  for (int i = 1; i < proc->ChildCount(); ++i) {
    const TPort* port = proc->Child(i)->AsPort();
    if (!port || port->IsKept()) continue;
    if (!controller.Desc.PortKinds[port->Kind] && !SavedWhateverFirmware(port->Kind))
      c.Error(*port, "Порт " + port->Name() + " не совместим с контроллером или его версией ПФ.");
    if (!port->LinkedBoard && (port->BoardMask & kMaskCom))
      c.Warning(*port, "Порт не связан с платой COM.");
    const auto [first, fresh] = byNumber.emplace(port->Number, port);
    if (!fresh)
      c.Error(*port, Format("Адрес порта %d совпадает с адресом порта %s.", port->Number,
                            first->second->Caption()));
  }
}

// Devices of one port: distinct addresses; devices reached over the network by distinct IP
// addresses, and a warning where the last octets (which name the signals) meet.
void CheckDevices(const TDevicePort& port, Collector& c) {
  std::unordered_map<int, const TItem*> byNumber;
  std::unordered_map<std::uint32_t, const TItem*> byIp;
  std::unordered_map<int, const TItem*> byOctet;
  const bool numbered = dynamic_cast<const TPortIP*>(&port) == nullptr;
  for (const TPort* device : port.Devices()) {
    if (device->IsKept()) continue;
    const std::uint32_t ip = DeviceIp(*device);
    if (ip != 0) {
      const auto [same, fresh] = byIp.emplace(ip, device);
      if (!fresh) {
        c.Error(*device, Format("IP адрес %s уже задан устройству %s.", Dotted(ip),
                                same->second->Caption()));
        continue;
      }
      // Only where the device number follows the last octet do the names meet.
      if (device->Number != (ip & 0xFF)) continue;
      const auto [octet, freshOctet] = byOctet.emplace(device->Number, device);
      if (!freshOctet)
        c.Warning(*device, Format("Последний байт IP адреса (%d) совпадает с устройством %s: "
                                  "имена сигналов повторяются.",
                                  device->Number, octet->second->Caption()));
      continue;
    }
    if (!numbered) continue;
    const auto [same, fresh] = byNumber.emplace(device->Number, device);
    if (!fresh)
      c.Error(*device,
              Format("Адрес %d уже задан устройству %s.", device->Number, same->second->Caption()));
  }
}

// IEC 60870-5-104 windows and timers that stall a link.
template <typename T>
void CheckIec104(const T& item, Collector& c) {
  if (item.K == 0) c.Error(item, "K = 0: передача кадров невозможна.");
  if (item.W == 0) c.Error(item, "W = 0: приём кадров не подтверждается.");
  if (item.K != 0 && item.W > item.K)
    c.Error(item, Format("W (%d) больше K (%d): подтверждение не успевает до остановки передачи.",
                         item.W, item.K));
  if (item.T2 >= item.T1)
    c.Error(item, Format("T2 (%d мс) не меньше T1 (%d мс): подтверждение опаздывает.",
                         static_cast<int>(item.T2), static_cast<int>(item.T1)));
  if (item.T3 < item.T1)
    c.Warning(item, Format("T3 (%d мс) меньше T1 (%d мс): тестовые кадры чаще таймаута.",
                           static_cast<int>(item.T3), static_cast<int>(item.T1)));
}

void CheckModbus(const TRTU& rtu, Collector& c) {
  for (int i = 0; i < kModbusRows; ++i) {
    const ModbusTIRow& row = rtu.TI[static_cast<std::size_t>(i)];
    if (row.Count > kMaxRegistersPerRequest)
      c.Error(rtu, Format("Таблица ТИ, строка %d: %d слов в одном запросе, больше %d.", i + 1,
                          row.Count, kMaxRegistersPerRequest));
  }
}

// Entries of a selection list that are not in the pool: placeholders and names that
// saving cannot find again.
void CheckSelection(const TParams& list, TStorage& pool, Collector& c) {
  int empty = 0, firstEmpty = 0, lost = 0, firstLost = 0;
  std::string lostName;
  for (int i = 0; i < list.Count(); ++i) {
    TParam* s = list.At(i);
    if (pool.IndexOf(list.SignalKind, s) >= 0) continue;
    if (s && !s->Name().empty()) {
      if (pool.FindByName(list.SignalKind, s->Name())) continue;  // found again on saving
      if (lost++ == 0) {
        firstLost = i + 1;
        lostName = s->Name();
      }
    } else if (empty++ == 0) {
      firstEmpty = i + 1;
    }
  }
  if (lost)
    c.Warning(list, Format("Сигналов нет в списке сигналов: %d (первый - «%s», позиция %d).", lost,
                           lostName, firstLost));
  if (empty) c.Warning(list, Format("Позиций без сигнала: %d (первая - %d).", empty, firstEmpty));
}

void Walk(const TItem& item, Configuration& config,
          std::array<std::unordered_map<std::string, const TItem*>, kSignalKinds>& names,
          Collector& c) {
  if (item.IsKept()) return;
  if (const auto* ports = dynamic_cast<const TDevicePort*>(&item)) CheckDevices(*ports, c);
  if (const auto* pc = dynamic_cast<const TPC*>(&item)) CheckIec104(*pc, c);
  if (const auto* rtu = dynamic_cast<const TRTU104*>(&item)) CheckIec104(*rtu, c);
  if (const auto* rtu = dynamic_cast<const TRTU*>(&item)) CheckModbus(*rtu, c);
  if (const auto* meters = dynamic_cast<const TMeterPort*>(&item);
      meters && meters->DeviceTotal() > kMaxMetersPerPort)
    c.Error(item, meters->FullMessage());
  if (const auto* rtu = dynamic_cast<const TRTU103*>(&item))
    if (std::string why = rtu->OverfullTable(); !why.empty()) c.Error(item, std::move(why));
  if (const auto* list = dynamic_cast<const TParams*>(&item)) {
    if (list->ListRole == kRoleSelection) CheckSelection(*list, config.Storage(), c);
    if (list->ListRole == kRoleOwn && SignalKindOf(list->SignalKind)) {
      auto& seen = names[static_cast<std::size_t>(list->SignalKind - 1)];
      for (const TParam* s : list->Items) {
        if (!s || s->Name().empty()) continue;
        const auto [first, fresh] = seen.emplace(s->Name(), list);
        if (!fresh)
          c.Warning(*list, Format("Имя сигнала %s «%s» уже есть в %s.", list->Info().Caption,
                                  s->Name(), CaptionPath(*first->second)));
      }
    }
  }
  for (int i = 0; i < item.ChildCount(); ++i) Walk(*item.Child(i), config, names, c);
}

}  // namespace

std::vector<Problem> Validate(Configuration& config) {
  std::vector<Problem> problems;
  Collector c(problems);
  TController& controller = config.Controller();

  // The save checks, run as saving runs them (without applying the model again, so the
  // tree stays as it is); their messages are collected, not shown.
  RecordingMessages heard;
  bool builds = false;
  {
    // The sink and the flag come back however the build ends.
    struct Quiet {
      Configuration& config;
      IMessages& messages;
      ~Quiet() {
        config.Snapshotting = false;
        config.SetMessages(messages);
      }
    } quiet{config, config.Messages()};
    config.SetMessages(heard);
    config.Snapshotting = true;
    ConfigImage scratch;
    builds = BuildImage(config, scratch, std::string(), std::string());
  }

  for (int k = 1; k <= kSignalKinds; ++k)
    if (config.Storage().Overflow(k))
      c.Error(controller, Format("Количество сигналов %s превышает %d.", SignalKindOf(k)->Caption,
                                 kMaxSignals));
  CheckPorts(controller, c);
  std::array<std::unordered_map<std::string, const TItem*>, kSignalKinds> names;
  Walk(controller, config, names, c);

  // What the save checks said that no check above said of its item (a kind's own check):
  // said of the whole configuration, an error when it stopped the build.
  for (const std::string& message : heard.Errors) {
    if (message == kAbortedMessage || message == kUnlinkedSaveMessage ||
        message == kSameNumberSaveMessage || c.Said(message))
      continue;
    c.Add(builds ? Severity::Warning : Severity::Error, controller, message);
  }
  return problems;
}

bool HasErrors(const std::vector<Problem>& problems) {
  for (const Problem& p : problems)
    if (p.Level == Severity::Error) return true;
  return false;
}

const char* SeverityText(Severity level) {
  return level == Severity::Error ? "ошибка" : "предупреждение";
}

std::string ProblemLine(const Problem& problem) {
  return std::string(SeverityText(problem.Level)) + "\t" + problem.Path + "\t" + problem.Message;
}

}  // namespace vilk
