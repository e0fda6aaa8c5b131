#include "signals/csv.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <unordered_set>

#include "base/files.h"
#include "base/format.h"
#include "base/text.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "signals/list_edit.h"
#include "signals/storage.h"

namespace vilk {

namespace {

const char* const kColNumber = "№";
const char* const kColName = "Имя параметра";
const char* const kColAddress = "Адрес";
const char* const kColKind = "Вид";
const char* const kColInverted = "Инверсия";
const char* const kColType = "Тип";
const char* const kColGain = "Множитель";
const char* const kColOffset = "Смещение";
const char* const kColGroup = "Группа";
const char* const kColBlockOn = "Блокировка ТУ_В";
const char* const kColBlockOff = "Блокировка ТУ_О";

const char* const kTypeTexts[3] = {"Однопозиционный", "Двухпозиционный",
                                   "Двухпозиционный (второй)"};

// The shortest "%g" text that reads back as the same float, with "," as the decimal mark.
std::string FloatText(float value) {
  std::string text;
  for (int digits = 6; digits <= 9; ++digits) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*g", digits, static_cast<double>(value));
    text = buf;
    if (std::strtof(text.c_str(), nullptr) == value) break;
  }
  for (char& c : text)
    if (c == '.') c = ',';
  return text;
}

std::string Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

std::optional<int> ParseIndex(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool IsOwn(const TParams& list) {
  return list.ListRole == kRoleOwn;
}

std::vector<std::string> Columns(const TParams& list) {
  std::vector<std::string> cols{kColNumber};
  if (list.ListRole == kRoleSelection) {
    cols.insert(cols.end(), {kColAddress, kColKind});
  } else if (IsOwn(list)) {
    if (list.SignalKind == kKindTS) cols.insert(cols.end(), {kColInverted, kColType});
    if (list.SignalKind == kKindTI) cols.insert(cols.end(), {kColGain, kColOffset, kColGroup});
    if (list.SignalKind == kKindTU) cols.insert(cols.end(), {kColBlockOn, kColBlockOff});
  }
  cols.emplace_back(kColName);
  return cols;
}

const TProc* ProcOfList(const TParams& list) {
  return list.Config().Controller().Proc();
}

}  // namespace

std::vector<CsvRecord> ListToRecords(const TParams& list) {
  const std::vector<std::string> cols = Columns(list);
  std::vector<CsvRecord> records;
  records.reserve(static_cast<std::size_t>(list.Count()) + 1);
  records.push_back(cols);
  const std::string kind = list.Info().Caption;
  for (int i = 0; i < list.Count(); ++i) {
    const TParam* s = list.At(i);
    CsvRecord r;
    r.reserve(cols.size());
    for (const std::string& col : cols) {
      if (col == kColNumber)
        r.push_back(Format("%d", i));
      else if (col == kColName)
        r.push_back(s ? s->Name() : std::string());
      else if (col == kColAddress)
        r.push_back(list.Owner ? Trimmed(list.Owner->ChannelName(list, i)) : std::string());
      else if (col == kColKind)
        r.push_back(kind);
      else if (!s)
        r.emplace_back();
      else if (col == kColInverted)
        r.push_back(s->Inverted ? "Вкл" : "");
      else if (col == kColType)
        r.push_back(kTypeTexts[s->TSType < 3 ? s->TSType : 0]);
      else if (col == kColGain)
        r.push_back(FloatText(s->Gain));
      else if (col == kColOffset)
        r.push_back(FloatText(s->Offset));
      else if (col == kColGroup)
        r.push_back(s->Group);
      else if (col == kColBlockOn)
        r.push_back(s->BlockOn ? s->BlockOn->Name() : std::string());
      else if (col == kColBlockOff)
        r.push_back(s->BlockOff ? s->BlockOff->Name() : std::string());
    }
    records.push_back(std::move(r));
  }
  return records;
}

std::string ExportListCsv(const TParams& list) {
  return WriteCsv(ListToRecords(list));
}

namespace {

struct Planner {
  const TParams& list;
  CsvImportPlan plan;
  std::unordered_map<std::string, int> col;  // column name -> field index
  std::vector<bool> headed;                  // which fields have a column name

  void Fail(CsvRowPlan& row, std::string reason) {
    if (row.Result == CsvRowResult::Error) return;  // the first reason stands
    row.Result = CsvRowResult::Error;
    row.Reason = std::move(reason);
  }

  const std::string* Field(const CsvRecord& r, const char* name) const {
    auto it = col.find(name);
    if (it == col.end()) return nullptr;
    static const std::string kEmpty;
    return static_cast<std::size_t>(it->second) < r.size()
               ? &r[static_cast<std::size_t>(it->second)]
               : &kEmpty;
  }

  bool ReadHeader(const CsvRecord& header) {
    const std::vector<std::string> allowed = Columns(list);
    std::unordered_set<std::string> known(allowed.begin(), allowed.end());
    for (std::size_t i = 0; i < header.size(); ++i) {
      std::string name = Trimmed(header[i]);
      headed.push_back(!name.empty());
      if (name.empty()) continue;  // spreadsheets leave blank columns behind
      if (!known.count(name)) {
        plan.Error = Format("Столбец «%s» не относится к списку %s.", name, list.Info().Caption);
        return false;
      }
      if (!col.emplace(name, static_cast<int>(i)).second) {
        plan.Error = Format("Столбец «%s» указан дважды.", name);
        return false;
      }
    }
    if (!col.count(kColName)) {
      plan.Error = Format("В файле нет столбца «%s».", kColName);
      return false;
    }
    if (!col.count(kColNumber) && !(list.ListRole == kRoleSelection && col.count(kColAddress))) {
      plan.Error = Format("В файле нет столбца «%s».", kColNumber);
      return false;
    }
    return true;
  }

  // The row a CSV record names, from "№" or, in a selection list, from "Адрес".
  int Position(const CsvRecord& r, CsvRowPlan& row,
               const std::unordered_map<std::string, int>& byAddress) {
    const std::string* number = Field(r, kColNumber);
    if (number && !Trimmed(*number).empty()) {
      auto index = ParseIndex(Trimmed(*number));
      if (!index) {
        Fail(row, Format("номер строки «%s» не число", *number));
        return -1;
      }
      return *index;
    }
    const std::string* address = Field(r, kColAddress);
    if (address && !Trimmed(*address).empty()) {
      auto it = byAddress.find(Trimmed(*address));
      if (it == byAddress.end()) {
        Fail(row, Format("адрес «%s» вне диапазона", *address));
        return -1;
      }
      return it->second;
    }
    Fail(row, "не указан номер строки");
    return -1;
  }

  void PlanOwnRow(const CsvRecord& r, CsvRowPlan& row,
                  const std::unordered_set<std::string>& groups) {
    const TParam* s = list.At(row.Position);
    if (!s) {
      Fail(row, "строка списка пуста");
      return;
    }
    row.Name = s->Name();
    bool changed = false;
    if (const std::string* name = Field(r, kColName); name && !Trimmed(*name).empty()) {
      std::string text = Trimmed(*name);
      std::string full = text;
      if (!s->Prefix.empty() && text.rfind(s->Prefix + ".", 0) != 0) full = s->Prefix + "." + text;
      full = TParam::Cut(full);
      if (full != s->Name()) {
        if (s->Fixed) return Fail(row, "имя этого сигнала не изменяется");
        row.SetName = true;
        row.NewName = full;
        row.Name = full;
        changed = true;
      }
    }
    if (const std::string* inv = Field(r, kColInverted)) {
      const std::string v = FoldCase(Trimmed(*inv));
      std::uint8_t value;
      if (v.empty() || v == "0" || v == "нет" || v == "откл")
        value = 0;
      else if (v == FoldCase("Вкл") || v == "1" || v == "да")
        value = 4;
      else
        return Fail(row, Format("инверсия «%s» вне допустимых значений (Вкл или пусто)", *inv));
      if ((value != 0) != (s->Inverted != 0)) {
        if (s->Fixed) return Fail(row, "инверсия этого сигнала не изменяется");
        row.SetInverted = true;
        row.Inverted = value;
        changed = true;
      }
    }
    if (const std::string* type = Field(r, kColType); type && !Trimmed(*type).empty()) {
      const std::string v = FoldCase(Trimmed(*type));
      int value = -1;
      for (int t = 0; t < 3; ++t)
        if (v == FoldCase(kTypeTexts[t]) || v == Format("%d", t)) value = t;
      if (value < 0) return Fail(row, Format("тип «%s» вне допустимых значений", *type));
      if (value != s->TSType) {
        if (s->Fixed) return Fail(row, "тип этого сигнала не изменяется");
        row.SetType = true;
        row.Type = static_cast<std::uint8_t>(value);
        changed = true;
      }
    }
    auto number = [&](const char* colName, float current, bool& set, float& out) {
      const std::string* text = Field(r, colName);
      if (!text) return true;
      const std::string v = Trimmed(*text);
      float value = 0;
      if (!v.empty()) {
        auto parsed = ParseNumber(v);
        if (!parsed) {
          Fail(row, Format("%s «%s» не число", FoldCase(colName), *text));
          return false;
        }
        if (!std::isfinite(*parsed) || std::fabs(*parsed) > FLT_MAX) {
          Fail(row, Format("%s «%s» вне диапазона", FoldCase(colName), *text));
          return false;
        }
        value = static_cast<float>(*parsed);
      }
      if (value != current) {
        set = true;
        out = value;
        changed = true;
      }
      return true;
    };
    if (!number(kColGain, s->Gain, row.SetGain, row.Gain)) return;
    if (!number(kColOffset, s->Offset, row.SetOffset, row.Offset)) return;
    if (const std::string* group = Field(r, kColGroup)) {
      const std::string g = Trimmed(*group);
      if (!g.empty() && !groups.count(g)) return Fail(row, Format("неизвестная группа «%s»", g));
      if (g != s->Group) {
        row.SetGroup = true;
        row.Group = g;
        changed = true;
      }
    }
    const std::string* on = Field(r, kColBlockOn);
    const std::string* off = Field(r, kColBlockOff);
    if (on || off) {
      TStorage& pool = list.Storage();
      std::string onName = on ? Trimmed(*on) : (s->BlockOn ? s->BlockOn->Name() : "");
      std::string offName = off ? Trimmed(*off) : (s->BlockOff ? s->BlockOff->Name() : "");
      for (const std::string& n : {onName, offName})
        if (!n.empty() && !pool.FindByName(kKindTS, n))
          return Fail(row, Format("неизвестное имя ТС «%s»", n));
      const std::string curOn = s->BlockOn ? s->BlockOn->Name() : "";
      const std::string curOff = s->BlockOff ? s->BlockOff->Name() : "";
      if (onName != curOn || offName != curOff) {
        row.SetBlocking = true;
        row.BlockOn = onName;
        row.BlockOff = offName;
        changed = true;
      }
    }
    if (changed) row.Result = CsvRowResult::Changed;
  }

  // Names must stay unique within the kind: in the list after the import and against the
  // pool signals of other lists.
  void CheckOwnNames() {
    std::unordered_set<const TParam*> members(list.Items.begin(), list.Items.end());
    std::unordered_set<std::string> outside;
    const TParams& poolList = list.Storage().List(list.SignalKind);
    for (const TParam* p : poolList.Items)
      if (p && !members.count(p)) outside.insert(p->Name());
    std::vector<const std::string*> finalName(static_cast<std::size_t>(list.Count()), nullptr);
    for (int i = 0; i < list.Count(); ++i)
      if (const TParam* s = list.At(i)) finalName[static_cast<std::size_t>(i)] = &s->Name();
    for (const CsvRowPlan& row : plan.Rows)
      if (row.Result == CsvRowResult::Changed && row.SetName)
        finalName[static_cast<std::size_t>(row.Position)] = &row.NewName;
    std::unordered_map<std::string_view, int> count;
    for (const std::string* n : finalName)
      if (n && !n->empty()) ++count[*n];
    for (CsvRowPlan& row : plan.Rows) {
      if (row.Result != CsvRowResult::Changed || !row.SetName) continue;
      if (outside.count(row.NewName))
        Fail(row, Format("повтор имени «%s»: так назван сигнал другого списка", row.NewName));
      else if (count[row.NewName] > 1)
        Fail(row, Format("повтор имени «%s» в списке", row.NewName));
    }
  }

  // A double-point signal is a pair: type 1 followed by type 2, never at the last row.
  void CheckTypes() {
    std::vector<std::uint8_t> type(static_cast<std::size_t>(list.Count()), 0);
    std::vector<CsvRowPlan*> planned(type.size(), nullptr);
    for (int i = 0; i < list.Count(); ++i)
      if (const TParam* s = list.At(i)) type[static_cast<std::size_t>(i)] = s->TSType;
    for (CsvRowPlan& row : plan.Rows)
      if (row.Result == CsvRowResult::Changed && row.SetType) {
        type[static_cast<std::size_t>(row.Position)] = row.Type;
        planned[static_cast<std::size_t>(row.Position)] = &row;
      }
    const std::size_t n = type.size();
    for (std::size_t i = 0; i < n; ++i) {
      const bool broken = (type[i] == 1 && (i + 1 >= n || type[i + 1] != 2)) ||
                          (type[i] == 2 && (i == 0 || type[i - 1] != 1));
      if (!broken) continue;
      CsvRowPlan* row = planned[i] ? planned[i] : i + 1 < n ? planned[i + 1] : nullptr;
      if (!row && i > 0) row = planned[i - 1];
      if (row) Fail(*row, "двухпозиционный ТС должен идти парой строк (тип и «второй»)");
    }
  }

  void PlanSelectionRow(const CsvRecord& r, CsvRowPlan& row, std::vector<const TParam*>& entries) {
    if (const std::string* kind = Field(r, kColKind); kind && !Trimmed(*kind).empty()) {
      if (Trimmed(*kind) != list.Info().Caption)
        return Fail(row, Format("вид «%s» не совпадает со списком %s", *kind, list.Info().Caption));
    }
    const std::string name = Trimmed(*Field(r, kColName));
    row.Name = name;
    const TParam* current = row.Position < list.Count() ? list.At(row.Position) : nullptr;
    if (current && current->Name() == name) return;  // unchanged, placeholder or not
    if (!current && name.empty() && row.Position < list.Count()) return;
    TParam* signal = nullptr;
    if (!name.empty()) {
      signal = list.Storage().FindByName(list.SignalKind, name);
      if (!signal) return Fail(row, Format("неизвестное имя «%s»", name));
    }
    row.Signal = signal;
    row.Result = CsvRowResult::Changed;
    if (static_cast<std::size_t>(row.Position) >= entries.size())
      entries.resize(static_cast<std::size_t>(row.Position) + 1, nullptr);
    entries[static_cast<std::size_t>(row.Position)] = signal;
  }

  void CheckSelectionRepeats(const std::vector<const TParam*>& entries) {
    std::unordered_map<const TParam*, std::vector<int>> at;
    for (std::size_t i = 0; i < entries.size(); ++i)
      if (entries[i]) at[entries[i]].push_back(static_cast<int>(i));
    for (CsvRowPlan& row : plan.Rows) {
      if (row.Result != CsvRowResult::Changed || !row.Signal) continue;
      const std::vector<int>& rows = at[row.Signal];
      if (rows.size() < 2) continue;
      const int other = rows[0] == row.Position ? rows[1] : rows[0];
      Fail(row, Format("повтор: «%s» уже в списке (№ %d)", row.Name, other));
    }
  }

  void Run(std::string_view csvText) {
    CsvText text = ParseCsv(csvText);
    if (!text.Error.empty()) {
      plan.Error = text.Error;
      return;
    }
    if (text.Records.empty()) {
      plan.Error = "Файл пуст: нет строки заголовка.";
      return;
    }
    if (!ReadHeader(text.Records[0])) return;
    if (list.ListRole != kRoleSelection && !IsOwn(list)) {
      plan.Error = "Список пула сигналов не загружается из файла.";
      return;
    }

    std::unordered_map<std::string, int> byAddress;
    if (list.ListRole == kRoleSelection && col.count(kColAddress) && list.Owner)
      for (int i = 0; i < kMaxSignals; ++i)
        byAddress.emplace(Trimmed(list.Owner->ChannelName(list, i)), i);
    std::unordered_set<std::string> groups;
    if (const TProc* proc = ProcOfList(list))
      for (const SporadicGroup& g : proc->Groups) groups.insert(g.Name);

    std::vector<const TParam*> entries(list.Items.begin(), list.Items.end());
    std::unordered_map<int, int> seen;  // position -> line
    plan.Rows.reserve(text.Records.size());
    for (std::size_t k = 1; k < text.Records.size(); ++k) {
      const CsvRecord& r = text.Records[k];
      CsvRowPlan row;
      row.Line = text.Lines[k];
      // A value under no column would be passed over: say so instead.
      for (std::size_t f = 0; f < r.size(); ++f) {
        const bool underColumn = f < headed.size() && headed[f];
        if (!underColumn && !Trimmed(r[f]).empty()) {
          Fail(row, Format("значение «%s» в столбце без заголовка", r[f]));
          break;
        }
      }
      row.Position = Position(r, row, byAddress);
      if (row.Result != CsvRowResult::Error) {
        const int limit = IsOwn(list) ? list.Count() : kMaxSignals;
        if (row.Position >= limit) {
          Fail(row, IsOwn(list)
                        ? Format("строки № %d нет: в списке %d строк", row.Position, list.Count())
                        : Format("№ %d вне диапазона 0..%d", row.Position, kMaxSignals - 1));
        } else if (auto [it, fresh] = seen.emplace(row.Position, row.Line); !fresh) {
          Fail(row, Format("повтор строки № %d (уже в строке %d файла)", row.Position, it->second));
        } else if (IsOwn(list)) {
          PlanOwnRow(r, row, groups);
        } else {
          PlanSelectionRow(r, row, entries);
        }
      }
      plan.Rows.push_back(std::move(row));
    }
    if (IsOwn(list)) {
      CheckOwnNames();
      if (list.SignalKind == kKindTS) CheckTypes();
    } else {
      CheckSelectionRepeats(entries);
    }
    for (const CsvRowPlan& row : plan.Rows) {
      if (row.Result == CsvRowResult::Changed) ++plan.Changed;
      if (row.Result == CsvRowResult::Unchanged) ++plan.Unchanged;
      if (row.Result == CsvRowResult::Error) ++plan.Errors;
    }
  }
};

}  // namespace

CsvImportPlan PlanListImportFile(const TParams& list, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (const ReadResult r = ReadFileLimited(path, kMaxCsvFileSize, bytes); r != ReadResult::Ok) {
    CsvImportPlan plan;
    plan.Error = DescribeReadFailure(r, path);
    return plan;
  }
  CsvImportPlan plan = PlanListImport(
      list, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!plan.Error.empty()) plan.Error = path + ": " + plan.Error;
  return plan;
}

CsvImportPlan PlanListImport(const TParams& list, std::string_view csvText) {
  Planner planner{list, {}, {}, {}};
  planner.Run(csvText);
  return std::move(planner.plan);
}

int ApplyListImport(TParams& list, const CsvImportPlan& plan, bool skipErrors) {
  if (!plan.Error.empty() || (plan.Errors && !skipErrors)) return 0;
  int applied = 0;
  TStorage& pool = list.Storage();
  for (const CsvRowPlan& row : plan.Rows) {
    if (row.Result != CsvRowResult::Changed) continue;
    ++applied;
    if (list.ListRole == kRoleSelection) {
      while (list.Count() <= row.Position) list.Items.push_back(new TParam(list.SignalKind));
      TParam*& slot = list.Items[static_cast<std::size_t>(row.Position)];
      SignalRef::Drop(slot);
      slot = row.Signal ? SignalRef::Share(row.Signal).Detach() : new TParam(list.SignalKind);
      continue;
    }
    TParam* s = list.At(row.Position);
    if (row.SetName) s->SetName(row.NewName);
    if (row.SetInverted) s->Inverted = row.Inverted;
    if (row.SetType) s->TSType = row.Type;
    if (row.SetGain) s->Gain = row.Gain;
    if (row.SetOffset) s->Offset = row.Offset;
    if (row.SetGroup) s->SetGroup(row.Group);
    if (row.SetGain || row.SetOffset || row.SetGroup) s->ValueFormat = 4;
    if (row.SetBlocking) {
      s->BlockOn = row.BlockOn.empty() ? nullptr : pool.AcquireByName(kKindTS, row.BlockOn);
      s->BlockOff = row.BlockOff.empty() ? nullptr : pool.AcquireByName(kKindTS, row.BlockOff);
    }
  }
  return applied;
}

std::string DescribeRow(const CsvRowPlan& row) {
  std::string where = row.Position >= 0 ? Format("Строка %d (№ %d)", row.Line, row.Position)
                                        : Format("Строка %d", row.Line);
  switch (row.Result) {
    case CsvRowResult::Changed:
      return where + ": изменяется: " + row.Name;
    case CsvRowResult::Unchanged:
      return where + ": без изменений: " + row.Name;
    case CsvRowResult::Error:
      break;
  }
  return where + ": ошибка: " + row.Reason;
}

std::string DescribePlan(const CsvImportPlan& plan) {
  if (!plan.Error.empty()) return plan.Error + "\n";
  std::string out;
  for (const CsvRowPlan& row : plan.Rows) out += DescribeRow(row) + "\n";
  out += Format("Изменяется строк: %d, без изменений: %d, с ошибками: %d.\n", plan.Changed,
                plan.Unchanged, plan.Errors);
  return out;
}

}  // namespace vilk
