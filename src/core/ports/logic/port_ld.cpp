#include "ports/logic/port_ld.h"

#include <algorithm>
#include <unordered_set>

#include "base/format.h"
#include "model/configuration.h"
#include "model/record.h"
#include "ports/logic/ladder_text.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyNumber = 1, kKeyCount = 20, kKeyInverse = 43, kKeySignal = 41;
constexpr std::uint16_t kNoSignal = 0xFFFF;

// End of the block whose header is at `header`, never beyond its parent's end.
std::size_t BlockEnd(const TConfig& cfg, std::size_t header, std::size_t parentEnd) {
  const std::size_t len = const_cast<TConfig&>(cfg).Image().U32(header + 4);
  return len >= 8 && len <= parentEnd - header ? header + len : parentEnd;
}
std::vector<std::uint8_t> BytesOf(TConfig& cfg, std::size_t from, std::size_t to) {
  const std::uint8_t* data = cfg.Image().Data();
  return std::vector<std::uint8_t>(data + from, data + to);
}
bool Newer(TConfig& cfg) {
  std::uint8_t v = 1;
  return cfg.ReadScalar(kVersionKey, v) && v > 1;
}

// What one load of a program met, said once at its end.
struct LoadState {
  IMessages& messages;
  int countMismatches = 0;
  int unknownBlocks = 0;
  int tooDeep = 0;
};

bool LoadLine(TConfig& cfg, std::size_t end, TLine& line, int depth, LoadState& st);

// Reads the element block whose header is at `header`; an element it cannot read is
// kept as it is.
std::unique_ptr<TBaseLD> LoadElement(TConfig& cfg, int id, std::size_t header, std::size_t end,
                                     TLine& line, int depth, LoadState& st) {
  auto keep = [&] { return std::make_unique<TKeptLD>(&line, BytesOf(cfg, header, end)); };
  if (id == kLdContactBlock) {
    if (Newer(cfg)) {
      st.messages.Error("Новая версия LD");
      return keep();
    }
    auto contact = std::make_unique<TLD>(&line);
    std::uint8_t inverse = 0;
    std::uint16_t number = kNoSignal;
    cfg.ReadScalar(kKeyInverse, inverse);
    cfg.ReadScalar(kKeySignal, number);
    contact->Inverse = inverse != 0;
    contact->LoadedNumber = number == kNoSignal ? -1 : number;
    return contact;
  }
  if (id == kLdStackBlock) {
    if (depth >= kLdMaxDepth) {
      ++st.tooDeep;
      return keep();
    }
    if (Newer(cfg)) {
      st.messages.Error("Новая версия StackLD");
      return keep();
    }
    auto stack = std::make_unique<TStack>(&line);
    std::uint16_t count = 0;
    cfg.ReadScalar(kKeyCount, count);
    int id2;
    while (cfg.Cursor() < end && (id2 = cfg.PeekBlockBefore(end)) != kNoBlock) {
      cfg.NextBlock();
      const std::size_t h = cfg.Cursor() - 8;
      const std::size_t e = BlockEnd(cfg, h, end);
      if (id2 != kLdLineBlock) {
        // A group holds branch lines only: one it cannot read keeps the whole group.
        ++st.unknownBlocks;
        cfg.Seek(end);
        return keep();
      }
      auto branch = std::make_unique<TLine>(stack.get());
      if (!LoadLine(cfg, e, *branch, depth + 1, st)) {
        cfg.Seek(end);
        return keep();
      }
      stack->Branches.push_back(std::move(branch));
      cfg.Seek(e);
    }
    if (static_cast<int>(stack->Branches.size()) != count) ++st.countMismatches;
    if (stack->Branches.empty()) return keep();  // nothing to draw: written back as read
    return stack;
  }
  ++st.unknownBlocks;
  return keep();
}

// False when the line itself is of a newer version (its owner keeps the whole block).
bool LoadLine(TConfig& cfg, std::size_t end, TLine& line, int depth, LoadState& st) {
  if (Newer(cfg)) {
    st.messages.Error("Новая версия LineLD");
    return false;
  }
  std::uint16_t count = 0;
  cfg.ReadScalar(kKeyCount, count);
  int id;
  while (cfg.Cursor() < end && (id = cfg.PeekBlockBefore(end)) != kNoBlock) {
    cfg.NextBlock();
    const std::size_t h = cfg.Cursor() - 8;
    const std::size_t e = BlockEnd(cfg, h, end);
    line.Elements.push_back(LoadElement(cfg, id, h, e, line, depth, st));
    cfg.Seek(e);
  }
  if (static_cast<int>(line.Elements.size()) != count) ++st.countMismatches;
  return true;
}

void LoadTaskBlock(TConfig& cfg, std::size_t header, std::size_t end, TTaskLD& task,
                   LoadState& st) {
  auto keepWhole = [&] {
    task.Kept = BytesOf(cfg, header, end);
    task.Line->Elements.clear();
    task.Extra.clear();
    cfg.Seek(end);
  };
  if (Newer(cfg)) {
    st.messages.Error("Новая версия TaskLD");
    keepWhole();
    return;
  }
  bool haveOutput = false, haveLine = false;
  int id;
  while (cfg.Cursor() < end && (id = cfg.PeekBlockBefore(end)) != kNoBlock) {
    cfg.NextBlock();
    const std::size_t h = cfg.Cursor() - 8;
    const std::size_t e = BlockEnd(cfg, h, end);
    if (id == kLdContactBlock && !haveOutput) {
      if (Newer(cfg)) {
        st.messages.Error("Новая версия LD");
        keepWhole();
        return;
      }
      // The stored signal number of an output is not read back: the output is always
      // its task's own entry in the port's list.
      std::uint8_t inverse = 0;
      cfg.ReadScalar(kKeyInverse, inverse);
      task.Output->Inverse = inverse != 0;
      haveOutput = true;
    } else if (id == kLdLineBlock && !haveLine) {
      if (!LoadLine(cfg, e, *task.Line, 0, st)) {
        keepWhole();
        return;
      }
      haveLine = true;
    } else {
      ++st.unknownBlocks;
      task.Extra.push_back(BytesOf(cfg, h, e));
    }
    cfg.Seek(e);
  }
}

// Every contact below `line`, in order.
template <typename F>
void ForEachContact(TLine& line, F&& visit) {
  for (auto& e : line.Elements) {
    if (e->ElementType() == TBaseLD::Type::Contact)
      visit(static_cast<TLD&>(*e));
    else if (e->ElementType() == TBaseLD::Type::Stack)
      for (auto& b : static_cast<TStack&>(*e).Branches) ForEachContact(*b, visit);
  }
}
}  // namespace

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

// --- Records ---

void TPortLD::SaveContact(TConfig& cfg, const TLD& contact, int number) const {
  const std::size_t start = cfg.BeginBlock(kLdContactBlock);
  cfg.WriteScalar<std::uint8_t>(kVersionKey, 1);
  cfg.WriteScalar<std::uint8_t>(kKeyInverse, contact.Inverse ? 1 : 0);
  cfg.WriteScalar<std::uint16_t>(kKeySignal,
                                 number < 0 ? kNoSignal : static_cast<std::uint16_t>(number));
  cfg.EndBlock(start);
}

void TPortLD::SaveLine(TConfig& cfg, const TLine& line) const {
  const std::size_t start = cfg.BeginBlock(kLdLineBlock);
  cfg.WriteScalar<std::uint8_t>(kVersionKey, 1);
  cfg.WriteScalar<std::uint16_t>(kKeyCount, static_cast<std::uint16_t>(line.Elements.size()));
  for (const auto& e : line.Elements) {
    switch (e->ElementType()) {
      case TBaseLD::Type::Contact: {
        const auto& c = static_cast<const TLD&>(*e);
        // References not yet resolved (before AfterLoad) are written as they were read.
        SaveContact(cfg, c, c.Signal ? PoolIndex(c) : c.LoadedNumber);
        break;
      }
      case TBaseLD::Type::Stack: {
        const auto& s = static_cast<const TStack&>(*e);
        const std::size_t at = cfg.BeginBlock(kLdStackBlock);
        cfg.WriteScalar<std::uint8_t>(kVersionKey, 1);
        cfg.WriteScalar<std::uint16_t>(kKeyCount, static_cast<std::uint16_t>(s.Branches.size()));
        for (const auto& b : s.Branches) SaveLine(cfg, *b);
        cfg.EndBlock(at);
        break;
      }
      case TBaseLD::Type::Kept:
        cfg.WriteRaw(static_cast<const TKeptLD&>(*e).Block);
        break;
      default:
        break;
    }
  }
  cfg.EndBlock(start);
}

void TPortLD::SaveTask(TConfig& cfg, const TTaskLD& task, int taskIndex) const {
  if (!task.Kept.empty()) {
    cfg.WriteRaw(task.Kept);
    return;
  }
  const std::size_t start = cfg.BeginBlock(kLdTaskBlock);
  cfg.WriteScalar<std::uint8_t>(kVersionKey, 1);
  const TParam* own = OutputSignal(taskIndex);
  SaveContact(cfg, *task.Output, own ? Storage().IndexOf(kKindTS, own) : -1);
  SaveLine(cfg, *task.Line);
  for (const auto& extra : task.Extra) cfg.WriteRaw(extra);
  cfg.EndBlock(start);
}

const RecordDesc* TPortLD::Record() const {
  static const RecordDesc record =
      RecordDesc()
          .Field(kKeyNumber, "number", &TPortLD::Number)
          .Computed(kKeyCount, "task_count", FieldType::U16,
                    [](const TItem& item) { return static_cast<const TPortLD&>(item).TaskCount(); })
          .Custom(
              0, "program", [](const TItem&) { return std::vector<std::uint8_t>{}; }, nullptr,
              [](const TItem& item) {
                const auto& port = static_cast<const TPortLD&>(item);
                std::vector<ShownField> shown;
                for (int i = 0; i < port.TaskCount(); ++i)
                  shown.push_back({Format("task%d", i + 1), LadderTaskText(port, i), "", 0, true});
                return shown;
              })
          .When([](const TItem&) { return false; });
  return &record;
}

void TPortLD::SaveToImage(TConfig& cfg) {
  const std::size_t start = cfg.BeginBlock(BlockId());
  WriteVersion(cfg);
  Record()->Save(cfg, *this);
  for (std::size_t i = 0; i < Tasks.size(); ++i) SaveTask(cfg, *Tasks[i], static_cast<int>(i));
  if (TParams* list = OwnList()) list->Save(cfg);
  SaveKeptChildren(cfg);
  cfg.EndBlock(start);
}

void TPortLD::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  std::uint16_t count = 0;
  cfg.ReadScalar(kKeyCount, count);
  // Everything comes from the block: the program and the own list start anew.
  Tasks.clear();
  OutputNames.clear();
  GridWidth = kLdNewGridWidth;
  ClearSelection();
  // The blocks kept unread by an earlier load go too: they are read again from here.
  Config().RemoveChildren(this);
  UpdateCaption();

  LoadState st{Config().Messages()};
  bool tooMany = false, haveList = false;
  std::size_t listHeader = 0;
  const int listId = SignalKindOf(kKindTS)->BlockId;
  int id;
  while ((id = PeekChild(cfg, end)) != kNoBlock) {
    if (id == kLdTaskBlock) {
      cfg.NextBlock();
      const std::size_t header = cfg.Cursor() - 8;
      const std::size_t taskEnd = BlockEnd(cfg, header, end);
      if (TaskCount() < kLdMaxTasks) {
        auto task = std::make_unique<TTaskLD>(GridWidth);
        LoadTaskBlock(cfg, header, taskEnd, *task, st);
        Tasks.push_back(std::move(task));
      } else {
        tooMany = true;
      }
      cfg.Seek(taskEnd);
    } else if (id == listId && !haveList) {
      cfg.NextBlock();
      listHeader = cfg.Cursor() - 8;
      haveList = true;
      cfg.SkipBlockAt(listHeader);
    } else {
      LoadOrKeepNextChild(cfg, nullptr);
    }
  }
  const std::size_t after = cfg.Cursor();

  IMessages& m = Config().Messages();
  if (tooMany)
    m.Error(Format("Порт %s: задач больше %d; читаются первые %d, остальные не сохранятся",
                   Caption(), kLdMaxTasks, kLdMaxTasks));
  else if (count != TaskCount())
    m.Error(Format("Порт %s: количество задач %d, а блоков задач %d", Caption(),
                   static_cast<int>(count), TaskCount()));
  if (st.countMismatches)
    m.Error(Format("Порт %s: линий и групп, чьё количество элементов не совпадает с блоками: %d",
                   Caption(), st.countMismatches));
  if (st.unknownBlocks)
    m.Error(Format("Порт %s: блоков программы неизвестного вида: %d; они сохраняются без изменений",
                   Caption(), st.unknownBlocks));
  if (st.tooDeep)
    m.Error(Format("Порт %s: групп, вложенных глубже %d уровней: %d; они сохраняются без изменений",
                   Caption(), kLdMaxDepth, st.tooDeep));

  OutputNames.reserve(Tasks.size());
  for (int i = 0; i < TaskCount(); ++i) OutputNames.push_back(Format("Пр_%d", i));
  if (!Layout())
    m.Error(Format("Порт %s: программа не помещается в сетку %d × %d (столбцов %d, строк %d)",
                   Caption(), kLdGridLimit, kLdGridLimit, GridWidth, GridRows));
  UpdateSignalList();
  if (TParams* list = haveList ? OwnList() : nullptr) {
    cfg.Seek(listHeader);
    LoadChild(cfg, list);
  }
  cfg.Seek(after);
}

}  // namespace vilk
