#pragma once
// What `vilkcfg show` prints: every item with every field of its record, in the units the
// frames show, read from the kinds' record descriptions.
#include <string>
#include <vector>

#include "model/record.h"

namespace vilk {

class TItem;

struct ItemReport {
  const TItem* Item = nullptr;
  std::string Path;  // captions from the root, joined by "/"
  std::string ClassName;
  int Code = 0;
  std::vector<ShownField> Fields;
};

// `from` and everything below it, in pre-order.
std::vector<ItemReport> ReportItems(const TItem& from);
// "A/B/C": node C somewhere below node B somewhere below node A (captions repeat: every
// list is "ТС"); each part is matched in pre-order. nullptr when nothing matches.
const TItem* FindByCaptionPath(const TItem& root, const std::string& path);
std::string CaptionPath(const TItem& item);

}  // namespace vilk
