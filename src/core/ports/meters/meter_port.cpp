// Meter ports: their records, meters, link states and renumbering.
#include <unordered_set>

#include "base/format.h"
#include "controller/controller.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/record.h"
#include "ports/meters/meters.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyNumber = 1, kKeyPeriod = 31, kKeyTcpPort = 95, kKeyMeterCount = 20,
                        kKeyBoard = 30;
constexpr int kPortImage = 2;

RecordDesc PortRecord(bool tcp) {
  RecordDesc r;
  r.Field(kKeyNumber, "number", &TMeterPort::Number)
      .Field(kKeyPeriod, "energy_period", &TMeterPort::Period, 1, "мин");
  if (tcp) r.Field(kKeyTcpPort, "tcp_port", &TMeterPort::TcpPort);
  r.Computed(kKeyMeterCount, "meter_count", FieldType::U8,
             [](const TItem& item) { return static_cast<const TMeterPort&>(item).DeviceTotal(); });
  r.Board(kKeyBoard);
  return r;
}
}  // namespace

TMeterPort::TMeterPort(Configuration& config, int kind, int meterKind, bool hasTcpPort)
    : TDevicePort(config), meterKind_(meterKind), hasTcpPort_(hasTcpPort) {
  Kind = static_cast<std::uint8_t>(kind);
  Number = 1;
  BoardMask = kMaskCom;
  ImageIndex = kPortImage;
  SetIcon(0);
  Menu = PopupMenu::AddDelete;
}

std::string TMeterPort::PortText() const {
  return Format("%d_Порт", Number);
}

std::string TMeterPort::CountText() const {
  return Format("Количество подключенных устройств = %d", MeterCount);
}

void TMeterPort::UpdateCaption() {
  SetCaption(Format("%d_Порт %s", Number, Name()));
}

std::vector<TMeter*> TMeterPort::Meters() const {
  std::vector<TMeter*> meters;
  for (int i = 0; i < ChildCount(); ++i)
    if (auto* m = dynamic_cast<TMeter*>(Child(i)); m && !m->IsKept()) meters.push_back(m);
  return meters;
}

void TMeterPort::RenameDeviceLists(TPort& device) {
  if (auto* meter = dynamic_cast<TMeter*>(&device)) {
    meter->ListPrefix = PortText();
    meter->UpdateSignalList();
  }
}

void TMeterPort::DeviceAdded(TPort& device) {
  RenameDeviceLists(device);
}

void TMeterPort::RenumberDevices() {
  const std::string text = PortText();
  renumbering_ = true;  // the link states follow once, after the meters
  for (TMeter* meter : Meters()) {
    if (meter->ListPrefix == text) continue;
    meter->ListPrefix = text;
    meter->UpdateSignalList();
  }
  renumbering_ = false;
}

std::string TMeterPort::LinkStateName(const TPort& device, int) const {
  const auto* meter = dynamic_cast<const TMeter*>(&device);
  const std::string place = meter ? meter->Place : std::string();
  return "связь_" + device.Caption() + (place.empty() ? "" : "_" + place);
}

void TMeterPort::LinkStatesChanged() {
  MeterCount = static_cast<std::uint8_t>(DeviceTotal());
  Storage().RebuildPool();
}

std::string TMeterPort::FullMessage() const {
  return Format("%s: на порту не может быть больше %d счётчиков.", Caption(), kMaxMetersPerPort);
}

TItem* TMeterPort::AddChild(int kind) {
  if (DeviceTotal() >= kMaxMetersPerPort) {
    Config().Messages().Error(FullMessage());
    return nullptr;
  }
  return TDevicePort::AddChild(kind);
}

void TMeterPort::SaveToImage(TConfig& cfg) {
  if (DeviceTotal() > kMaxMetersPerPort) {
    Config().Messages().Error(FullMessage());
    Config().Abort = true;
  }
  SaveRecordBlock(cfg);
}

TItem* TMeterPort::DuplicateChild(TItem* child) {
  auto* source = dynamic_cast<TMeter*>(child);
  if (!source || source->IsKept() || source->Parent() != this) return nullptr;
  if (DeviceTotal() >= kMaxMetersPerPort) {
    Config().Messages().Error(FullMessage());
    return nullptr;
  }
  // The copy is read from the source's block, so it carries its ticks, settings and the
  // user's signal names; at an address of its own its names get a prefix of their own.
  std::unordered_set<std::uint32_t> used;
  for (const TMeter* m : Meters()) used.insert(m->Address());
  std::uint32_t address = 1;
  const std::uint32_t last = meterKind_ == kMeterCE318 ? 99999999u : 255u;
  while (address < last && used.count(address)) ++address;
  auto* copy = dynamic_cast<TMeter*>(TDevicePort::DuplicateChild(source));
  if (!copy) return nullptr;
  copy->SetAddress(address);
  copy->UpdateSignalList();
  Storage().RebuildPool();
  return copy;
}

const RecordDesc* TMeterPort::Record() const {
  static const RecordDesc withTcp = PortRecord(true);
  static const RecordDesc withoutTcp = PortRecord(false);
  return hasTcpPort_ ? &withTcp : &withoutTcp;
}

void TMeterPort::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  cfg.ReadScalar(kKeyMeterCount, MeterCount);
  TController::LoadBoard(this, cfg, kKeyBoard);
  UpdateCaption();
  LoadDevices(cfg, end);
}

TPortCE303::TPortCE303(Configuration& config) : TMeterPort(config, kPortCE303, kMeterCE303, true) {
  SetName("CE303");
  UpdateCaption();
}

TPortCE318::TPortCE318(Configuration& config) : TMeterPort(config, kPortCE318, kMeterCE318, false) {
  SetName("CE318");
  UpdateCaption();
}

TPortCC301::TPortCC301(Configuration& config) : TMeterPort(config, kPortCC301, kMeterCC301, true) {
  SetName("CC301");
  UpdateCaption();
}

}  // namespace vilk
