#include "model/tree_rules.h"

#include "base/format.h"
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

namespace {
int PortsOfKind(const Configuration& config, int code) {
  const TProc* proc = config.Controller().Proc();
  int n = 0;
  if (proc)
    for (int i = 0; i < proc->ChildCount(); ++i)
      if (proc->Child(i)->Kind == code) ++n;  // one kept unread (a newer version) counts too
  return n;
}

// "Порт автоматики" from the add command "Добавить Порт автоматики".
std::string KindCaption(int code) {
  const KindRow* row = FindKind({0, code});
  std::string caption = row ? row->MenuCaption : "";
  const std::string verb = "Добавить ";
  if (caption.compare(0, verb.size(), verb) == 0) caption.erase(0, verb.size());
  return caption.empty() ? Format("%d", code) : caption;
}
}  // namespace

bool CanAddPort(const Configuration& config, int code) {
  if (code < 0 || code > 255) return false;
  if (!config.Controller().Desc.PortKinds[static_cast<std::size_t>(code)]) return false;
  return !OnePerConfiguration(code) || PortsOfKind(config, code) == 0;
}

std::vector<std::string> RepeatedPortWarnings(const Configuration& config) {
  std::vector<std::string> warnings;
  for (const KindRow& row : KindTable()) {
    if (!row.IsPort() || !OnePerConfiguration(row.Code)) continue;
    const int n = PortsOfKind(config, row.Code);
    if (n > 1)
      warnings.push_back(Format("Портов вида \"%s\" в конфигурации %d, допускается один.",
                                KindCaption(row.Code), n));
  }
  return warnings;
}

TItem* AddPort(Configuration& config, int code) {
  TProc* proc = config.Controller().Proc();
  if (proc && OnePerConfiguration(code) && !CanAddPort(config, code)) {
    config.Messages().Error(
        PortsOfKind(config, code) > 0
            ? Format("%s уже есть в конфигурации, второй не допускается.", KindCaption(code))
            : Format("%s не совместим с контроллером или его версией ПФ.", KindCaption(code)));
    return nullptr;
  }
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
