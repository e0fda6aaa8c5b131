#include "ports/fieldbus/iec103.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "base/format.h"
#include "base/ini.h"
#include "controller/controller.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/record.h"
#include "model/records.h"
#include "ports/fieldbus/templates.h"
#include "signals/names.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {

// TRTU103
constexpr std::uint16_t kKeyPlace = 77, kKeyNumber = 1, kKeyAttempts = 62, kKeyType = 41,
                        kKeyCountTS = 13, kKeyCountTI = 14, kKeyCountTU = 15, kKeyTS = 45,
                        kKeyTI = 46, kKeyTU = 47;
// TPort103
constexpr std::uint16_t kKeyReplyWait = 57, kKeyTimeSync = 31, kKeyGeneralPoll = 17,
                        kKeyDeviceCount = 20, kKeyBoard = 30;
constexpr int kDeviceImage = 28, kPortImage = 2;
constexpr std::size_t kTextChars = 64;

// Bytes per stored entry: ТИ entries carry the word number.
std::size_t EntrySize(int signalKind) {
  return signalKind == kKindTI ? 3 : 2;
}

const char* TableName(int signalKind) {
  return signalKind == kKindTS ? "ТС" : signalKind == kKindTU ? "ТУ" : "ТИ";
}

const char* TemplateTableSection(int signalKind) {
  return signalKind == kKindTS ? "Таблица ТС" : signalKind == kKindTU ? "Таблица ТУ" : "Таблица ТИ";
}

std::vector<std::uint8_t> PackEntries(const Iec103Table& table, int signalKind) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(table.size() * EntrySize(signalKind));
  for (const Iec103Entry& e : table) {
    bytes.push_back(e.Function);
    bytes.push_back(e.Info);
    if (signalKind == kKindTI) bytes.push_back(e.Word);
  }
  return bytes;
}

// As many whole entries as the record holds (at most a list's worth of signals).
Iec103Table UnpackEntries(const std::uint8_t* data, std::size_t size, int signalKind) {
  const std::size_t step = EntrySize(signalKind);
  const std::size_t n = std::min<std::size_t>(size / step, kMaxSignals);
  Iec103Table table(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* p = data + i * step;
    table[i] = {p[0], p[1], static_cast<std::uint8_t>(signalKind == kKindTI ? p[2] : 0)};
  }
  return table;
}

std::string EntryText(const Iec103Entry& e, int signalKind) {
  return signalKind == kKindTI ? Format("%d %d %d", e.Function, e.Info, e.Word)
                               : Format("%d %d", e.Function, e.Info);
}

void AddTable(RecordDesc& r, std::uint16_t key, const char* name, int signalKind) {
  r.Custom(
      key, name,
      [signalKind](const TItem& item) {
        return PackEntries(static_cast<const TRTU103&>(item).Table(signalKind), signalKind);
      },
      [signalKind](TItem& item, const std::uint8_t* data, std::size_t size) {
        static_cast<TRTU103&>(item).Table(signalKind) = UnpackEntries(data, size, signalKind);
      },
      [signalKind, key, name](const TItem& item) {
        std::vector<ShownField> shown;
        const Iec103Table& table = static_cast<const TRTU103&>(item).Table(signalKind);
        for (std::size_t i = 0; i < table.size(); ++i)
          shown.push_back({Format("%s%d", name, static_cast<int>(i) + 1),
                           EntryText(table[i], signalKind), "", key, true});
        return shown;
      });
}

}  // namespace

// --- the table editor's view of a device table ---

TableModel Iec103TableModel(int signalKind) {
  std::vector<TableColumn> columns{{"ТИП ФУНКЦИИ", 130, CellKind::U8, 0, 255, 0},
                                   {"НОМЕР ИНФОРМАЦИИ", 170, CellKind::U8, 0, 255, 0}};
  if (signalKind == kKindTI) columns.push_back({"Номер слова", 110, CellKind::U8, 1, 32, 0});
  return TableModel(std::move(columns), kMax103Entries);
}

void Iec103TableToModel(const Iec103Table& table, int signalKind, TableModel& model) {
  std::vector<std::vector<std::string>> rows;
  rows.reserve(table.size() + 1);
  for (const Iec103Entry& e : table) {
    std::vector<std::string> row{Format("%d", e.Function), Format("%d", e.Info)};
    if (signalKind == kKindTI) row.push_back(Format("%d", e.Word));
    rows.push_back(std::move(row));
  }
  if (static_cast<int>(rows.size()) < model.MaxRows()) rows.emplace_back();
  model.Reset(std::move(rows));
}

bool Iec103TableFromModel(const TableModel& model, int signalKind, Iec103Table& out,
                          const CellFaultAnswer& answer, Iec103CellFault* fault) {
  out.clear();
  for (int r = 0; r < model.RowCount(); ++r) {
    if (model.RowEmpty(r)) continue;
    std::uint8_t values[3] = {0, 0, 0};
    for (int c = 0; c < model.ColumnCount() && c < 3; ++c) {
      const std::string& text = model.Cell(r, c);
      const CellStatus status = CellToField(model.Column(c), text, &values[c]);
      if (status.Ok()) continue;
      const std::string message = CellErrorText(r + 1, c + 1, text, status);
      if (answer && answer(r + 1, c + 1, message)) {
        values[c] = 0;
        continue;
      }
      if (fault) *fault = {r + 1, c + 1, message};
      return false;
    }
    out.push_back(
        {values[0], values[1], static_cast<std::uint8_t>(signalKind == kKindTI ? values[2] : 0)});
  }
  return true;
}

// --- naming ---

const char* Iec103NameSection(int signalKind) {
  return signalKind == kKindTS ? "Список ТС" : signalKind == kKindTU ? "Список ТУ" : "Список ТИ";
}

std::string Iec103DefaultName(int signalKind, const Iec103Entry& e) {
  return signalKind == kKindTI ? Format("Func%d_Inf%d_N%d", e.Function, e.Info, e.Word)
                               : Format("Func%d_Inf%d", e.Function, e.Info);
}

// --- TRTU103 ---

TRTU103::TRTU103(Configuration& config) : TPort(config) {
  Kind = kDevice103;
  SetName("RTU_103");
  Number = 1;
  ImageIndex = kDeviceImage;
  SetIcon(kDeviceImage);
  Menu = PopupMenu::Delete;
  UpdateCaption();
}

Iec103Table& TRTU103::Table(int signalKind) {
  return signalKind == kKindTS ? TS : signalKind == kKindTU ? TU : TI;
}

const Iec103Table& TRTU103::Table(int signalKind) const {
  return signalKind == kKindTS ? TS : signalKind == kKindTU ? TU : TI;
}

TParams* TRTU103::List(int signalKind) const {
  for (int i = 0; i < ChildCount(); ++i)
    if (TParams* list = Child(i)->AsParams(); list && list->SignalKind == signalKind) return list;
  return nullptr;
}

void TRTU103::UpdateCaption() {
  SetCaption(Format("%d_%s", Number, Name()));
}

std::vector<std::string> TRTU103::SignalNames(int signalKind, const IniDocument* tpl) const {
  const std::string prefix = Place.empty() ? std::string() : Place + " ";
  const char* section = Iec103NameSection(signalKind);
  std::vector<std::string> names;
  const Iec103Table& table = Table(signalKind);
  names.reserve(table.size());
  for (const Iec103Entry& e : table) {
    std::string name = Iec103DefaultName(signalKind, e);
    if (tpl) {
      const std::string key = signalKind == kKindTI ? Format("%d %d %d", e.Function, e.Info, e.Word)
                                                    : Format("%d %d", e.Function, e.Info);
      name = tpl->ReadString(section, key, name);
    }
    names.push_back(prefix + name);
  }
  // Two entries of the same address would give two signals of one name.
  MarkRepeats(names);
  return names;
}

void TRTU103::UpdateSignalList() {
  UpdateCaption();
  const IniDocument* tpl = Iec103Templates().Find(Name());
  std::vector<std::string> names[kSignalKinds + 1];
  for (int kind : {kKindTS, kKindTU, kKindTI}) names[kind] = SignalNames(kind, tpl);

  for (int kind : {kKindTS, kKindTU, kKindTI})
    if (TParams* list = List(kind); list && names[kind].empty()) Config().Remove(list);
  // Missing lists go where the children then read ТС, ТУ, ТИ.
  if (!names[kKindTS].empty() && !List(kKindTS))
    Config().Insert(this, 0, MakeParams(Config(), kKindTS, kRoleOwn, this));
  if (!names[kKindTU].empty() && !List(kKindTU))
    Config().Insert(this, List(kKindTS) ? 1 : 0, MakeParams(Config(), kKindTU, kRoleOwn, this));
  if (!names[kKindTI].empty() && !List(kKindTI))
    Config().Insert(this, (List(kKindTS) ? 1 : 0) + (List(kKindTU) ? 1 : 0),
                    MakeParams(Config(), kKindTI, kRoleOwn, this));

  const std::string prefix = Format("%s.%d_%s", ListPrefix, Number, Name());
  for (int kind : {kKindTS, kKindTU})
    if (TParams* list = List(kind)) list->Rebuild(NameListSource(names[kind]), 0, prefix);
  if (TParams* ti = List(kKindTI)) ti->Rebuild(NameListSource(names[kKindTI]), 2, prefix);
  if (auto* port = dynamic_cast<TPort*>(Parent())) port->UpdateSignalList();
}

void ReadIec103Tables(const IniDocument& tpl, const std::string& fileName, TRTU103& device,
                      IMessages& messages) {
  for (int kind : {kKindTS, kKindTI, kKindTU}) {
    const char* section = TemplateTableSection(kind);
    const std::vector<std::string> values = Iec103TableEntries(tpl, section, TableName(kind));
    Iec103Table table;
    for (const std::string& value : values) {
      std::uint8_t numbers[3] = {0, 0, 0};
      std::size_t count = 0;
      bool ok = true;
      std::size_t i = 0;
      while (ok && i < value.size()) {
        while (i < value.size() && value[i] == ' ') ++i;
        if (i == value.size()) break;
        int v = 0, digits = 0;
        while (i < value.size() && value[i] != ' ') {
          const char c = value[i++];
          if (c < '0' || c > '9' || ++digits > 3)
            ok = false;
          else
            v = v * 10 + (c - '0');
        }
        if (!ok || v > 255 || count == EntrySize(kind))
          ok = false;
        else
          numbers[count++] = static_cast<std::uint8_t>(v);
      }
      if (!ok) {
        messages.Error(
            Format("Шаблон %s, раздел %s: значение \"%s\" не является адресом, "
                   "пропущено.",
                   fileName, section, value));
        continue;
      }
      if (static_cast<int>(table.size()) == kMax103Entries) {
        messages.Error(Format("Шаблон %s, раздел %s: значений %d, читаются первые %d.", fileName,
                              section, static_cast<int>(values.size()), kMax103Entries));
        break;
      }
      table.push_back({numbers[0], numbers[1], numbers[2]});
    }
    device.Table(kind) = std::move(table);
  }
}

void TRTU103::LoadTemplate() {
  TemplateLibrary& library = Iec103Templates();
  const IniDocument* tpl = library.Find(Name());
  if (!tpl) return;
  ReadIec103Tables(*tpl, library.FileOf(Name()), *this, Config().Messages());
  Fresh = false;
  UpdateSignalList();
}

void TRTU103::CollectSignals(TStorage& pool) {
  for (int kind : {kKindTS, kKindTU, kKindTI})
    if (TParams* list = List(kind); list && !list->AppendTo(pool.List(kind)))
      pool.MarkOverflow(kind);
}

bool TRTU103::Clashes() const {
  const TItem* port = Parent();
  if (!port) return false;
  for (int i = 0; i < port->ChildCount(); ++i) {
    const auto* other = dynamic_cast<const TRTU103*>(port->Child(i));
    if (other && other != this && other->Number == Number) return true;
  }
  return false;
}

std::string TRTU103::OverfullTable() const {
  for (int kind : {kKindTS, kKindTU, kKindTI})
    if (const int n = static_cast<int>(Table(kind).size()); n > kMax103Entries)
      return Format("Устройство %s: в таблице %s %d записей, сохраняется не более %d.", Caption(),
                    TableName(kind), n, kMax103Entries);
  return {};
}

const RecordDesc* TRTU103::Record() const {
  static const RecordDesc record = [] {
    RecordDesc r;
    r.Text(kKeyPlace, "place", &TRTU103::Place, kTextChars)
        .Field(kKeyNumber, "number", &TRTU103::Number)
        .Field(kKeyAttempts, "attempts", &TRTU103::Attempts)
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
            });
    // One byte each: the tables are capped so that the counts never wrap (older files
    // are read by their records' lengths).
    auto count = [&r](std::uint16_t key, const char* name, int kind) {
      r.Computed(key, name, FieldType::U8, [kind](const TItem& item) {
        return static_cast<std::int64_t>(static_cast<const TRTU103&>(item).Table(kind).size() &
                                         0xFF);
      });
    };
    count(kKeyCountTS, "ts_count", kKindTS);
    count(kKeyCountTI, "ti_count", kKindTI);
    count(kKeyCountTU, "tu_count", kKindTU);
    AddTable(r, kKeyTS, "ts", kKindTS);
    AddTable(r, kKeyTI, "ti", kKindTI);
    AddTable(r, kKeyTU, "tu", kKindTU);
    return r;
  }();
  return &record;
}

void TRTU103::SaveToImage(TConfig& cfg) {
  if (const std::string why = OverfullTable(); !why.empty()) {
    Config().Messages().Error(why);
    Config().Abort = true;
  }
  SaveRecordBlock(cfg);
}

void TRTU103::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (const auto* port = dynamic_cast<const TPort103*>(Parent())) ListPrefix = port->PortText();
  if (!ReadVersion(cfg)) return;
  TS.clear();
  TU.clear();
  TI.clear();
  Record()->Load(cfg, *this);
  // A count that disagrees with its record (beyond the byte's wrap of older files' longer
  // tables) marks a damaged record: no more entries than the count are read.
  const std::pair<std::uint16_t, int> counts[] = {
      {kKeyCountTS, kKindTS}, {kKeyCountTI, kKindTI}, {kKeyCountTU, kKindTU}};
  const std::uint16_t tableKeys[] = {kKeyTS, kKeyTI, kKeyTU};
  for (int i = 0; i < 3; ++i) {
    const auto& [key, kind] = counts[i];
    Iec103Table& table = Table(kind);
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    if (cfg.FindValue(tableKeys[i], &data, &size) && size % EntrySize(kind) != 0)
      Config().Messages().Error(Format(
          "Устройство %d_%s: запись таблицы %s длиной %d байт не делится на записи по %d байта, "
          "остаток пропущен.",
          Number, Name(), TableName(kind), static_cast<int>(size),
          static_cast<int>(EntrySize(kind))));
    std::uint8_t stored = 0;
    if (!cfg.ReadScalar(key, stored)) stored = 0;
    if ((table.size() & 0xFF) == stored) continue;
    const std::size_t keep = std::min<std::size_t>(stored, table.size());
    Config().Messages().Error(
        Format("Устройство %d_%s: в таблице %s записано %d адресов при счётчике %d, читаются %d.",
               Number, Name(), TableName(kind), static_cast<int>(table.size()),
               static_cast<int>(stored), static_cast<int>(keep)));
    table.resize(keep);
  }
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

// --- TPort103 ---

TPort103::TPort103(Configuration& config) : TDevicePort(config) {
  Kind = kPort103;
  SetName("МЭК 870-5-103");
  Number = 1;
  BoardMask = kMaskCom;
  ImageIndex = kPortImage;
  SetIcon(0);
  Menu = PopupMenu::AddDelete;
  // The library is read once, when the first IEC-103 port is made.
  if (!TemplateHome().empty()) Iec103Templates().Load(TemplateHome(), config.Messages());
  UpdateCaption();
}

std::string TPort103::PortText() const {
  return Format("%d_Порт", Number);
}

std::string TPort103::CountText() const {
  return Format("Количество подключенных устройств = %d", DeviceCount);
}

void TPort103::UpdateCaption() {
  SetCaption(Format("%d_Порт %s", Number, Name()));
}

std::vector<TRTU103*> TPort103::Devices103() const {
  std::vector<TRTU103*> devices;
  for (int i = 0; i < ChildCount(); ++i)
    if (auto* d = dynamic_cast<TRTU103*>(Child(i))) devices.push_back(d);
  return devices;
}

void TPort103::RenameDeviceLists(TPort& device) {
  if (auto* relay = dynamic_cast<TRTU103*>(&device)) {
    relay->ListPrefix = PortText();
    relay->UpdateSignalList();
  }
}

TRTU103* TPort103::AddDevice(int number, const std::string& typeName) {
  auto made = MakeDevice(Config(), Kind, kDevice103);
  if (!made) return nullptr;
  auto* device = static_cast<TRTU103*>(Config().Append(this, std::move(made)));
  device->Number = static_cast<std::uint8_t>(number);
  if (!typeName.empty()) device->SetName(typeName);
  device->ListPrefix = PortText();
  device->UpdateCaption();
  if (!typeName.empty()) device->LoadTemplate();
  ChildrenChanged();
  return device;
}

std::vector<TRTU103*> TPort103::AddDevices(const std::vector<std::pair<int, std::string>>& chosen) {
  auto sorted = chosen;
  std::sort(sorted.begin(), sorted.end());
  std::vector<TRTU103*> added;
  for (const auto& [address, type] : sorted)
    if (address >= 1 && address <= 255)
      if (TRTU103* d = AddDevice(address, type)) added.push_back(d);
  return added;
}

TItem* TPort103::AddChild(int kind) {
  if (kind != kDevice103) return nullptr;
  std::unordered_set<int> used;
  for (const TRTU103* d : Devices103()) used.insert(d->Number);
  int number = 1;
  while (number < 255 && used.count(number)) ++number;
  return AddDevice(number, "");
}

void TPort103::DeviceAdded(TPort& device) {
  if (auto* d = dynamic_cast<TRTU103*>(&device)) d->ListPrefix = PortText();
}

std::string TPort103::LinkStateName(const TPort& device, int) const {
  const auto* d = dynamic_cast<const TRTU103*>(&device);
  const std::string place = d ? d->Place : std::string();
  return "связь_" + device.Caption() + (place.empty() ? "" : "_" + place);
}

void TPort103::LinkStatesChanged() {
  DeviceCount = static_cast<std::uint8_t>(DeviceTotal());
  Storage().RebuildPool();
}

const RecordDesc* TPort103::Record() const {
  static const RecordDesc record =
      RecordDesc()
          .Field(kKeyNumber, "number", &TPort103::Number)
          .Field(kKeyReplyWait, "reply_wait", &TPort103::ReplyWait, 1, "мс")
          .Field(kKeyTimeSync, "time_sync", &TPort103::TimeSync, 60000, "мин")
          .Field(kKeyGeneralPoll, "general_poll", &TPort103::GeneralPoll, 60000, "мин")
          .Computed(
              kKeyDeviceCount, "device_count", FieldType::U8,
              [](const TItem& item) { return static_cast<const TPort103&>(item).DeviceTotal(); })
          .Board(kKeyBoard);
  return &record;
}

void TPort103::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  cfg.ReadScalar(kKeyDeviceCount, DeviceCount);
  TController::LoadBoard(this, cfg, kKeyBoard);
  UpdateCaption();
  LoadDevices(cfg, end);
}

// --- the template writer ---

bool SaveIec103Template(TemplateLibrary& library, TRTU103& device, const std::string& name,
                        IMessages& messages) {
  std::optional<TemplateLibrary::SaveTarget> target =
      library.PrepareSave(name, "Блок уже существует.\rПереписать настройку?", messages);
  if (!target) return false;
  IniDocument& doc = target->Doc;
  for (const char* section : {"Устройства", "Таблица ТС", "Таблица ТУ", "Таблица ТИ"})
    doc.EraseSection(section);
  bool ok = doc.WriteString("Устройства", target->Name, "");
  for (int kind : {kKindTS, kKindTI, kKindTU}) {
    const Iec103Table& table = device.Table(kind);
    for (std::size_t n = 0; n < table.size(); ++n)
      if (table[n].Function != 0)
        ok = doc.WriteString(TemplateTableSection(kind),
                             Format("%s_%d", TableName(kind), static_cast<int>(n) + 1),
                             EntryText(table[n], kind)) &&
             ok;
  }
  if (!ok) {
    messages.Error("Не удалось записать таблицы устройства в шаблон. В записи отказано.");
    return false;
  }
  const std::string typeName = target->Name;
  if (!library.CommitSave(std::move(*target), messages)) return false;
  device.SetName(typeName);
  device.UpdateCaption();
  return true;
}

}  // namespace vilk
