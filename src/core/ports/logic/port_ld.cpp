#include "ports/logic/port_ld.h"

#include <algorithm>
#include <unordered_set>

#include "base/format.h"
#include "model/configuration.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

TPortLD::TPortLD(Configuration& config) : TPort(config) {
  Kind = kPortLD;
  SetName("дискретной логики");
  Number = 1;
  ImageIndex = 0;
  SetIcon(0);
  Menu = PopupMenu::Delete;
  UpdateCaption();
}

TPortLD::~TPortLD() = default;

TParams* TPortLD::OwnList() const {
  for (int i = 0; i < ChildCount(); ++i)
    if (TParams* l = Child(i)->AsParams();
        l && l->SignalKind == kKindTS && l->ListRole == kRoleOwn && !l->IsKept())
      return l;
  return nullptr;
}

TParam* TPortLD::OutputSignal(int task) const {
  const TParams* list = OwnList();
  return list && task >= 0 && task < list->Count() ? list->At(task) : nullptr;
}

std::string TPortLD::PortText() const {
  return Format("%d_Порт", Number);
}

int TPortLD::PoolIndex(const TLD& contact) const {
  return contact.Signal ? Storage().IndexOf(kKindTS, contact.Signal.get()) : -1;
}

int TPortLD::TaskAtRow(int row) const {
  // Tasks are stacked in order: a binary search over their first rows.
  auto it = std::upper_bound(Tasks.begin(), Tasks.end(), row,
                             [](int r, const std::unique_ptr<TTaskLD>& t) { return r < t->Row; });
  if (it == Tasks.begin()) return -1;
  const int i = static_cast<int>(it - Tasks.begin()) - 1;
  const TTaskLD& t = *Tasks[static_cast<std::size_t>(i)];
  return row < t.Row + t.Height ? i : -1;
}

int TPortLD::TaskOf(const TBaseLD* element) const {
  if (!element) return -1;
  while (element->Parent) element = element->Parent;
  for (std::size_t i = 0; i < Tasks.size(); ++i)
    if (Tasks[i]->Output.get() == element) return static_cast<int>(i);
  return -1;
}

TBaseLD* TPortLD::ElementAt(int column, int row) const {
  const int t = TaskAtRow(row);
  return t < 0 ? nullptr : vilk::ElementAt(*Tasks[static_cast<std::size_t>(t)], column, row);
}

bool TPortLD::Layout() {
  int width = GridWidth;
  const int rows = LayoutTasks(Tasks, width);
  GridWidth = width;
  GridRows = rows;
  return Fits();
}

TPortLD::Snapshot TPortLD::Take() const {
  Snapshot s;
  s.tasks.reserve(Tasks.size());
  for (const auto& t : Tasks) s.tasks.push_back(t->Clone());
  s.names = OutputNames;
  s.gridWidth = GridWidth;
  return s;
}

void TPortLD::Restore(Snapshot snapshot) {
  Tasks = std::move(snapshot.tasks);
  OutputNames = std::move(snapshot.names);
  GridWidth = snapshot.gridWidth;
  Layout();
}

bool TPortLD::Commit(Snapshot& before) {
  ClearSelection();
  const int oldRows = GridRows, oldWidth = GridWidth;
  if (Layout() || (GridRows <= oldRows && GridWidth <= oldWidth)) return true;
  const int rows = GridRows, width = GridWidth;
  Restore(std::move(before));
  Config().Messages().Error(
      Format("Порт %s: программа не помещается в сетку %d × %d (нужно столбцов %d, строк %d)",
             Caption(), kLdGridLimit, kLdGridLimit, width, rows));
  return false;
}

std::string TPortLD::FreshOutputName() const {
  std::unordered_set<std::string> used(OutputNames.begin(), OutputNames.end());
  const TParams& pool = Storage().List(kKindTS);
  std::unordered_set<std::string> names;
  names.reserve(static_cast<std::size_t>(pool.Count()) * 2);
  for (const TParam* s : pool.Items)
    if (s) {
      names.insert(s->Name());
      names.insert(s->DefaultName());
    }
  if (const TParams* own = OwnList())
    for (const TParam* s : own->Items)
      if (s) names.insert(s->Name());
  const std::string prefix = PortText() + ".";
  for (int n = 0;; ++n) {
    std::string name = Format("Пр_%d", n);
    if (!used.count(name) && !names.count(prefix + name)) return name;
  }
}

TTaskLD* TPortLD::AddTask() {
  if (TaskCount() >= kLdMaxTasks) {
    Config().Messages().Error(
        Format("Порт %s: задач не может быть больше %d", Caption(), kLdMaxTasks));
    return nullptr;
  }
  Snapshot before = Take();
  Storage().ForceRebuild();
  OutputNames.push_back(FreshOutputName());
  Tasks.push_back(std::make_unique<TTaskLD>(GridWidth));
  if (!Commit(before)) return nullptr;
  UpdateSignalList();
  return Tasks.back().get();
}

TLD* TPortLD::AddContact(int column, int row) {
  const int t = TaskAtRow(row);
  if (t < 0 || column < 0) return nullptr;
  TTaskLD& task = *Tasks[static_cast<std::size_t>(t)];
  if (!task.Kept.empty() || column >= task.Output->Column) return nullptr;
  Snapshot before = Take();
  TLD* made = InsertContact(*Tasks[static_cast<std::size_t>(t)]->Line, column, row);
  return Commit(before) ? made : nullptr;
}

bool TPortLD::CanBridge() const {
  int from = 0, to = 0;
  return RangeFirst && RangeLast && CommonLine(RangeFirst, RangeLast, &from, &to) != nullptr;
}

TLD* TPortLD::BridgeSelection() {
  int from = 0, to = 0;
  if (!RangeFirst || !RangeLast) return nullptr;
  TLine* line = CommonLine(RangeFirst, RangeLast, &from, &to);
  if (!line) return nullptr;
  Snapshot before = Take();
  TLD* made = Bridge(*line, from, to);
  return Commit(before) ? made : nullptr;
}

void TPortLD::DeleteSelected() {
  bool removedTask = false;
  for (std::size_t i = 0; i < Tasks.size();) {
    TTaskLD& task = *Tasks[i];
    if (task.Output->Selected() &&
        Config().Messages().Question("Удалить задачу?", false) == Answer::Yes) {
      Tasks.erase(Tasks.begin() + static_cast<std::ptrdiff_t>(i));
      OutputNames.erase(OutputNames.begin() + static_cast<std::ptrdiff_t>(i));
      removedTask = true;
      continue;
    }
    if (task.Kept.empty()) TidyLine(*task.Line);
    ++i;
  }
  ClearSelection();
  Layout();
  if (removedTask) UpdateSignalList();
}

void TPortLD::DuplicateSelected() {
  std::vector<const TTaskLD*> chosen;
  for (const auto& t : Tasks)
    if (t->Output->Selected()) chosen.push_back(t.get());
  if (chosen.empty()) return;
  if (TaskCount() + static_cast<int>(chosen.size()) > kLdMaxTasks) {
    Config().Messages().Error(
        Format("Порт %s: задач не может быть больше %d", Caption(), kLdMaxTasks));
    return;
  }
  Snapshot before = Take();
  Storage().ForceRebuild();
  for (const TTaskLD* t : chosen) {
    OutputNames.push_back(FreshOutputName());
    Tasks.push_back(t->Clone());
  }
  if (Commit(before)) UpdateSignalList();
}

TTaskLD* TPortLD::PasteTask(const TTaskLD& task) {
  if (TaskCount() >= kLdMaxTasks) {
    Config().Messages().Error(
        Format("Порт %s: задач не может быть больше %d", Caption(), kLdMaxTasks));
    return nullptr;
  }
  Snapshot before = Take();
  Storage().ForceRebuild();
  OutputNames.push_back(FreshOutputName());
  Tasks.push_back(task.Clone());
  if (!Commit(before)) return nullptr;
  UpdateSignalList();
  return Tasks.back().get();
}

void TPortLD::ToggleInverseSelected() {
  for (auto& t : Tasks) {
    if (!t->Kept.empty()) continue;
    if (t->Output->Selected()) t->Output->Inverse = !t->Output->Inverse;
    ForEachContact(*t->Line, [](TLD& c) {
      if (c.Selected()) c.Inverse = !c.Inverse;
    });
  }
}

bool TPortLD::SetSignal(TLD& contact, TParam* signal) {
  if (contact.ElementType() != TBaseLD::Type::Contact) return false;
  if (signal && signal->Kind != kKindTS) {
    Config().Messages().Error(Format("Порт %s: контакт читает только сигналы %s", Caption(),
                                     SignalKindOf(kKindTS)->Caption));
    return false;
  }
  contact.Signal = SignalRef::Share(signal);
  contact.LoadedNumber = -1;
  return true;
}

bool TPortLD::RenameOutput(int task, const std::string& shortName) {
  TParam* own = OutputSignal(task);
  if (!own || shortName.empty()) return false;
  TParam probe(kKindTS);
  probe.Prefix = own->Prefix;
  TParams::SetShortName(probe, shortName);
  const std::string& full = probe.Name();
  Storage().ForceRebuild();
  for (const TParam* s : Storage().List(kKindTS).Items)
    if (s && s != own && s->Name() == full) return false;
  if (const TParams* list = OwnList())
    for (const TParam* s : list->Items)
      if (s && s != own && s->Name() == full) return false;
  own->SetName(full);
  Storage().RebuildPool();
  return true;
}

void TPortLD::ClearProgram() {
  Tasks.clear();
  OutputNames.clear();
  GridWidth = kLdNewGridWidth;
  ClearSelection();
  Layout();
  UpdateSignalList();
}

void TPortLD::ClearSelection() {
  Anchor = RangeFirst = RangeLast = nullptr;
  RangeRow = RangeFromColumn = RangeToColumn = -1;
  for (auto& t : Tasks) {
    t->Output->Flags &= static_cast<std::uint8_t>(~kLdSelected);
    t->Line->Flags &= static_cast<std::uint8_t>(~kLdSelected);
    ForEachElement(*t->Line, [](const TBaseLD& e) {
      const_cast<TBaseLD&>(e).Flags &= static_cast<std::uint8_t>(~kLdSelected);
    });
    for (auto& f : t->Line->CellFlags) f &= static_cast<std::uint8_t>(~kLdSelected);
  }
}

void TPortLD::Select(TBaseLD* element, bool toggle) {
  if (!toggle) ClearSelection();
  if (!element) return;
  if (toggle)
    element->Flags ^= kLdSelected;
  else
    element->Flags |= kLdSelected;
  Anchor = element;
  RangeFirst = RangeLast = nullptr;
}

void TPortLD::SelectRange(int column, int row) {
  if (!Anchor || Anchor->Row != row) return;
  const int t = TaskAtRow(row);
  if (t < 0) return;
  const TTaskLD& task = *Tasks[static_cast<std::size_t>(t)];
  TBaseLD* anchor = Anchor;
  ClearSelection();
  Anchor = anchor;
  const int a = std::min(anchor->Column, column);
  const int b = std::min(std::max(anchor->Column, column), task.Output->Column - 1);
  RangeRow = row;
  RangeFromColumn = a;
  RangeToColumn = b;
  for (int c = a; c <= b; ++c) {
    TBaseLD* e = vilk::ElementAt(task, c, row);
    if (!e) continue;
    e->Flags |= kLdSelected;
    if (e->IsContact()) {
      if (!RangeFirst) RangeFirst = e;
      RangeLast = e;
    }
  }
}

void TPortLD::UpdateCaption() {
  SetCaption(Format("%d_Порт %s", Number, Name()));
}

void TPortLD::UpdateSignalList() {
  UpdateCaption();
  TParams* list = OwnList();
  if (Tasks.empty()) {
    if (list) Config().Remove(list);
  } else {
    if (!list)
      list = Config().Insert(this, 0, MakeParams(Config(), kKindTS, kRoleOwn, this))->AsParams();
    list->Rebuild(NameListSource(OutputNames), 0, PortText());
  }
  Storage().RebuildPool();
}

void TPortLD::AfterLoad() {
  TPort::AfterLoad();
  int missing = 0;
  for (auto& t : Tasks) {
    if (!t->Kept.empty()) continue;
    ForEachContact(*t->Line, [&](TLD& c) {
      if (c.LoadedNumber >= 0) {
        c.Signal = Storage().AcquireByIndex(kKindTS, c.LoadedNumber);
        if (!c.Signal) ++missing;
      }
      c.LoadedNumber = -1;
    });
  }
  if (missing)
    Config().Messages().Error(
        Format("Порт %s: контактов, читающих сигналы, которых нет в списке сигналов: %d; они "
               "сохранятся без сигнала (-1)",
               Caption(), missing));
}

}  // namespace vilk
