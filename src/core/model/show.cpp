#include "model/show.h"

#include <algorithm>

#include "base/format.h"
#include "model/item.h"
#include "model/kinds.h"
#include "signals/params.h"

namespace vilk {

namespace {

const char* RoleText(int role) {
  switch (role) {
    case kRoleOwn:
      return "own";
    case kRoleSelection:
      return "selection";
    case kRolePool:
      return "pool";
    default:
      return "pairing";
  }
}

ItemReport Report(const TItem& item) {
  ItemReport r;
  r.Item = &item;
  r.Path = CaptionPath(item);
  const KindKey key = KeyOf(item);
  const KindRow* row = FindKind(key);
  r.ClassName = item.IsKept() && !row ? "TUnknown" : row ? row->ClassName : "TController";
  r.Code = item.Parent() ? item.BlockId() : -1;
  auto add = [&](const char* name, std::string value, bool text) {
    r.Fields.push_back({name, std::move(value), "", 0, text});
  };
  // Number and board are said once: the number as the record shows it when it does, the
  // board by its caption (the record holds only its number).
  std::vector<ShownField> own;
  if (const RecordDesc* record = item.Record(); record && !item.IsKept()) own = record->Show(item);
  const bool ownNumber =
      std::any_of(own.begin(), own.end(), [](const ShownField& f) { return f.Name == "number"; });
  add("version", Format("%d", item.Version), false);
  if (item.Number != 255 && !ownNumber) add("number", Format("%d", item.Number), false);
  if (const auto* port = dynamic_cast<const TPort*>(&item); port && port->LinkedBoard) {
    add("board", port->LinkedBoard->Caption(), true);
    std::erase_if(own, [](const ShownField& f) { return f.Name == "board"; });
  }
  if (item.IsKept()) {
    // Nothing of a kept block is read: its size tells what will be written back.
    add("kept_bytes", Format("%d", static_cast<int>(item.KeptBlock().size())), false);
    return r;
  }
  for (ShownField& f : own) r.Fields.push_back(std::move(f));
  if (const auto* list = dynamic_cast<const TParams*>(&item)) {
    add("role", RoleText(list->ListRole), true);
    add("count", Format("%d", list->Count()), false);
    for (int i = 0; i < list->Count(); ++i) {
      const TParam* s = list->At(i);
      r.Fields.push_back({Format("signal%d", i + 1), s ? s->Name() : std::string(), "", 0, true});
    }
  }
  return r;
}

const TItem* FindPart(const TItem& item, const std::string& caption) {
  if (item.Caption() == caption) return &item;
  for (int i = 0; i < item.ChildCount(); ++i)
    if (const TItem* found = FindPart(*item.Child(i), caption)) return found;
  return nullptr;
}

}  // namespace

std::string CaptionPath(const TItem& item) {
  std::string path = item.Caption();
  for (const TItem* p = item.Parent(); p; p = p->Parent()) path = p->Caption() + "/" + path;
  return path;
}

std::vector<ItemReport> ReportItems(const TItem& from) {
  std::vector<ItemReport> reports;
  std::vector<const TItem*> stack{&from};
  while (!stack.empty()) {
    const TItem* item = stack.back();
    stack.pop_back();
    reports.push_back(Report(*item));
    for (int i = item->ChildCount(); i-- > 0;) stack.push_back(item->Child(i));
  }
  return reports;
}

const TItem* FindByCaptionPath(const TItem& root, const std::string& path) {
  const TItem* at = &root;
  std::size_t start = 0;
  while (at) {
    const std::size_t slash = path.find('/', start);
    const std::string part = path.substr(start, slash == std::string::npos ? slash : slash - start);
    // The first part may name the root itself; later parts are searched below.
    const TItem* found = nullptr;
    if (at == &root && start == 0 && root.Caption() == part)
      found = &root;
    else
      for (int i = 0; i < at->ChildCount() && !found; ++i) found = FindPart(*at->Child(i), part);
    at = found;
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return at;
}

}  // namespace vilk
