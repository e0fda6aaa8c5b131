#include "model/tree_rules.h"

#include "controller/controller.h"
#include "controller/proc.h"
#include "model/kinds.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

bool IsFixedNode(const TItem* item) {
  if (!item) return true;
  const int level = item->Level();
  if (level == 0) return true;
  if (level == 1) return item->Row() == 0;                       // processor board
  if (level == 2) return item->Row() == 0 && item->Kind == 100;  // IP port
  return false;
}

bool CanDrag(const TItem* item) {
  return item && !IsFixedNode(item) && item->SignalKind == 0;
}

bool CanDrop(const TItem* dragged, const TItem* target) {
  if (!CanDrag(dragged)) return false;
  const int level = dragged->Level();
  if (!target) return level == 1;  // a board dropped on empty space goes last
  if (target == dragged || target->Level() != level) return false;
  if (level <= 2 && IsFixedNode(target)) return false;
  if (level >= 2) {
    if (target->SignalKind != 0 && dynamic_cast<const TParams*>(target)) return false;
    if (target->Parent()->Name() != dragged->Parent()->Name()) return false;
  }
  return true;
}

TItem* Drop(Configuration& config, TItem* dragged, TItem* target) {
  if (!CanDrop(dragged, target)) return nullptr;
  TItem* oldParent = dragged->Parent();
  TItem* newParent = target ? target->Parent() : &config.Controller();
  const int row = target ? target->Row() : newParent->ChildCount();
  config.Move(dragged, newParent, row);
  oldParent->ChildrenChanged();
  if (newParent != oldParent) newParent->ChildrenChanged();
  config.Storage().RebuildPool();
  return newParent;
}

std::string DeleteQuestion(const TItem* item) {
  if (!item || IsFixedNode(item)) return {};
  switch (item->Level()) {
    case 1:
      return "Удалить плату " + item->Caption() + " ?";
    case 2:
      return "Удалить порт " + item->Caption() + " ?";
    case 3:
      return "Удалить блок " + item->Caption() + " ?";
    default:
      return {};
  }
}

TItem* DeleteItem(Configuration& config, TItem* item) {
  if (DeleteQuestion(item).empty()) return nullptr;
  TItem* parent = item->Parent();
  const int row = item->Row();
  config.Remove(item);
  parent->ChildrenChanged();
  config.Storage().RebuildPool();
  if (parent->Level() >= 2) return parent;  // a device: its port is selected and refreshed
  // A board or port: what takes its place is selected.
  if (row < parent->ChildCount()) return parent->Child(row);
  return row > 0 ? parent->Child(row - 1) : parent;
}

TItem* AddPort(Configuration& config, int code) {
  TProc* proc = config.Controller().Proc();
  auto port = proc ? MakePort(config, code) : nullptr;
  if (!port) {
    config.Messages().Error(UnknownPortMessage(code));
    return nullptr;
  }
  TItem* item = config.Append(proc, std::move(port));
  item->UpdateCaption();
  if (!config.Controller().Desc.PortKinds[static_cast<std::size_t>(code)]) item->SetStateIcon(3);
  config.Storage().RebuildPool();
  return item;
}

}  // namespace vilk
