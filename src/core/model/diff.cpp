#include "model/diff.h"

#include <unordered_map>

#include "model/item.h"
#include "model/show.h"
#include "signals/params.h"

namespace vilk {

namespace {

struct Side {
  std::vector<ItemReport> reports;
  std::vector<std::string> keys;  // path below the root, "#n" for the n-th repeat
  std::unordered_map<std::string, std::size_t> byKey;
  std::unordered_map<const TItem*, std::size_t> byItem;
};

Side Index(const TItem& root) {
  Side side;
  side.reports = ReportItems(root);
  const std::string rootPath = CaptionPath(root);
  std::unordered_map<std::string, int> seen;
  side.keys.reserve(side.reports.size());
  for (std::size_t i = 0; i < side.reports.size(); ++i) {
    ItemReport& r = side.reports[i];
    std::string key = i == 0 ? std::string() : r.Path.substr(rootPath.size());
    if (const int n = ++seen[key]; n > 1) {
      key += '#';
      key += std::to_string(n);
    }
    side.byKey.emplace(key, i);
    side.byItem.emplace(r.Item, i);
    side.keys.push_back(std::move(key));
  }
  return side;
}

bool IsSignalName(const std::string& name) {
  return name.size() > 6 && name.compare(0, 6, "signal") == 0 &&
         name.find_first_not_of("0123456789", 6) == std::string::npos;
}

std::string Shown(const ShownField& f) {
  std::string v = f.IsText ? "\"" + f.Value + "\"" : f.Value;
  if (!f.Unit.empty()) v += " " + f.Unit;
  return v;
}

std::vector<FieldChange> CompareFields(const ItemReport& a, const ItemReport& b) {
  std::vector<FieldChange> changes;
  if (a.ClassName != b.ClassName) changes.push_back({"class", a.ClassName, b.ClassName});
  const auto& fa = a.Fields;
  const auto& fb = b.Fields;
  // Most items keep their layout: compare position by position while the names agree.
  std::size_t i = 0;
  for (; i < fa.size() && i < fb.size() && fa[i].Name == fb[i].Name; ++i)
    if (Shown(fa[i]) != Shown(fb[i])) changes.push_back({fa[i].Name, Shown(fa[i]), Shown(fb[i])});
  if (i == fa.size() && i == fb.size()) return changes;
  // The rest by name (the n-th field of a name with the n-th).
  auto keyed = [&](const std::vector<ShownField>& fields) {
    std::unordered_map<std::string, std::size_t> map;
    std::unordered_map<std::string, int> count;
    for (std::size_t k = i; k < fields.size(); ++k) {
      const int n = ++count[fields[k].Name];
      map.emplace(n == 1 ? fields[k].Name : fields[k].Name + "#" + std::to_string(n), k);
    }
    return map;
  };
  const auto mapA = keyed(fa), mapB = keyed(fb);
  std::unordered_map<std::string, int> count;
  for (std::size_t k = i; k < fa.size(); ++k) {
    const int n = ++count[fa[k].Name];
    const std::string key = n == 1 ? fa[k].Name : fa[k].Name + "#" + std::to_string(n);
    const auto other = mapB.find(key);
    if (other == mapB.end())
      changes.push_back({fa[k].Name, Shown(fa[k]), "(нет)"});
    else if (Shown(fa[k]) != Shown(fb[other->second]))
      changes.push_back({fa[k].Name, Shown(fa[k]), Shown(fb[other->second])});
  }
  count.clear();
  for (std::size_t k = i; k < fb.size(); ++k) {
    const int n = ++count[fb[k].Name];
    const std::string key = n == 1 ? fb[k].Name : fb[k].Name + "#" + std::to_string(n);
    if (!mapA.count(key)) changes.push_back({fb[k].Name, "(нет)", Shown(fb[k])});
  }
  return changes;
}

// What makes an item the same item at another place: its class and its fields, signal
// names aside (they follow the place).
std::string Signature(const ItemReport& r) {
  std::string s = r.ClassName;
  for (const ShownField& f : r.Fields) {
    if (IsSignalName(f.Name)) continue;
    s += '\x1f';
    s += f.Name;
    s += '=';
    s += f.Value;
  }
  return s;
}

bool KeyBelow(const std::string& key, const std::string& top) {
  return key.size() > top.size() && key.compare(0, top.size(), top) == 0 && key[top.size()] == '/';
}

}  // namespace

std::vector<ItemDiff> CompareTrees(const TItem& a, const TItem& b) {
  const Side A = Index(a), B = Index(b);
  const std::size_t none = static_cast<std::size_t>(-1);
  // matchA[i]: the item of B that item i of A is; matchB the other way.
  std::vector<std::size_t> matchA(A.reports.size(), none), matchB(B.reports.size(), none);
  for (std::size_t i = 0; i < A.reports.size(); ++i)
    if (const auto it = B.byKey.find(A.keys[i]); it != B.byKey.end()) {
      matchA[i] = it->second;
      matchB[it->second] = i;
    }

  // Moves: a removed item whose parent stayed and an added one whose parent is there,
  // alike in everything but their place.
  auto parentMatched = [](const Side& side, const std::vector<std::size_t>& match, std::size_t i) {
    const TItem* parent = side.reports[i].Item->Parent();
    if (!parent) return false;
    const auto it = side.byItem.find(parent);
    return it != side.byItem.end() && match[it->second] != static_cast<std::size_t>(-1);
  };
  std::unordered_multimap<std::string, std::size_t> removedTops;
  // Signal lists follow their owners: a list is never a moved item of its own.
  auto movable = [](const ItemReport& r) { return !dynamic_cast<const TParams*>(r.Item); };
  for (std::size_t i = 0; i < A.reports.size(); ++i)
    if (matchA[i] == none && movable(A.reports[i]) && parentMatched(A, matchA, i))
      removedTops.emplace(Signature(A.reports[i]), i);
  std::vector<std::pair<std::size_t, std::size_t>> moves;
  for (std::size_t j = 0; j < B.reports.size() && !removedTops.empty(); ++j) {
    if (matchB[j] != none || !movable(B.reports[j]) || !parentMatched(B, matchB, j)) continue;
    const auto it = removedTops.find(Signature(B.reports[j]));
    if (it == removedTops.end()) continue;
    moves.emplace_back(it->second, j);
    removedTops.erase(it);
  }
  // Below a moved item, items are matched by their path below it.
  std::vector<bool> movedA(A.reports.size(), false);
  for (const auto& [i, j] : moves) {
    movedA[i] = true;
    matchA[i] = j;
    matchB[j] = i;
    const std::string& fromKey = A.keys[i];
    const std::string& toKey = B.keys[j];
    for (std::size_t k = i + 1; k < A.reports.size() && KeyBelow(A.keys[k], fromKey); ++k) {
      if (matchA[k] != none) continue;
      const auto it = B.byKey.find(toKey + A.keys[k].substr(fromKey.size()));
      if (it == B.byKey.end() || matchB[it->second] != none) continue;
      matchA[k] = it->second;
      matchB[it->second] = k;
    }
  }

  std::vector<ItemDiff> diffs;
  // The second configuration in tree order: changed, moved and added items; then what the
  // first one holds that the second does not.
  for (std::size_t j = 0; j < B.reports.size(); ++j) {
    const ItemReport& rb = B.reports[j];
    if (matchB[j] == none) {
      diffs.push_back({ItemDiff::Added, rb.Path, {}, nullptr, rb.Item, {}});
      continue;
    }
    const ItemReport& ra = A.reports[matchB[j]];
    std::vector<FieldChange> fields = CompareFields(ra, rb);
    if (j == 0 && ra.Item->Caption() != rb.Item->Caption())
      fields.insert(fields.begin(), {"model", ra.Item->Caption(), rb.Item->Caption()});
    if (movedA[matchB[j]])
      diffs.push_back({ItemDiff::Moved, ra.Path, rb.Path, ra.Item, rb.Item, std::move(fields)});
    else if (!fields.empty())
      diffs.push_back({ItemDiff::Changed, rb.Path, {}, ra.Item, rb.Item, std::move(fields)});
  }
  for (std::size_t i = 0; i < A.reports.size(); ++i)
    if (matchA[i] == none)
      diffs.push_back({ItemDiff::Removed, A.reports[i].Path, {}, A.reports[i].Item, nullptr, {}});
  return diffs;
}

std::string DiffText(const std::vector<ItemDiff>& diffs) {
  std::string text;
  for (const ItemDiff& d : diffs) {
    switch (d.What) {
      case ItemDiff::Added:
        text += "+ " + d.Path + "\n";
        break;
      case ItemDiff::Removed:
        text += "- " + d.Path + "\n";
        break;
      case ItemDiff::Moved:
        text += "> " + d.Path + " -> " + d.NewPath + "\n";
        break;
      case ItemDiff::Changed:
        text += "~ " + d.Path + "\n";
        break;
    }
    for (const FieldChange& f : d.Fields)
      text += "    " + f.Name + ": " + f.Old + " -> " + f.New + "\n";
  }
  return text;
}

}  // namespace vilk
