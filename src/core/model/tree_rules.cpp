#include "model/tree_rules.h"

#include <algorithm>
#include <memory>

#include "base/format.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/image.h"
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

std::string SignalPrefixOf(const TItem& item) {
  for (int i = 0; i < item.ChildCount(); ++i)
    if (const TParams* list = const_cast<TItem*>(item.Child(i))->AsParams();
        list && list->ListRole == kRoleOwn)
      for (const TParam* s : list->Items)
        if (s && !s->Prefix.empty()) return s->Prefix;
  return {};
}

namespace {

// The first `segments` dot-separated parts of `name`.
std::string LeadingParts(const std::string& name, std::size_t segments) {
  std::size_t at = 0;
  for (std::size_t n = 0; n < segments; ++n) {
    at = name.find('.', at);
    if (at == std::string::npos) return {};
    if (n + 1 < segments) ++at;
  }
  return name.substr(0, at);
}

// Names under the other window's owner part take the copy's, read from each signal's
// default name (which the copy's port gave it); the user's part of each name stays.
void TakeOwnPrefix(TItem& copy, const std::string& oldPrefix) {
  if (oldPrefix.empty()) return;
  const std::size_t segments =
      static_cast<std::size_t>(std::count(oldPrefix.begin(), oldPrefix.end(), '.')) + 1;
  for (int i = 0; i < copy.ChildCount(); ++i) {
    TParams* list = copy.Child(i)->AsParams();
    if (!list || list->ListRole != kRoleOwn) continue;
    for (TParam* s : list->Items) {
      if (!s || s->Name().rfind(oldPrefix + ".", 0) != 0) continue;
      const std::string fresh = LeadingParts(s->DefaultName(), segments);
      if (fresh.empty() || fresh == oldPrefix) continue;
      s->SetName(fresh + s->Name().substr(oldPrefix.size()));
      s->Prefix = fresh;
    }
  }
}

}  // namespace

TItem* PasteDeviceBlock(Configuration& config, TItem* port, const std::vector<std::uint8_t>& block,
                        const std::string& oldPrefix, std::string* why) {
  auto image = std::make_unique<ConfigImage>();
  if (block.size() < 8 || block.size() > kMaxImageSize) {
    *why = "в буфере обмена нет устройства";
    return nullptr;
  }
  image->Assign(block);
  // Hostile until checked, as a file is: one block that holds exactly its records.
  const std::string fault = ValidateRecordStream(*image, 0, block.size());
  if (!fault.empty() || image->U16(0) != kBlockTag || image->U32(4) != block.size()) {
    *why = "данные в буфере обмена повреждены" + (fault.empty() ? std::string() : ": " + fault);
    return nullptr;
  }
  auto made = MakeDevice(config, port->Kind, image->U16(2));
  if (!made) {
    *why = "устройство этого вида не подключается к порту " + port->Caption();
    return nullptr;
  }
  TConfig cfg(*image);
  cfg.StartRead(0, block.size());
  TItem* scratch = port->LoadOrKeepNextChild(cfg, std::move(made));
  if (!scratch) {
    *why = "данные в буфере обмена повреждены";
    return nullptr;
  }
  if (scratch->IsKept()) {
    config.Remove(scratch);
    port->ChildrenChanged();
    *why = "устройство записано более новой версией программы";
    return nullptr;
  }
  TItem* copy = port->DuplicateChild(scratch);
  config.Remove(scratch);
  if (copy) TakeOwnPrefix(*copy, oldPrefix);
  port->ChildrenChanged();
  config.Storage().RebuildPool();
  if (!copy) *why = "устройства этого порта не копируются";
  return copy;
}

}  // namespace vilk
