// Meters: their parameter lists, records, signal lists and address rules.
#include "ports/meters/meters.h"

#include <algorithm>
#include <cstring>

#include "base/format.h"
#include "model/configuration.h"
#include "model/record.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {

constexpr std::uint16_t kKeyPlace = 77, kKeyAddress = 1, kKeyAttempts = 62, kKeyParams = 44,
                        kKeyEnergyKind = 8, kKeyRatio = 73;
constexpr int kMeterImage = 28;
constexpr std::uint8_t kCounterFormat = 4;  // meters give 32-bit values, ТИ and ТИИ alike

// The phase letter of phase A is the Cyrillic А, those of B and C are Latin, as the
// controller names them.
const std::vector<MeterParam> kCE303Params = {
    {"Напряжение ( фазы А, В, С )", {"Напряжение_А", "Напряжение_B", "Напряжение_C"}, false},
    {"Ток ( фазы А, В, С )", {"Ток_А", "Ток_B", "Ток_C"}, false},
    {"Частота сети", {"Частота"}, false},
    {"Мощность мгновенная активная суммарная", {"Мощность_Мгнов_Акт_Полная"}, false},
    {"Мощность мгновенная активная фазная",
     {"Мощность_Мгнов_Акт_А", "Мощность_Мгнов_Акт_B", "Мощность_Мгнов_Акт_C"},
     false},
    {"Мощность мгновенная реактивная суммарная  (CE303)", {"Мощность_Мгнов_Реакт_Полная"}, false},
    {"Мощность мгновенная реактивная фазная  (CE303)",
     {"Мощность_Мгнов_Реакт_А", "Мощность_Мгнов_Реакт_B", "Мощность_Мгнов_Реакт_C"},
     false},
    {"Энергия суммарная положительная активная", {"Энергия_Сумм_Акт_Полож"}, true},
    {"Энергия суммарная положительная реактивная  (CE303)", {"Энергия_Сумм_Реакт_Полож"}, true},
    {"Энергия суммарная отрицательная активная", {"Энергия_Сумм_Акт_Отриц"}, true},
    {"Энергия суммарная отрицательная реактивная  (CE303)", {"Энергия_Сумм_Реакт_Отриц"}, true},
};

const std::vector<MeterParam> kCE318Params = {
    {"Напряжение ( фазы А, В, С )", {"Напряжение_А", "Напряжение_B", "Напряжение_C"}, false},
    {"Ток ( фазы А, В, С )", {"Ток_А", "Ток_B", "Ток_C"}, false},
    {"Частота сети", {"Частота"}, false},
    {"Мощность мгновенная активная суммарная", {"Мощность_Мгнов_Акт_Полная"}, false},
    {"Мощность мгновенная активная фазная",
     {"Мощность_Мгнов_Акт_А", "Мощность_Мгнов_Акт_B", "Мощность_Мгнов_Акт_C"},
     false},
    {"Мощность мгновенная реактивная суммарная", {"Мощность_Мгнов_Реакт_Полная"}, false},
    {"Мощность мгновенная реактивная фазная",
     {"Мощность_Мгнов_Реакт_А", "Мощность_Мгнов_Реакт_B", "Мощность_Мгнов_Реакт_C"},
     false},
    {"Энергия суммарная положительная активная", {"Энергия_Сумм_Акт_Полож"}, true},
    {"Энергия суммарная положительная реактивная", {"Энергия_Сумм_Реакт_Полож"}, true},
    {"Энергия суммарная отрицательная активная", {"Энергия_Сумм_Акт_Отриц"}, true},
    {"Энергия суммарная отрицательная реактивная", {"Энергия_Сумм_Реакт_Отриц"}, true},
};

const std::vector<MeterParam> kCC301Params = {
    {"Напряжение ( фазы А, В, С )", {"Напряжение_А", "Напряжение_B", "Напряжение_C"}, false},
    {"Ток ( фазы А, В, С )", {"Ток_А", "Ток_B", "Ток_C"}, false},
    {"Частота сети", {"Частота"}, false},
    {"Мощность мгновенная активная ( полная, фазы А, В, С )",
     {"Мощность_Мгнов_Акт_полная", "Мощность_Мгнов_Акт_А", "Мощность_Мгнов_Акт_B",
      "Мощность_Мгнов_Акт_C"},
     false},
    {"Мощность мгновенная реактивная ( полная, фазы А, В, С )",
     {"Мощность_Мгнов_Реакт_полная", "Мощность_Мгнов_Реакт_А", "Мощность_Мгнов_Реакт_B",
      "Мощность_Мгнов_Реакт_C"},
     false},
    {"Мощность средняя 3х минутная ( положительная/отрицательная, активная/реактивная )",
     {"Мощность_Средн_Акт_Полож", "Мощность_Средн_Акт_Отриц", "Мощность_Средн_Реакт_Полож",
      "Мощность_Средн_Реакт_Отриц"},
     false},
    {"Энергия суммарная ( положительная/отрицательная, активная/реактивная )",
     {"Энергия_Сумм_Акт_Полож", "Энергия_Сумм_Акт_Отриц", "Энергия_Сумм_Реакт_Полож",
      "Энергия_Сумм_Реакт_Отриц"},
     true},
    {"Энергия за текущие сутки ( положительная/отрицательная, активная/реактивная )",
     {"Энергия_Текущ_сутки_Акт_Полож", "Энергия_Текущ_сутки_Акт_Отриц",
      "Энергия_Текущ_сутки_Реакт_Полож", "Энергия_Текущ_сутки_Реакт_Отриц"},
     true},
    {"Энергия за прошлые сутки ( положительная/отрицательная, активная/реактивная )",
     {"Энергия_Прошл_сутки_Акт_Полож", "Энергия_Прошл_сутки_Акт_Отриц",
      "Энергия_Прошл_сутки_Реакт_Полож", "Энергия_Прошл_сутки_Реакт_Отриц"},
     true},
};

const std::vector<MeterParam> kNoParams;

}  // namespace

const std::vector<MeterParam>& MeterParams(int meterKind) {
  switch (meterKind) {
    case kMeterCE303:
      return kCE303Params;
    case kMeterCE318:
      return kCE318Params;
    case kMeterCC301:
      return kCC301Params;
    default:
      return kNoParams;
  }
}

// --- TMeter ---

TMeter::TMeter(Configuration& config, int kind, const char* name) : TPort(config) {
  Kind = static_cast<std::uint8_t>(kind);
  SetName(name);
  Number = 1;
  ImageIndex = kMeterImage;
  SetIcon(kMeterImage);
  Menu = PopupMenu::Delete;
  UpdateCaption();
}

bool TMeter::Ticked(int index) const {
  if (index < 0 || index >= static_cast<int>(Params().size())) return false;
  return (ParamSet[static_cast<std::size_t>(index / 8)] >> (index % 8)) & 1;
}

void TMeter::SetTicked(int index, bool on) {
  if (index < 0 || index >= static_cast<int>(Params().size())) return;
  std::uint8_t& byte = ParamSet[static_cast<std::size_t>(index / 8)];
  const auto bit = static_cast<std::uint8_t>(1u << (index % 8));
  byte = static_cast<std::uint8_t>(on ? byte | bit : byte & ~bit);
}

std::vector<int> TMeter::StrayBits() const {
  std::vector<int> bits;
  for (int i = static_cast<int>(Params().size()); i < static_cast<int>(kMeterParamBytes * 8); ++i)
    if ((ParamSet[static_cast<std::size_t>(i / 8)] >> (i % 8)) & 1) bits.push_back(i);
  return bits;
}

void TMeter::SetAddress(std::uint32_t address) {
  Number = static_cast<std::uint8_t>(address);
}

namespace {
TParams* OwnList(const TItem& item, int signalKind) {
  for (int i = 0; i < item.ChildCount(); ++i)
    if (TParams* list = item.Child(i)->AsParams();
        list && list->SignalKind == signalKind && list->ListRole == kRoleOwn)
      return list;
  return nullptr;
}
}  // namespace

TParams* TMeter::Measurements() const {
  return OwnList(*this, kKindTI);
}
TParams* TMeter::Counters() const {
  return OwnList(*this, kKindTII);
}

void TMeter::SignalNames(std::vector<std::string>& ti, std::vector<std::string>& tii) const {
  ti.clear();
  tii.clear();
  const std::vector<MeterParam>& params = Params();
  for (int i = 0; i < static_cast<int>(params.size()); ++i) {
    if (!Ticked(i)) continue;
    std::vector<std::string>& to = params[static_cast<std::size_t>(i)].Counter ? tii : ti;
    for (const char* name : params[static_cast<std::size_t>(i)].Signals) to.emplace_back(name);
  }
}

std::string TMeter::SignalPrefix() const {
  return Format("%s.%d_%s", ListPrefix, Address(), Name());
}

bool TMeter::Clashes() const {
  const TItem* port = Parent();
  if (!port) return false;
  const std::uint32_t address = Address();
  if (Kind == kMeterCE318 && static_cast<std::int32_t>(address) < 0) return false;
  for (int i = 0; i < port->ChildCount(); ++i) {
    const auto* other = dynamic_cast<const TMeter*>(port->Child(i));
    if (other && other != this && !other->IsKept() && other->Address() == address) return true;
  }
  return false;
}

void TMeter::UpdateCaption() {
  SetCaption(Format("%d_%s", Address(), Name()));
}

void TMeter::UpdateSignalList() {
  UpdateCaption();
  std::vector<std::string> ti, tii;
  SignalNames(ti, tii);
  if (EnergyAsTI()) {
    ti.insert(ti.end(), tii.begin(), tii.end());
    tii.clear();
  }
  TParams* measurements = Measurements();
  if (measurements && ti.empty()) {
    Config().Remove(measurements);
    measurements = nullptr;
  }
  TParams* counters = Counters();
  if (counters && tii.empty()) {
    Config().Remove(counters);
    counters = nullptr;
  }
  // ТИ first, ТИИ last, whatever else the meter holds.
  if (!measurements && !ti.empty())
    measurements = static_cast<TParams*>(
        Config().Insert(this, 0, MakeParams(Config(), kKindTI, kRoleOwn, this)));
  if (!counters && !tii.empty())
    counters = static_cast<TParams*>(
        Config().Append(this, MakeParams(Config(), kKindTII, kRoleOwn, this)));
  const std::string prefix = SignalPrefix();
  if (measurements) measurements->Rebuild(NameListSource(std::move(ti)), kCounterFormat, prefix);
  if (counters) counters->Rebuild(NameListSource(std::move(tii)), kCounterFormat, prefix);
  if (auto* port = dynamic_cast<TPort*>(Parent())) port->UpdateSignalList();
}

void TMeter::AddCommonFields(RecordDesc& r, bool wideAddress) {
  r.Text(kKeyPlace, "place", &TMeter::Place, kMaxNameChars);
  if (wideAddress)
    r.Field(kKeyAddress, "address", &TCE318::NetAddress);
  else
    r.Field(kKeyAddress, "address", &TMeter::Number);
  r.Field(kKeyAttempts, "attempts", &TMeter::Attempts);
  r.Custom(
      kKeyParams, "params",
      [](const TItem& item) {
        const MeterParamSet& set = static_cast<const TMeter&>(item).ParamSet;
        return std::vector<std::uint8_t>(set.begin(), set.end());
      },
      [](TItem& item, const std::uint8_t* data, std::size_t size) {
        // A shorter record leaves the bits it does not hold clear; a longer one is cut.
        MeterParamSet& set = static_cast<TMeter&>(item).ParamSet;
        set.fill(0);
        std::memcpy(set.data(), data, std::min(size, set.size()));
      },
      [](const TItem& item) {
        const auto& meter = static_cast<const TMeter&>(item);
        std::vector<ShownField> shown;
        const std::vector<MeterParam>& params = meter.Params();
        for (int i = 0; i < static_cast<int>(params.size()); ++i)
          if (meter.Ticked(i))
            shown.push_back({Format("param%d", i), params[static_cast<std::size_t>(i)].Caption, "",
                             kKeyParams, true});
        // Bits of parameters this build does not know: kept and written back as they are.
        const std::vector<int> stray = meter.StrayBits();
        if (!stray.empty()) {
          std::string text;
          for (int bit : stray) {
            if (!text.empty()) text += ' ';
            text += Format("%d", bit);
          }
          shown.push_back({"params_unknown_bits", text, "", kKeyParams, true});
        }
        return shown;
      });
}

void TMeter::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (const auto* port = dynamic_cast<const TMeterPort*>(Parent())) ListPrefix = port->PortText();
  if (!ReadVersion(cfg)) return;
  ParamSet.fill(0);
  Record()->Load(cfg, *this);
  UpdateCaption();
  UpdateSignalList();
  // The stored lists read their names into the lists the ticks made; a list block the
  // ticks give no list for (or a second one of a kind) is kept as it was.
  const int tiBlock = SignalKindOf(kKindTI)->BlockId;
  const int tiiBlock = SignalKindOf(kKindTII)->BlockId;
  bool tiRead = false, tiiRead = false;
  int id;
  while ((id = PeekChild(cfg, end)) != kNoBlock) {
    TParams* list = nullptr;
    if (id == tiBlock && !tiRead) {
      list = Measurements();
      tiRead = true;
    } else if (id == tiiBlock && !tiiRead) {
      list = Counters();
      tiiRead = true;
    }
    if (list)
      LoadChild(cfg, list);
    else
      LoadOrKeepNextChild(cfg, nullptr);
  }
}

TCE303::TCE303(Configuration& config) : TMeter(config, kMeterCE303, "CE303") {}

const RecordDesc* TCE303::Record() const {
  static const RecordDesc record = [] {
    RecordDesc r;
    AddCommonFields(r, false);
    return r;
  }();
  return &record;
}

TCE318::TCE318(Configuration& config) : TMeter(config, kMeterCE318, "CE318") {
  UpdateCaption();
}

void TCE318::SetAddress(std::uint32_t address) {
  NetAddress = address;
}

const RecordDesc* TCE318::Record() const {
  static const RecordDesc record = [] {
    RecordDesc r;
    AddCommonFields(r, true);
    return r;
  }();
  return &record;
}

TCC301::TCC301(Configuration& config) : TMeter(config, kMeterCC301, "CC301") {}

const RecordDesc* TCC301::Record() const {
  static const RecordDesc record = [] {
    RecordDesc r;
    AddCommonFields(r, false);
    r.Field(kKeyEnergyKind, "energy_kind", &TCC301::EnergyKind)
        .Field(kKeyRatio, "ratio", &TCC301::RatioFlag);
    return r;
  }();
  return &record;
}

}  // namespace vilk
