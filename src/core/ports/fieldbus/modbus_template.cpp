#include "ports/fieldbus/modbus_template.h"

#include <optional>
#include <string_view>

#include "base/format.h"
#include "base/ini.h"
#include "base/text.h"
#include "ports/fieldbus/templates.h"
#include "signals/params.h"

namespace vilk {

namespace {

constexpr std::size_t kMaxStringChars = 64;

constexpr std::string_view kTimeSection = "Дата Время";
constexpr std::string_view kEventLogSection = "Журнал Системы";
constexpr std::string_view kAlarmLogSection = "Журнал Аварий";

// One table of the template: its section, its kind of signals, the name section and
// whether the name keys keep the lower-case form of the naming (ТС bit addresses do).
struct TableInfo {
  std::string_view Section;
  int Kind;
  std::string_view NameSection;
  std::uint8_t DefaultFunction;
  bool LowerCaseKeys;
};
constexpr TableInfo kTS{"Таблица ТС", kKindTS, "Список ТС", 1, true};
constexpr TableInfo kTU{"Таблица ТУ", kKindTU, "Список ТУ", 5, false};
constexpr TableInfo kTI{"Таблица ТИ", kKindTI, "Список ТИ", 4, false};
constexpr TableInfo kTR{"Таблица ТР", kKindTR, "Список ТР", 6, false};

// Reads values and reports those that do not fit.
class FieldReader {
 public:
  FieldReader(const IniDocument& tpl, const std::string& fileName, IMessages& messages)
      : tpl_(tpl), file_(fileName), messages_(messages) {}

  // The value of a key, or `def`. Returned rather than stored through a reference: the
  // rows are packed, so their fields may lie at odd addresses.
  int Number(std::string_view section, const std::string& key, int def, int max) {
    const std::string text = tpl_.ReadString(section, key);
    if (text.empty()) return def;  // missing or blank: the default, as Windows reads it
    const std::optional<int> value = ParseIniInteger(text);
    if (!value) {
      Refuse(section, key, text, "не является числом", def);
      return def;
    }
    if (*value < 0 || *value > max) {
      Refuse(section, key, text, "вне пределов 0.." + std::to_string(max), def);
      return def;
    }
    return *value;
  }
  std::uint8_t Byte(std::string_view section, const std::string& key, int def) {
    return static_cast<std::uint8_t>(Number(section, key, def, 0xFF));
  }
  std::uint16_t Word(std::string_view section, const std::string& key, int def) {
    return static_cast<std::uint16_t>(Number(section, key, def, 0xFFFF));
  }

  void String(std::string_view section, const std::string& key, std::string& field) {
    field = tpl_.ReadString(section, key);
    if (CharCount(field) > kMaxStringChars) {
      field = Truncate(field, kMaxStringChars);
      ++refused_;
      messages_.Error("Шаблон " + file_ + ": значение " + key + " в разделе [" +
                      std::string(section) + "] длиннее " + std::to_string(kMaxStringChars) +
                      " символов и обрезано.");
    }
  }

  void Log(std::string_view section, ModbusLog& log) {
    log = ModbusLog{};  // the selected events go with the rest
    log.StartAddress = Word(section, "Адрес1", 0);
    log.SelectAddress = Word(section, "Адрес2", 0);
    log.RecordInterval = Word(section, "Интервал", 1);
    log.RecordCount = Word(section, "Записей", 0);
    String(section, "Строка", log.RecordString);
  }

  int Refused() const { return refused_; }

 private:
  void Refuse(std::string_view section, const std::string& key, const std::string& text,
              const std::string& why, int def) {
    ++refused_;
    messages_.Error("Шаблон " + file_ + ": значение " + key + "=" + text + " в разделе [" +
                    std::string(section) + "] " + why + ". Оставлено значение по умолчанию " +
                    std::to_string(def) + ".");
  }

  const IniDocument& tpl_;
  const std::string& file_;
  IMessages& messages_;
  int refused_ = 0;
};

std::string RowKey(int row, std::string_view field) {
  return std::to_string(row) + std::string(field);
}

void ReadTable(FieldReader& reader, const TableInfo& table, ModbusTable& rows) {
  for (int i = 0; i < kModbusRows; ++i) {
    ModbusRow& row = rows[static_cast<std::size_t>(i)];
    row.Address = reader.Word(table.Section, RowKey(i + 1, "_Адрес"), 0);
    row.Count = reader.Byte(table.Section, RowKey(i + 1, "_Количество"), 0);
    row.Function = reader.Byte(table.Section, RowKey(i + 1, "_Функция"), table.DefaultFunction);
  }
}

std::string Hex4(unsigned value) {
  return Format("$%4.4X", value);
}

// Writes the rows that have values: address, count, function (ТИ: the type first).
bool WriteRow(IniDocument& doc, const TableInfo& table, int row, const ModbusRow& r) {
  return doc.WriteString(table.Section, RowKey(row, "_Адрес"), Hex4(r.Address)) &&
         doc.WriteInteger(table.Section, RowKey(row, "_Количество"), r.Count) &&
         doc.WriteInteger(table.Section, RowKey(row, "_Функция"), r.Function);
}

bool WriteLog(IniDocument& doc, std::string_view section, const ModbusLog& log) {
  if (log.RecordString.empty()) return true;
  return doc.WriteString(section, "Адрес1", Hex4(log.StartAddress)) &&
         doc.WriteString(section, "Адрес2", Hex4(log.SelectAddress)) &&
         doc.WriteInteger(section, "Интервал", log.RecordInterval) &&
         doc.WriteInteger(section, "Записей", log.RecordCount) &&
         doc.WriteString(section, "Строка", log.RecordString);
}

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// The names of one list under the keys of its values. Entries whose key is no address
// (the log events a ТС list carries after the rows) belong to hand-written sections.
// Returns the key that could not be written, empty when all were.
std::string WriteNames(IniDocument& doc, const TRTU& device, const TableInfo& table) {
  const TParams* list = device.List(table.Kind);
  if (!list) return {};
  const std::vector<TRTU::NamedValue> values = device.ValueNames(table.Kind, nullptr);
  const std::size_t n = std::min(values.size(), static_cast<std::size_t>(list->Count()));
  for (std::size_t i = 0; i < n; ++i) {
    const std::string& key = values[i].Key;
    const TParam* signal = list->At(static_cast<int>(i));
    if (key.empty() || key[0] != '$' || !signal) continue;
    const std::string written = table.LowerCaseKeys ? key : UpperAscii(key);
    if (!doc.WriteString(table.NameSection, written, TParams::ShortName(*signal)))
      return std::string(table.NameSection) + " " + written;
  }
  return {};
}

}  // namespace

int ReadModbusTables(const IniDocument& tpl, const std::string& fileName,
                     ModbusTemplateTables& tables, IMessages& messages) {
  FieldReader reader(tpl, fileName, messages);
  ReadTable(reader, kTS, tables.TS);
  for (int i = 0; i < kModbusRows; ++i) {
    ModbusTIRow& row = tables.TI[static_cast<std::size_t>(i)];
    row.Type = reader.Byte(kTI.Section, RowKey(i + 1, "_Тип"), 0);
    row.Address = reader.Word(kTI.Section, RowKey(i + 1, "_Адрес"), 0);
    row.Count = reader.Byte(kTI.Section, RowKey(i + 1, "_Количество"), 0);
    row.Function = reader.Byte(kTI.Section, RowKey(i + 1, "_Функция"), kTI.DefaultFunction);
  }
  ReadTable(reader, kTR, tables.TR);
  ReadTable(reader, kTU, tables.TU);
  tables.TimeAddress = reader.Word(kTimeSection, "1_Адрес", 0);
  reader.String(kTimeSection, "1_Строка", tables.TimeString);
  reader.Log(kEventLogSection, tables.EventLog);
  reader.Log(kAlarmLogSection, tables.AlarmLog);
  return reader.Refused();
}

int ReadModbusTemplate(const IniDocument& tpl, const std::string& fileName, TRTU& device,
                       IMessages& messages) {
  ModbusTemplateTables tables;
  const int refused = ReadModbusTables(tpl, fileName, tables, messages);
  device.TS = tables.TS;
  device.TU = tables.TU;
  device.TI = tables.TI;
  device.TR = tables.TR;
  device.TimeAddress = tables.TimeAddress;
  device.TimeString = std::move(tables.TimeString);
  device.EventLog = std::move(tables.EventLog);
  device.AlarmLog = std::move(tables.AlarmLog);
  return refused;
}

bool SaveModbusTemplate(TemplateLibrary& library, TRTU& device, const std::string& name,
                        IMessages& messages) {
  std::optional<TemplateLibrary::SaveTarget> target =
      library.PrepareSave(name, "Файл уже существует.\rПереписать настройку?", messages);
  if (!target) return false;

  IniDocument& doc = target->Doc;
  for (std::string_view section :
       {std::string_view("Устройства"), kTS.Section, kTU.Section, kTI.Section, kTR.Section,
        kTimeSection, kEventLogSection, kAlarmLogSection})
    doc.EraseSection(section);
  // PrepareSave checked the name, so it is a key that reads back.
  bool ok = doc.WriteString("Устройства", target->Name, "");

  for (int i = 0; i < kModbusRows; ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (device.TS[at].Count != 0) ok = WriteRow(doc, kTS, i + 1, device.TS[at]) && ok;
  }
  for (int i = 0; i < kModbusRows; ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (device.TU[at].Count != 0) ok = WriteRow(doc, kTU, i + 1, device.TU[at]) && ok;
  }
  for (int i = 0; i < kModbusRows; ++i) {
    const ModbusTIRow& r = device.TI[static_cast<std::size_t>(i)];
    if (r.Count == 0) continue;
    ok = doc.WriteInteger(kTI.Section, RowKey(i + 1, "_Тип"), r.Type) && ok;
    ok = WriteRow(doc, kTI, i + 1, ModbusRow{r.Function, r.Address, r.Count}) && ok;
  }
  for (int i = 0; i < kModbusRows; ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (device.TR[at].Count != 0) ok = WriteRow(doc, kTR, i + 1, device.TR[at]) && ok;
  }
  if (!device.TimeString.empty()) {
    ok = doc.WriteString(kTimeSection, "1_Адрес", Hex4(device.TimeAddress)) && ok;
    ok = doc.WriteString(kTimeSection, "1_Строка", device.TimeString) && ok;
  }
  ok = WriteLog(doc, kEventLogSection, device.EventLog) && ok;
  ok = WriteLog(doc, kAlarmLogSection, device.AlarmLog) && ok;
  if (!ok) {
    // Only a line break inside a string field gets here: it would split the file's line.
    messages.Error(
        "Строки параметров устройства не могут содержать перевод строки. В записи отказано.");
    return false;
  }
  for (const TableInfo* table : {&kTS, &kTU, &kTI, &kTR}) {
    if (const std::string bad = WriteNames(doc, device, *table); !bad.empty()) {
      messages.Error("Имя сигнала " + bad + " не может быть записано в шаблон. В записи отказано.");
      return false;
    }
  }

  const std::string typeName = target->Name;
  if (!library.CommitSave(std::move(*target), messages)) return false;
  device.SetName(typeName);
  device.UpdateCaption();
  return true;
}

bool DeleteModbusTemplate(TemplateLibrary& library, const std::string& name, IMessages& messages) {
  return library.DeleteTemplate(name, messages);
}

}  // namespace vilk
