#include "ports/fieldbus/modbus.h"

#include <algorithm>
#include <cstring>

#include "base/format.h"
#include "base/ini.h"
#include "controller/controller.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/record.h"
#include "model/records.h"
#include "ports/fieldbus/modbus_template.h"
#include "ports/fieldbus/templates.h"
#include "signals/names.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {

// TRTU
constexpr std::uint16_t kKeyNumber = 1, kKeyPlace = 77, kKeyAttempts = 62, kKeyType = 41,
                        kKeyRows = 20, kKeyTS = 45, kKeyTU = 47, kKeyTI = 46, kKeyTR = 56,
                        kKeyAutoOff = 19, kKeyPassword = 59, kKeyPasswordAddress = 34,
                        kKeyTimeAddress = 63, kKeyTimeString = 54, kKeyMultiTS = 101, kKeyIp = 49,
                        kKeyUnit = 30;
// The keys of a log: start, select, interval, count, string, selected count, events.
struct LogKeys {
  std::uint16_t Start, Select, Interval, Count, String, Selected, Events;
};
constexpr LogKeys kEventKeys{82, 81, 83, 84, 85, 86, 87};
constexpr LogKeys kAlarmKeys{89, 88, 90, 91, 92, 93, 94};

constexpr int kDeviceImage = 28;
constexpr std::size_t kTextChars = 64;

}  // namespace

const char* ModbusNameSection(int kind) {
  switch (kind) {
    case kKindTS:
      return "Список ТС";
    case kKindTU:
      return "Список ТУ";
    case kKindTI:
      return "Список ТИ";
    default:
      return "Список ТР";
  }
}

namespace {

// The template's name for `key` in `section`, or `fallback`.
std::string TemplateName(const IniDocument* tpl, const char* section, const std::string& key,
                         const std::string& fallback) {
  if (!tpl) return fallback;
  return tpl->ReadString(section, key, fallback);
}

// Shows a table: one line per row, "function address(hex) count" (TI: the type first).
template <typename Table>
std::vector<ShownField> ShowTable(const char* name, std::uint16_t key, const Table& table) {
  std::vector<ShownField> shown;
  for (int i = 0; i < kModbusRows; ++i) {
    const auto& r = table[static_cast<std::size_t>(i)];
    // The rows are packed: their fields are copied out, never bound by reference.
    const int function = r.Function, address = r.Address, count = r.Count;
    std::string text;
    if constexpr (std::is_same_v<Table, ModbusTITable>)
      text = Format("%d %d %4.4X %d", static_cast<int>(r.Type), function, address, count);
    else
      text = Format("%d %4.4X %d", function, address, count);
    shown.push_back({Format("%s%d", name, i + 1), text, "", key, true});
  }
  return shown;
}

template <typename Table>
std::vector<std::uint8_t> PackTable(const Table& table) {
  std::vector<std::uint8_t> bytes(sizeof(Table));
  std::memcpy(bytes.data(), table.data(), sizeof(Table));
  return bytes;
}

// Fills `table` from the stored rows: as many whole rows as the record holds, at most eight.
template <typename Table>
void UnpackTable(Table& table, const std::uint8_t* data, std::size_t size) {
  using Row = typename Table::value_type;
  const std::size_t rows = std::min<std::size_t>(size / sizeof(Row), kModbusRows);
  std::memcpy(table.data(), data, rows * sizeof(Row));
}

std::vector<std::uint8_t> PackEvents(const ModbusLog& log) {
  const std::size_t n = std::min<std::size_t>(log.Selected.size(), kMaxLogEvents);
  std::vector<std::uint8_t> bytes(n * 2);
  for (std::size_t i = 0; i < n; ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(log.Selected[i]);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(log.Selected[i] >> 8);
  }
  return bytes;
}

void AddLog(RecordDesc& r, const char* stem, const LogKeys& k, ModbusLog TRTU::*log) {
  auto get = [log](const TItem& item) -> const ModbusLog& {
    return static_cast<const TRTU&>(item).*log;
  };
  auto ref = [log](TItem& item) -> ModbusLog& { return static_cast<TRTU&>(item).*log; };
  auto number = [&](std::uint16_t key, const char* name, std::uint16_t ModbusLog::*field) {
    r.Custom(
        key, Format("%s_%s", stem, name),
        [get, field](const TItem& item) {
          const std::uint16_t v = get(item).*field;
          return std::vector<std::uint8_t>{static_cast<std::uint8_t>(v),
                                           static_cast<std::uint8_t>(v >> 8)};
        },
        [ref, field](TItem& item, const std::uint8_t* data, std::size_t size) {
          std::uint16_t v = 0;
          std::memcpy(&v, data, std::min<std::size_t>(size, 2));
          ref(item).*field = v;
        },
        [get, field, key, stem, name](const TItem& item) {
          return std::vector<ShownField>{
              {Format("%s_%s", stem, name), Format("%d", get(item).*field), "", key, false}};
        });
  };
  number(k.Start, "start", &ModbusLog::StartAddress);
  number(k.Select, "select", &ModbusLog::SelectAddress);
  number(k.Interval, "interval", &ModbusLog::RecordInterval);
  number(k.Count, "records", &ModbusLog::RecordCount);
  r.Custom(
      k.String, Format("%s_string", stem),
      [get](const TItem& item) {
        std::vector<std::uint8_t> bytes(kTextChars + 1);
        PackShortString(get(item).RecordString, kTextChars, bytes.data());
        return bytes;
      },
      [ref](TItem& item, const std::uint8_t* data, std::size_t size) {
        if (size) ref(item).RecordString = UnpackShortString(data, std::min(kTextChars, size - 1));
      },
      [get, stem, key = k.String](const TItem& item) {
        return std::vector<ShownField>{
            {Format("%s_string", stem), get(item).RecordString, "", key, true}};
      });
  r.Computed(k.Selected, Format("%s_selected", stem), FieldType::U16, [get](const TItem& item) {
    return static_cast<std::int64_t>(
        std::min<std::size_t>(get(item).Selected.size(), kMaxLogEvents));
  });
  r.Custom(
       k.Events, Format("%s_events", stem),
       [get](const TItem& item) { return PackEvents(get(item)); },
       nullptr,  // read with its count (LoadLog)
       [get, stem, key = k.Events](const TItem& item) {
         std::string text;
         for (std::uint16_t e : get(item).Selected) {
           if (!text.empty()) text += ' ';
           text += Format("%d", e);
         }
         return std::vector<ShownField>{{Format("%s_events", stem), text, "", key, true}};
       })
      .When([get](const TItem& item) { return !get(item).Selected.empty(); });
}

}  // namespace

// --- naming ---

int TIWords(int type) {
  switch (type) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 6:
    case 7:
      return 2;
    default:
      return 1;
  }
}

std::uint32_t TSBitAddress(const ModbusRow& row, int k) {
  if (row.Function == 3 || row.Function == 4) return row.Address * 16u + static_cast<unsigned>(k);
  return row.Address + static_cast<std::uint32_t>(k);
}

std::string AddressKey(std::uint32_t address) {
  return Format(address > 0xFFFF ? "%5.5x" : "%4.4x", static_cast<int>(address));
}

void CleanNames(std::vector<std::string>& names) {
  for (std::string& name : names) std::replace(name.begin(), name.end(), '.', ' ');
  MarkRepeats(names);
}

// --- TRTU ---

TRTU::TRTU(Configuration& config) : TPort(config) {
  Kind = kModbusDevice;
  SetName("RTU");
  Number = 1;
  ImageIndex = kDeviceImage;
  SetIcon(kDeviceImage);
  Menu = PopupMenu::DuplicateDelete;
  for (auto& r : TS) r.Function = 1;
  for (auto& r : TU) r.Function = 5;
  for (auto& r : TR) r.Function = 6;
  UpdateCaption();
}

TParams* TRTU::List(int signalKind) const {
  for (int i = 0; i < ChildCount(); ++i)
    if (TParams* list = Child(i)->AsParams(); list && list->SignalKind == signalKind) return list;
  return nullptr;
}

void TRTU::UpdateCaption() {
  SetCaption(Format("%d_%s", Number, Name()));
}

std::string TRTU::SignalPrefix() const {
  return Format("%s.%d_%s", ListPrefix, Number, Place.empty() ? Name() : Place);
}

std::vector<TRTU::NamedValue> TRTU::ValueNames(int signalKind, const IniDocument* tpl) const {
  std::vector<NamedValue> values;
  auto add = [&](std::uint32_t address) {
    const std::string key = AddressKey(address);
    values.push_back(
        {"$" + key, TemplateName(tpl, ModbusNameSection(signalKind), "$" + key, "Пр_" + key)});
  };
  switch (signalKind) {
    case kKindTS:
      for (const ModbusRow& r : TS)
        for (int k = 0; k < r.Count; ++k) add(TSBitAddress(r, k));
      break;
    case kKindTU:
    case kKindTR:
      for (const ModbusRow& r : signalKind == kKindTU ? TU : TR)
        for (int k = 0; k < r.Count; ++k) add(r.Address + static_cast<std::uint32_t>(k));
      break;
    case kKindTI:
      for (const ModbusTIRow& r : TI) {
        const int words = TIWords(r.Type);
        const int n = words == 2 ? (r.Count + 1) / 2 : r.Count;
        for (int k = 0; k < n; ++k) add(r.Address + static_cast<std::uint32_t>(words * k));
      }
      break;
    default:
      break;
  }
  return values;
}

void TRTU::UpdateSignalList() {
  UpdateCaption();
  const IniDocument* tpl = ModbusTemplates().Find(Name());

  std::vector<std::string> names[kSignalKinds + 1];
  for (int kind : {kKindTS, kKindTU, kKindTI, kKindTR})
    for (NamedValue& v : ValueNames(kind, tpl)) names[kind].push_back(std::move(v.Name));
  if (MultiTS) {
    if (!EventLog.Selected.empty()) names[kKindMTS].push_back("Журнал Событий");
    if (!AlarmLog.Selected.empty()) names[kKindMTS].push_back("Журнал Аварий");
  } else {
    for (std::uint16_t e : EventLog.Selected)
      names[kKindTS].push_back(tpl ? tpl->ReadString("Список Событий", Format("%d", e), "???")
                                   : Format("%s%d_LogSystem", "", e));
    for (std::uint16_t e : AlarmLog.Selected)
      names[kKindTS].push_back(tpl ? tpl->ReadString("Список Аварий", Format("%d", e), "???")
                                   : Format("%s%d_LogAlarm", "", e));
  }
  for (auto& list : names) CleanNames(list);

  // A fresh device builds its lists anew; a list without names goes.
  for (int kind = 1; kind <= kSignalKinds; ++kind)
    if (TParams* list = List(kind); list && (Fresh || names[kind].empty())) Config().Remove(list);
  // Missing lists, so that the children read ТС, ТУ, ТИ, ТР, МТС.
  auto make = [&](int kind, bool first) {
    if (names[kind].empty() || List(kind)) return;
    auto list = MakeParams(Config(), kind, kRoleOwn, this);
    if (first)
      Config().Insert(this, 0, std::move(list));
    else
      Config().Append(this, std::move(list));
  };
  make(kKindTR, false);
  if (!names[kKindTI].empty() && !List(kKindTI)) {
    // ТИ goes after ТС and ТУ but before ТР.
    const int row = (List(kKindTS) ? 1 : 0) + (List(kKindTU) ? 1 : 0);
    Config().Insert(this, row, MakeParams(Config(), kKindTI, kRoleOwn, this));
  }
  if (!names[kKindTU].empty() && !List(kKindTU))
    Config().Insert(this, List(kKindTS) ? 1 : 0, MakeParams(Config(), kKindTU, kRoleOwn, this));
  make(kKindTS, true);
  make(kKindMTS, false);

  const std::string prefix = SignalPrefix();
  for (int kind : {kKindTS, kKindMTS, kKindTU})
    if (TParams* list = List(kind)) list->Rebuild(NameListSource(names[kind]), 0, prefix);
  if (TParams* ti = List(kKindTI)) {
    ti->Rebuild(NameListSource(names[kKindTI]), 2, prefix);
    // Two-word values are four-byte formats; one-word values become so once scaled.
    int i = 0;
    for (const ModbusTIRow& r : TI) {
      const int words = TIWords(r.Type);
      const int n = words == 2 ? (r.Count + 1) / 2 : r.Count;
      for (int k = 0; k < n && i < ti->Count(); ++k, ++i)
        if (TParam* s = ti->At(i)) s->ValueFormat = words == 2 || s->Gain != 0 ? 4 : 2;
    }
  }
  if (TParams* tr = List(kKindTR)) tr->Rebuild(NameListSource(names[kKindTR]), 2, prefix);
  if (auto* port = dynamic_cast<TPort*>(Parent())) port->UpdateSignalList();
}

void TRTU::LoadTemplate() {
  TemplateLibrary& library = ModbusTemplates();
  const IniDocument* tpl = library.Find(Name());
  if (!tpl) return;
  ReadModbusTemplate(*tpl, library.FileOf(Name()), *this, Config().Messages());
  Fresh = false;
  UpdateSignalList();
}

void TRTU::CollectSignals(TStorage& pool) {
  // The pool takes a device's lists in this order, whatever their order in the tree.
  for (int kind : {kKindTS, kKindMTS, kKindTU, kKindTI, kKindTR})
    if (TParams* list = List(kind); list && !list->AppendTo(pool.List(kind)))
      pool.MarkOverflow(kind);
  for (int i = 0; i < ChildCount(); ++i)
    if (!Child(i)->AsParams()) Child(i)->CollectSignals(pool);
}

void TRTU::CopyPatternFrom(const TRTU& other) {
  SetName(other.Name());
  Attempts = other.Attempts;
  TS = other.TS;
  TU = other.TU;
  TI = other.TI;
  TR = other.TR;
  TUPassword = other.TUPassword;
  TUPasswordAddress = other.TUPasswordAddress;
  TUAutoOff = other.TUAutoOff;
  TimeAddress = other.TimeAddress;
  TimeString = other.TimeString;
  MultiTS = other.MultiTS;
  EventLog = other.EventLog;
  AlarmLog = other.AlarmLog;
}

bool TRTU::Clashes() const {
  const TItem* port = Parent();
  if (!port) return false;
  for (int i = 0; i < port->ChildCount(); ++i) {
    const auto* other = dynamic_cast<const TRTU*>(port->Child(i));
    if (!other || other == this) continue;
    if (dynamic_cast<const TRTUTCP*>(this) ? other->IpAddress == IpAddress
                                           : other->Number == Number)
      return true;
  }
  return false;
}

const RecordDesc* TRTU::Record() const {
  static const RecordDesc record = [] {
    RecordDesc r;
    r.Text(kKeyPlace, "place", &TRTU::Place, kTextChars)
        .Field(kKeyNumber, "number", &TRTU::Number)
        .Field(kKeyAttempts, "attempts", &TRTU::Attempts)
        .Custom(
            kKeyType, "type",
            [](const TItem& item) {
              std::vector<std::uint8_t> bytes(kTextChars + 1);
              PackShortString(item.Name(), kTextChars, bytes.data());
              return bytes;
            },
            [](TItem& item, const std::uint8_t* data, std::size_t size) {
              if (size) item.SetName(UnpackShortString(data, std::min(kTextChars, size - 1)));
            },
            [](const TItem& item) {
              return std::vector<ShownField>{{"type", item.Name(), "", kKeyType, true}};
            })
        .Computed(kKeyRows, "rows", FieldType::U8, [](const TItem&) { return kModbusRows; });
    auto table = [&r](std::uint16_t key, const char* name, auto TRTU::*member) {
      r.Custom(
          key, name,
          [member](const TItem& item) { return PackTable(static_cast<const TRTU&>(item).*member); },
          [member](TItem& item, const std::uint8_t* data, std::size_t size) {
            UnpackTable(static_cast<TRTU&>(item).*member, data, size);
          },
          [member, key, name](const TItem& item) {
            return ShowTable(name, key, static_cast<const TRTU&>(item).*member);
          });
    };
    table(kKeyTS, "ts", &TRTU::TS);
    table(kKeyTU, "tu", &TRTU::TU);
    table(kKeyTI, "ti", &TRTU::TI);
    table(kKeyTR, "tr", &TRTU::TR);
    auto hasPassword = [](const TItem& item) {
      return !static_cast<const TRTU&>(item).TUPassword.empty();
    };
    r.Field(kKeyAutoOff, "tu_auto_off", &TRTU::TUAutoOff, 1, "мс")
        .Text(kKeyPassword, "tu_password", &TRTU::TUPassword, kTextChars)
        .When(hasPassword)
        .Field(kKeyPasswordAddress, "tu_password_address", &TRTU::TUPasswordAddress)
        .When(hasPassword)
        .Field(kKeyTimeAddress, "time_address", &TRTU::TimeAddress)
        .Text(kKeyTimeString, "time_string", &TRTU::TimeString, kTextChars)
        .Field(kKeyMultiTS, "multi_ts", &TRTU::MultiTS)
        .OnMissing([](TItem& item, TConfig&) { static_cast<TRTU&>(item).MultiTS = 0; })
        .Ip(kKeyIp, "ip", &TRTU::IpAddress)
        .Field(kKeyUnit, "unit_address", &TRTU::UnitAddress);
    AddLog(r, "event_log", kEventKeys, &TRTU::EventLog);
    AddLog(r, "alarm_log", kAlarmKeys, &TRTU::AlarmLog);
    return r;
  }();
  return &record;
}

void TRTU::SaveToImage(TConfig& cfg) {
  SaveRecordBlock(cfg);
}

namespace {
// The selected events of a log: as many as its count says, at most 512 and at most what the
// record holds.
void LoadEvents(TConfig& cfg, const LogKeys& keys, ModbusLog& log, const TRTU& device) {
  log.Selected.clear();
  std::uint16_t count = 0;
  if (!cfg.ReadScalar(keys.Selected, count) || count == 0) return;
  if (count > kMaxLogEvents) {
    device.Config().Messages().Error(
        Format("Устройство %s: в журнале %d событий, читаются первые %d.", device.Caption(),
               static_cast<int>(count), kMaxLogEvents));
    count = kMaxLogEvents;
  }
  std::vector<std::uint16_t> events;
  ReadArray(cfg, keys.Events, count, events);
  log.Selected = std::move(events);
}
}  // namespace

void TRTU::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (const auto* port = dynamic_cast<const TModbusPortBase*>(Parent()))
    ListPrefix = port->PortText();
  if (!ReadVersion(cfg)) return;
  TimeAddress = 0;
  TimeString.clear();
  TUPassword.clear();
  TUPasswordAddress = 0;
  EventLog = {};
  AlarmLog = {};
  Record()->Load(cfg, *this);
  std::uint8_t rows = kModbusRows;
  if (cfg.ReadScalar(kKeyRows, rows) && rows > kModbusRows)
    Config().Messages().Error(Format("Устройство %d_%s: в таблицах %d строк, читаются первые %d.",
                                     Number, Name(), static_cast<int>(rows), kModbusRows));
  LoadEvents(cfg, kEventKeys, EventLog, *this);
  LoadEvents(cfg, kAlarmKeys, AlarmLog, *this);

  Fresh = true;  // every list is built anew, then reads its stored names
  UpdateSignalList();
  int id;
  while ((id = PeekChild(cfg, end)) != kNoBlock) {
    TParams* list = List(SignalKindOfBlock(id));
    if (list && !list->IsKept())
      LoadChild(cfg, list);
    else
      LoadOrKeepNextChild(cfg, nullptr);
  }
  Fresh = false;
}

// --- TRTUTCP ---

TRTUTCP::TRTUTCP(Configuration& config) : TRTU(config) {
  SetName("RTU_TCP");
  IpAddress = 0xC0A80100;  // 192.168.1.0
  UnitAddress = 1;
  UpdateCaption();
}

void TRTUTCP::SetIp(std::uint32_t ip) {
  IpAddress = ip;
  Number = static_cast<std::uint8_t>(ip & 0xFF);
  UpdateCaption();
  UpdateSignalList();
}

void TRTUTCP::SaveToImage(TConfig& cfg) {
  // The number is the last octet before the record is written, so that caption, names and
  // link name read back as they were saved.
  Number = static_cast<std::uint8_t>(IpAddress & 0xFF);
  TRTU::SaveToImage(cfg);
}

void TRTUTCP::LoadFromImage(TConfig& cfg) {
  TRTU::LoadFromImage(cfg);
  if (IsKept()) return;
  const std::uint8_t last = static_cast<std::uint8_t>(IpAddress & 0xFF);
  if (last != Number) {
    Number = last;
    UpdateSignalList();
  }
}

}  // namespace vilk
