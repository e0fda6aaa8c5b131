#include "ports/telemechanics/rtu104.h"

#include "base/format.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/record.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {
// TRTU104
constexpr std::uint16_t kKeyPlace = 77, kKeyIp = 49, kKeyAsdu = 108, kKeyT0 = 57,
                        kKeyReconnect = 24, kKeyT1 = 63, kKeyT2 = 64, kKeyT3 = 65,
                        kKeyLinkLoss = 25, kKeyInterrogation = 17, kKeyClockSync = 31, kKeyK = 66,
                        kKeyW = 67;
// TPortRTU104
constexpr std::uint16_t kKeyPortNumber = 1, kKeyNetwork = 72, kKeyDeviceCount = 20;
constexpr int kImageWithSignals = 28, kImageWithDevices = 2;
}  // namespace

// --- TRTU104 ---

TRTU104::TRTU104(Configuration& config) : TCountedDevice(config) {
  Kind = kRTU104Device;
  SetName("RTU104");
  Number = static_cast<std::uint8_t>(IpAddress & 0xFF);
  ImageIndex = 0;
  SetIcon(0);
  UpdateCaption();
}

void TRTU104::SetIp(std::uint32_t ip) {
  IpAddress = ip;
  const std::uint8_t last = static_cast<std::uint8_t>(ip & 0xFF);
  if (last == Number) return;
  Number = last;
  UpdateSignalList();
}

bool TRTU104::SameAddress() const {
  const TItem* port = Parent();
  if (!port) return false;
  for (int i = 0; i < port->ChildCount(); ++i) {
    const auto* other = dynamic_cast<const TRTU104*>(port->Child(i));
    if (other && other != this && !other->IsKept() &&
        (other->IpAddress & 0xFF) == (IpAddress & 0xFF))
      return true;
  }
  return false;
}

bool TRTU104::SameIp() const {
  const TItem* port = Parent();
  if (!port) return false;
  for (int i = 0; i < port->ChildCount(); ++i) {
    const auto* other = dynamic_cast<const TRTU104*>(port->Child(i));
    if (other && other != this && !other->IsKept() && other->IpAddress == IpAddress) return true;
  }
  return false;
}

void TRTU104::CopySettingsFrom(const TRTU104& s) {
  T0 = s.T0;
  ReconnectInterval = s.ReconnectInterval;
  T1 = s.T1;
  T2 = s.T2;
  T3 = s.T3;
  LinkLossTimeout = s.LinkLossTimeout;
  K = s.K;
  W = s.W;
  Asdu = s.Asdu;
  InterrogationInterval = s.InterrogationInterval;
  ClockSyncInterval = s.ClockSyncInterval;
  BaseTS = s.BaseTS;
  BaseMTS = s.BaseMTS;
  BaseTU = s.BaseTU;
  BaseTI = s.BaseTI;
  BaseTII = s.BaseTII;
  BaseTR = s.BaseTR;
  Counts = s.Counts;
}

void TRTU104::UpdateSignalList() {
  Number = static_cast<std::uint8_t>(IpAddress & 0xFF);
  UpdateCaption();
  const SignalCounts counts = CurrentCounts();
  MakeLists(counts);
  const std::string prefix = SignalPrefix();
  bool any = false;
  for (int kind : kCountKinds)
    if (TParams* list = List(kind)) {
      list->Resize(counts[static_cast<std::size_t>(CountSlot(kind))], prefix);
      any = true;
    }
  ImageIndex = any ? kImageWithSignals : 0;
  SetIcon(ImageIndex);
  TellPort();
}

const RecordDesc* TRTU104::Record() const {
  static const RecordDesc record = [] {
    RecordDesc r;
    r.Text(kKeyPlace, "place", &TRTU104::Place, kMaxNameChars);
    AddCountTotal(r);
    r.Ip(kKeyIp, "ip", &TRTU104::IpAddress)
        .Field(kKeyAsdu, "asdu", &TRTU104::Asdu)
        .Field(kKeyT0, "t0", &TRTU104::T0, 1000, "с")
        .Field(kKeyReconnect, "reconnect_interval", &TRTU104::ReconnectInterval, 1000, "с")
        .Field(kKeyT1, "t1", &TRTU104::T1, 1000, "с")
        .Field(kKeyT2, "t2", &TRTU104::T2, 1000, "с")
        .Field(kKeyT3, "t3", &TRTU104::T3, 1000, "с")
        .Field(kKeyLinkLoss, "link_loss_timeout", &TRTU104::LinkLossTimeout, 1000, "с")
        .Field(kKeyInterrogation, "interrogation_interval", &TRTU104::InterrogationInterval, 60000,
               "мин")
        .Field(kKeyClockSync, "clock_sync_interval", &TRTU104::ClockSyncInterval, 60000, "мин")
        .Field(kKeyK, "k", &TRTU104::K)
        .Field(kKeyW, "w", &TRTU104::W);
    AddCountTable(r);
    AddBases(r);
    return r;
  }();
  return &record;
}

void TRTU104::SaveToImage(TConfig& cfg) {
  // The number is the last octet, so that caption, names and link name read back as saved.
  Number = static_cast<std::uint8_t>(IpAddress & 0xFF);
  SaveRecordBlock(cfg);
}

void TRTU104::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (const auto* port = dynamic_cast<const TCountedPort*>(Parent())) PortText = port->PortText();
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  Number = static_cast<std::uint8_t>(IpAddress & 0xFF);
  UpdateCaption();
  LoadCounts(cfg);
  UpdateSignalList();
  LoadLists(cfg, end);
}

// --- TPortRTU104 ---

TPortRTU104::TPortRTU104(Configuration& config) : TCountedPort(config) {
  Kind = kPortRTU104;
  SetName("МЭК 870-5-104");
  Number = 1;
  BoardMask = kMaskIP;
  ImageIndex = kImageWithDevices;
  SetIcon(0);
  Menu = PopupMenu::AddDelete;
  UpdateCaption();
}

std::vector<TRTU104*> TPortRTU104::Rtus() const {
  std::vector<TRTU104*> devices;
  for (int i = 0; i < ChildCount(); ++i)
    if (auto* d = dynamic_cast<TRTU104*>(Child(i)); d && !d->IsKept()) devices.push_back(d);
  return devices;
}

void TPortRTU104::LinkStatesChanged() {
  TCountedPort::LinkStatesChanged();
  SetIcon(DeviceTotal() > 0 ? kImageWithDevices : 0);
}

TItem* TPortRTU104::DuplicateChild(TItem* child) {
  auto* source = dynamic_cast<TRTU104*>(child);
  if (!source || source->IsKept() || source->Parent() != this) return nullptr;
  auto made = MakeDevice(Config(), Kind, kRTU104Device);
  if (!made) return nullptr;
  // A copy keeps the default IP address and no place; the rest of the setup and the
  // signals' settings and short names are the source's.
  auto* copy = static_cast<TRTU104*>(Config().Append(this, std::move(made)));
  copy->PortText = PortText();
  copy->CopySettingsFrom(*source);
  if (const std::string refusal = copy->CheckCounts(copy->CurrentCounts()); !refusal.empty()) {
    Config().Remove(copy);
    Config().Messages().Error(refusal);
    return nullptr;
  }
  copy->UpdateSignalList();
  copy->CopySignalsFrom(*source);
  ChildrenChanged();
  return copy;
}

const RecordDesc* TPortRTU104::Record() const {
  static const RecordDesc record =
      RecordDesc()
          .Field(kKeyPortNumber, "number", &TPortRTU104::Number)
          .Field(kKeyNetwork, "network", &TPortRTU104::Network)
          .Computed(kKeyDeviceCount, "device_count", FieldType::U8, [](const TItem& item) {
            return static_cast<const TPortRTU104&>(item).DeviceTotal();
          });
  return &record;
}

void TPortRTU104::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  cfg.ReadScalar(kKeyDeviceCount, DeviceCount);
  LoadPort(cfg, end);
}

}  // namespace vilk
