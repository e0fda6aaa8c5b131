// The ladder port's records: the element, line and task blocks read and written.
#include <algorithm>

#include "base/format.h"
#include "model/configuration.h"
#include "model/record.h"
#include "ports/logic/ladder_text.h"
#include "ports/logic/port_ld.h"
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

}  // namespace

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
