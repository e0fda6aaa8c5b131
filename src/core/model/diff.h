#pragma once
// The differences between two configurations, item by item from their record descriptions:
// items added, removed and moved (by caption path) and, for items on both sides, every field
// and signal name that changed. A kind added later is compared without code of its own.
#include <string>
#include <vector>

namespace vilk {

class TItem;

struct FieldChange {
  std::string Name;  // the field's name as `vilkcfg show` prints it ("signal5" for a name)
  std::string Old, New;
};

struct ItemDiff {
  enum Kind { Added, Removed, Moved, Changed };
  Kind What = Changed;
  std::string Path;     // caption path in the first configuration (removed, moved) or the second
  std::string NewPath;  // moved: the path in the second configuration
  const TItem* Old = nullptr;
  const TItem* New = nullptr;
  std::vector<FieldChange> Fields;  // changed and moved items
};

// From `a` to `b` (both controllers, or any two items compared as roots). The roots are
// matched whatever their captions (the model shows as the field "model"); below them items
// are matched by caption path, the n-th of equal paths with the n-th. An item removed and
// an item added with the same class and the same fields (signal names aside) are one item
// moved; what lies below it is matched below its new place.
std::vector<ItemDiff> CompareTrees(const TItem& a, const TItem& b);

// "+ path", "- path", "> old -> new" or "~ path", then "    field: old -> new" per field.
std::string DiffText(const std::vector<ItemDiff>& diffs);

}  // namespace vilk
