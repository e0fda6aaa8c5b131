#include "ports/telemechanics/kp.h"

#include <algorithm>

#include "base/format.h"
#include "controller/controller.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/record.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {
// TKP
constexpr std::uint16_t kKeyPlace = 77, kKeyAddress = 1, kKeyAsdu = 108, kKeyProtocol = 27,
                        kKeyAttempts = 62, kKeyReplyWait = 57, kKeyReceiptWait = 58,
                        kKeyCheckPeriod = 17, kKeyGroup1 = 63, kKeyGroup2 = 64, kKeyGroup3 = 65,
                        kKeyClock = 31, kKeyArrayChannel = 59, kKeyGroupTypes = 46,
                        kKeyLinkAddressLength = 60, kKeyAsduLength = 61;
// TPortKP
constexpr std::uint16_t kKeyPortNumber = 1, kKeyStationCount = 20, kKeyBoard = 30;
constexpr int kStationImage = 3, kPortImage = 2;
constexpr std::uint8_t kOneWord = 2, kTwoWords = 4;
}  // namespace

const char* GroupTypeText(int type) {
  switch (type) {
    case kGroupTI11:
      return "ТИ_11";
    case kGroupTI13:
      return "ТИ_13";
    case kGroupTI15:
      return "ТИ_15";
    case kGroupTII36:
      return "ТИИ_36";
    case kGroupTII37:
      return "ТИИ_37";
    default:
      return "";
  }
}

const char* GroupTypeMenuText(int type) {
  switch (type) {
    case kGroupTI11:
      return "ТИ_11 word";
    case kGroupTI13:
      return "ТИ_13 real";
    case kGroupTI15:
      return "ТИ_15 longint";
    case kGroupTII36:
      return "ТИИ_36 real";
    case kGroupTII37:
      return "ТИИ_37 longint";
    default:
      return "Очистить";
  }
}

std::string GroupParamName(int group, int param) {
  // Built without printf: a station rebuilds thousands of these on every count change.
  std::string name = "Гр";
  name += std::to_string(group);
  name += "_Пр";
  name += std::to_string(param);
  return name;
}

GroupSignals SignalsOfGroups(const std::array<std::uint8_t, kKPGroups>& types) {
  GroupSignals out;
  auto add = [](std::vector<std::string>& names, int group, int params) {
    for (int p = 1; p <= params; ++p) names.push_back(GroupParamName(group, p));
  };
  // Group 0 is never used; a code this build does not know makes nothing.
  for (int group = 1; group < kKPGroups; ++group) {
    switch (types[static_cast<std::size_t>(group)]) {
      case kGroupTI11:
        add(out.Measurements, group, 8);
        out.Formats.insert(out.Formats.end(), 8, kOneWord);
        break;
      case kGroupTI13:
      case kGroupTI15:
        add(out.Measurements, group, 4);
        out.Formats.insert(out.Formats.end(), 4, kTwoWords);
        break;
      case kGroupTII36:
      case kGroupTII37:
        add(out.Totals, group, 2);
        break;
      default:
        break;
    }
  }
  return out;
}

std::vector<std::string> GroupParamNames(int count) {
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int k = 0; k < count; ++k) names.push_back(GroupParamName(k / 8 + 1, k % 8 + 1));
  return names;
}

// --- TKP ---

TKP::TKP(Configuration& config) : TCountedDevice(config) {
  Kind = kKPDevice;
  SetName("КП");
  ImageIndex = kStationImage;
  SetIcon(kStationImage);
  UpdateCaption();
}

bool TKP::Clashes() const {
  const TItem* port = Parent();
  if (!port) return false;
  for (int i = 0; i < port->ChildCount(); ++i) {
    const auto* other = dynamic_cast<const TKP*>(port->Child(i));
    if (other && other != this && !other->IsKept() && other->Number == Number) return true;
  }
  return false;
}

SignalCounts TKP::EffectiveCounts() const {
  SignalCounts counts = CurrentCounts();
  if (UsesGroupTable()) {
    const GroupSignals groups = SignalsOfGroups(GroupTypes);
    counts[CountSlot(kKindTI)] = static_cast<int>(groups.Measurements.size());
    counts[CountSlot(kKindTII)] = static_cast<int>(groups.Totals.size());
  }
  return counts;
}

void TKP::UpdateSignalList() {
  UpdateCaption();
  SignalCounts counts = CurrentCounts();
  GroupSignals groups;
  if (UsesGroupTable()) {
    groups = SignalsOfGroups(GroupTypes);
    counts[CountSlot(kKindTI)] = static_cast<int>(groups.Measurements.size());
    counts[CountSlot(kKindTII)] = static_cast<int>(groups.Totals.size());
    Counts[CountSlot(kKindTI)] = static_cast<std::uint16_t>(groups.Measurements.size());
    Counts[CountSlot(kKindTII)] = static_cast<std::uint16_t>(groups.Totals.size());
  }
  MakeLists(counts);
  const std::string prefix = SignalPrefix();
  for (int kind : kCountKinds) {
    TParams* list = List(kind);
    if (!list) continue;
    const int count = counts[static_cast<std::size_t>(CountSlot(kind))];
    if (!UsesGroupTable()) {
      list->Resize(count, prefix);
    } else if (kind == kKindTI) {
      list->Rebuild(NameListSource(std::move(groups.Measurements)), kOneWord, prefix);
      for (int i = 0; i < list->Count() && i < static_cast<int>(groups.Formats.size()); ++i)
        list->At(i)->ValueFormat = groups.Formats[static_cast<std::size_t>(i)];
    } else if (kind == kKindTII) {
      list->Rebuild(NameListSource(std::move(groups.Totals)), kTwoWords, prefix);
    } else {
      list->Rebuild(NameListSource(GroupParamNames(count)), kOneWord, prefix);
    }
  }
  TellPort();
}

bool TKP::SetGroupTypes(const std::vector<int>& groups, std::uint8_t type) {
  std::array<std::uint8_t, kKPGroups> table = GroupTypes;
  for (int g : groups)
    if (g > 0 && g < kKPGroups) table[static_cast<std::size_t>(g)] = type;
  if (table == GroupTypes) return true;
  const GroupSignals made = SignalsOfGroups(table);
  SignalCounts counts = CurrentCounts();
  counts[CountSlot(kKindTI)] = static_cast<int>(made.Measurements.size());
  counts[CountSlot(kKindTII)] = static_cast<int>(made.Totals.size());
  if (const std::string refusal = CheckCounts(counts); !refusal.empty()) {
    Config().Messages().Error(refusal);
    return false;
  }
  GroupTypes = table;
  UpdateSignalList();
  return true;
}

void TKP::CopySettingsFrom(const TKP& s) {
  Protocol = s.Protocol;
  Attempts = s.Attempts;
  ReplyWait = s.ReplyWait;
  ReceiptWait = s.ReceiptWait;
  CheckPeriod = s.CheckPeriod;
  Group1Period = s.Group1Period;
  Group2Period = s.Group2Period;
  Group3Period = s.Group3Period;
  ClockPeriod = s.ClockPeriod;
  ArrayChannel = s.ArrayChannel;
  LinkAddressLength = s.LinkAddressLength;
  AsduAddressLength = s.AsduAddressLength;
  Asdu = s.Asdu;
  Counts = s.Counts;
  BaseTS = s.BaseTS;
  BaseMTS = s.BaseMTS;
  BaseTU = s.BaseTU;
  BaseTI = s.BaseTI;
  BaseTII = s.BaseTII;
  BaseTR = s.BaseTR;
  GroupTypes = s.GroupTypes;
}

const RecordDesc* TKP::Record() const {
  static const RecordDesc record = [] {
    RecordDesc r;
    r.Text(kKeyPlace, "place", &TKP::Place, kMaxNameChars)
        .Field(kKeyAddress, "address", &TKP::Number)
        .Field(kKeyAsdu, "asdu", &TKP::Asdu)
        .OnMissing([](TItem& item, TConfig&) {
          // Older files: the ASDU address is the station's.
          static_cast<TKP&>(item).Asdu = item.Number;
        })
        .Field(kKeyProtocol, "protocol", &TKP::Protocol)
        .Field(kKeyAttempts, "attempts", &TKP::Attempts)
        .Field(kKeyReplyWait, "reply_wait", &TKP::ReplyWait, 1, "мс")
        .Field(kKeyReceiptWait, "receipt_wait", &TKP::ReceiptWait, 1, "мс")
        .Field(kKeyCheckPeriod, "check_period", &TKP::CheckPeriod, 60000, "мин")
        .Field(kKeyGroup1, "group1_period", &TKP::Group1Period, 60000, "мин")
        .Field(kKeyGroup2, "group2_period", &TKP::Group2Period, 60000, "мин")
        .Field(kKeyGroup3, "group3_period", &TKP::Group3Period, 60000, "мин")
        .Field(kKeyClock, "clock_period", &TKP::ClockPeriod, 60000, "мин")
        .Field(kKeyArrayChannel, "array_channel", &TKP::ArrayChannel);
    AddCountTotal(r);
    AddCountTable(r);
    // Shown as "group=type" for the groups that have a type (all 256 bytes are stored).
    r.Custom(
         kKeyGroupTypes, "group_types",
         [](const TItem& item) {
           const auto& t = static_cast<const TKP&>(item).GroupTypes;
           return std::vector<std::uint8_t>(t.begin(), t.end());
         },
         [](TItem& item, const std::uint8_t* data, std::size_t size) {
           auto& t = static_cast<TKP&>(item).GroupTypes;
           std::copy_n(data, std::min(size, t.size()), t.begin());
         },
         [](const TItem& item) {
           const auto& t = static_cast<const TKP&>(item).GroupTypes;
           std::string text;
           for (std::size_t g = 0; g < t.size(); ++g)
             if (t[g]) text += Format(text.empty() ? "%d=%d" : " %d=%d", static_cast<int>(g), t[g]);
           return std::vector<ShownField>{{"group_types", text, "", kKeyGroupTypes, true}};
         })
        .Field(kKeyLinkAddressLength, "link_address_length", &TKP::LinkAddressLength)
        .Field(kKeyAsduLength, "asdu_address_length", &TKP::AsduAddressLength);
    AddBases(r);
    return r;
  }();
  return &record;
}

void TKP::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (const auto* port = dynamic_cast<const TCountedPort*>(Parent())) PortText = port->PortText();
  if (!ReadVersion(cfg)) return;
  GroupTypes.fill(kGroupNone);  // a shorter stored table leaves the groups after it empty
  Record()->Load(cfg, *this);
  UpdateCaption();
  LoadCounts(cfg);
  UpdateSignalList();
  LoadLists(cfg, end);
}

// --- TPortKP ---

TPortKP::TPortKP(Configuration& config) : TCountedPort(config) {
  Kind = kPortKP;
  SetName("опроса КП");
  Number = 1;
  BoardMask = 7;  // any COM board
  ImageIndex = kPortImage;
  SetIcon(0);
  Menu = PopupMenu::AddDelete;
  UpdateCaption();
}

std::vector<TKP*> TPortKP::Stations() const {
  std::vector<TKP*> stations;
  for (int i = 0; i < ChildCount(); ++i)
    if (auto* s = dynamic_cast<TKP*>(Child(i)); s && !s->IsKept()) stations.push_back(s);
  return stations;
}

TItem* TPortKP::DuplicateChild(TItem* child) {
  auto* source = dynamic_cast<TKP*>(child);
  if (!source || source->IsKept() || source->Parent() != this) return nullptr;
  auto made = MakeDevice(Config(), Kind, kKPDevice);
  if (!made) return nullptr;
  // A copy is a new station (address 1, no place) with the source's settings; its signals
  // take the source's settings and short names under the copy's own prefix.
  auto* copy = static_cast<TKP*>(Config().Append(this, std::move(made)));
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

const RecordDesc* TPortKP::Record() const {
  static const RecordDesc record =
      RecordDesc()
          .Field(kKeyPortNumber, "number", &TPortKP::Number)
          .Computed(
              kKeyStationCount, "station_count", FieldType::U8,
              [](const TItem& item) { return static_cast<const TPortKP&>(item).DeviceTotal(); })
          .Board(kKeyBoard);
  return &record;
}

void TPortKP::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  cfg.ReadScalar(kKeyStationCount, DeviceCount);
  TController::LoadBoard(this, cfg, kKeyBoard);
  LoadPort(cfg, end);
}

}  // namespace vilk
