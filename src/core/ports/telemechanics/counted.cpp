#include "ports/telemechanics/counted.h"

#include <algorithm>

#include "base/format.h"
#include "controller/controller.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/record.h"
#include "model/records.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyCountTotal = 20, kKeyCounts = 44, kKeyBaseTS = 10, kKeyBaseMTS = 100,
                        kKeyBaseTU = 12, kKeyBaseTI = 11, kKeyBaseTII = 76, kKeyBaseTR = 51;

const char* const kCountNames[kCountSlots] = {"count_ts",  "count_tu", "count_ti",
                                              "count_tii", "count_tr", "count_mts"};
}  // namespace

// --- TCountedDevice ---

TCountedDevice::TCountedDevice(Configuration& config) : TPort(config) {
  Number = 1;
  Menu = PopupMenu::DuplicateDelete;
}

TParams* TCountedDevice::List(int signalKind) const {
  for (int i = 0; i < ChildCount(); ++i)
    if (TParams* list = Child(i)->AsParams();
        list && list->SignalKind == signalKind && list->ListRole == kRoleOwn)
      return list;
  return nullptr;
}

void TCountedDevice::UpdateCaption() {
  SetCaption(Format("%d_%s", Number, Name()));
}

std::string TCountedDevice::SignalPrefix() const {
  return PortText + "." + Caption();
}

SignalCounts TCountedDevice::CurrentCounts() const {
  SignalCounts counts{};
  for (int i = 0; i < kCountSlots; ++i)
    counts[static_cast<std::size_t>(i)] = Counts[static_cast<std::size_t>(i)];
  return counts;
}

int OwnSignalTotal(const TItem& root, int signalKind) {
  int total = 0;
  std::vector<const TItem*> stack{&root};
  while (!stack.empty()) {
    const TItem* item = stack.back();
    stack.pop_back();
    if (const auto* list = dynamic_cast<const TParams*>(item)) {
      if (list->ListRole == kRoleOwn && list->SignalKind == signalKind) total += list->Count();
      continue;
    }
    for (int i = 0; i < item->ChildCount(); ++i) stack.push_back(item->Child(i));
  }
  return total;
}

std::string TCountedDevice::CheckCounts(const SignalCounts& counts) const {
  for (int kind : kCountKinds) {
    const int wanted = counts[static_cast<std::size_t>(CountSlot(kind))];
    const char* caption = SignalKindOf(kind)->Caption;
    if (wanted < 0 || wanted > kMaxSignals)
      return Format("Количество сигналов %s должно быть от 0 до %d.", caption, kMaxSignals);
    const TParams* own = List(kind);
    const int now = own ? own->Count() : 0;
    if (wanted <= now) continue;  // fewer signals never break a limit
    const int others = OwnSignalTotal(Config().Controller(), kind) - now;
    if (others + wanted > kMaxSignals)
      return Format("Сигналов %s в конфигурации стало бы %d, больше %d.", caption, others + wanted,
                    kMaxSignals);
  }
  return {};
}

bool TCountedDevice::ApplyCounts(const SignalCounts& counts) {
  const std::string refusal = CheckCounts(counts);
  if (!refusal.empty()) {
    Config().Messages().Error(refusal);
    return false;
  }
  for (int i = 0; i < kCountSlots; ++i)
    Counts[static_cast<std::size_t>(i)] =
        static_cast<std::uint16_t>(counts[static_cast<std::size_t>(i)]);
  UpdateSignalList();
  return true;
}

void TCountedDevice::MakeLists(const SignalCounts& counts) {
  for (int kind : kCountKinds)
    if (TParams* list = List(kind); list && counts[static_cast<std::size_t>(CountSlot(kind))] <= 0)
      Config().Remove(list);
  int row = 0;  // the lists lead the children, in the stored order
  for (int kind : kCountKinds) {
    if (counts[static_cast<std::size_t>(CountSlot(kind))] <= 0) continue;
    if (TParams* list = List(kind)) {
      row = list->Row() + 1;
      continue;
    }
    Config().Insert(this, row++, MakeParams(Config(), kind, kRoleOwn, this));
  }
}

void TCountedDevice::CollectSignals(TStorage& pool) {
  // The pool takes a device's lists in this order, whatever their order in the tree.
  for (int kind : {kKindTS, kKindMTS, kKindTU, kKindTI, kKindTII, kKindTR})
    if (TParams* list = List(kind); list && !list->AppendTo(pool.List(kind)))
      pool.MarkOverflow(kind);
  for (int i = 0; i < ChildCount(); ++i)
    if (!Child(i)->AsParams()) Child(i)->CollectSignals(pool);
}

void TCountedDevice::CopySignalsFrom(const TCountedDevice& source) {
  for (int kind : kCountKinds) {
    const TParams* from = source.List(kind);
    TParams* to = List(kind);
    if (!from || !to) continue;
    const int n = std::min(from->Count(), to->Count());
    for (int i = 0; i < n; ++i) {
      const TParam* s = from->At(i);
      TParam* d = to->At(i);
      if (!s || !d) continue;
      d->TSType = s->TSType;
      d->Inverted = s->Inverted;
      // A name the user gave keeps its own part, under the copy's prefix: the pool never
      // holds the same name twice because of a duplicate.
      if (s->Name() != s->DefaultName()) TParams::SetShortName(*d, TParams::ShortName(*s));
      if (kind == kKindTI) {
        d->Gain = s->Gain;
        d->Offset = s->Offset;
        d->SetGroup(s->Group);
      }
    }
  }
}

void TCountedDevice::LoadCounts(TConfig& cfg) {
  std::uint8_t stored = kCountSlots;
  cfg.ReadScalar(kKeyCountTotal, stored);
  std::vector<std::uint16_t> counts;
  ReadArray(cfg, kKeyCounts, std::min<std::size_t>(stored, kCountSlots), counts);
  Counts.fill(0);
  for (std::size_t i = 0; i < counts.size(); ++i) Counts[i] = counts[i];
  for (int kind : kCountKinds) {
    std::uint16_t& count = Counts[static_cast<std::size_t>(CountSlot(kind))];
    if (count > kMaxSignals) {
      Config().Messages().Error(Format("%s: количество сигналов %s %d, читаются первые %d.",
                                       Caption(), SignalKindOf(kind)->Caption,
                                       static_cast<int>(count), kMaxSignals));
      count = kMaxSignals;
    }
  }
}

void TCountedDevice::LoadLists(TConfig& cfg, std::size_t end) {
  int id;
  while ((id = PeekChild(cfg, end)) != kNoBlock) {
    TParams* list = List(SignalKindOfBlock(id));
    if (list && !list->IsKept())
      LoadChild(cfg, list);
    else
      LoadOrKeepNextChild(cfg, nullptr);
  }
}

void TCountedDevice::AddCountTotal(RecordDesc& r) {
  r.Computed(kKeyCountTotal, "count_total", FieldType::U8,
             [](const TItem&) { return kCountSlots; });
}

void TCountedDevice::AddCountTable(RecordDesc& r) {
  r.Custom(
      kKeyCounts, "counts",
      [](const TItem& item) {
        const auto& d = static_cast<const TCountedDevice&>(item);
        std::vector<std::uint8_t> bytes;
        for (std::uint16_t c : d.Counts) {
          bytes.push_back(static_cast<std::uint8_t>(c));
          bytes.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        return bytes;
      },
      nullptr,  // read with its count (LoadCounts)
      [](const TItem& item) {
        const auto& d = static_cast<const TCountedDevice&>(item);
        std::vector<ShownField> shown;
        for (std::size_t i = 0; i < kCountSlots; ++i)
          shown.push_back({kCountNames[i], Format("%d", d.Counts[i]), "", kKeyCounts, false});
        return shown;
      });
}

void TCountedDevice::AddBases(RecordDesc& r) {
  r.Field(kKeyBaseTS, "base_ts", &TCountedDevice::BaseTS)
      .Field(kKeyBaseMTS, "base_mts", &TCountedDevice::BaseMTS)
      .Field(kKeyBaseTU, "base_tu", &TCountedDevice::BaseTU)
      .Field(kKeyBaseTI, "base_ti", &TCountedDevice::BaseTI)
      .Field(kKeyBaseTII, "base_tii", &TCountedDevice::BaseTII)
      .Field(kKeyBaseTR, "base_tr", &TCountedDevice::BaseTR);
}

void TCountedDevice::TellPort() {
  if (auto* port = dynamic_cast<TPort*>(Parent())) port->UpdateSignalList();
}

// --- TCountedPort ---

std::string TCountedPort::PortText() const {
  return Format("%d_Порт", Number);
}

std::vector<TCountedDevice*> TCountedPort::CountedDevices() const {
  std::vector<TCountedDevice*> devices;
  for (int i = 0; i < ChildCount(); ++i)
    if (auto* d = dynamic_cast<TCountedDevice*>(Child(i)); d && !d->IsKept()) devices.push_back(d);
  return devices;
}

std::string TCountedPort::CountText() const {
  return Format("Количество подключенных устройств = %d", DeviceCount);
}

void TCountedPort::RenameDeviceLists(TPort& device) {
  if (auto* counted = dynamic_cast<TCountedDevice*>(&device)) {
    counted->PortText = PortText();
    counted->UpdateSignalList();
  }
}

std::string TCountedPort::LinkStateName(const TPort& device, int) const {
  const auto* counted = dynamic_cast<const TCountedDevice*>(&device);
  const std::string place = counted ? counted->Place : std::string();
  return (place.empty() ? "" : place + "_") + "связь_" + device.Caption();
}

void TCountedPort::DeviceAdded(TPort& device) {
  RenameDeviceLists(device);
}

void TCountedPort::RenumberDevices() {
  for (TCountedDevice* device : CountedDevices())
    if (device->PortText != PortText()) {
      device->PortText = PortText();
      device->UpdateSignalList();
    }
}

void TCountedPort::LinkStatesChanged() {
  DeviceCount = static_cast<std::uint8_t>(std::min(DeviceTotal(), 255));
  Storage().RebuildPool();
}

void TCountedPort::LoadPort(TConfig& cfg, std::size_t end) {
  UpdateCaption();
  LoadDevices(cfg, end);
}

}  // namespace vilk
