#include "signals/list_edit.h"

#include <cstdlib>
#include <unordered_set>

#include "base/format.h"
#include "base/text.h"
#include "signals/storage.h"

namespace vilk {

namespace {
bool Valid(const TParams& list, int row) {
  return row >= 0 && row < list.Count() && list.At(row);
}
TParam* At(TParams& list, int row) {
  return Valid(list, row) ? list.At(row) : nullptr;
}
}  // namespace

void ClearSelection(TParams& list) {
  for (TParam* s : list.Items)
    if (s) s->Selected = false;
}

void SelectOnly(TParams& list, int row) {
  ClearSelection(list);
  if (TParam* s = At(list, row)) s->Selected = true;
}

void ToggleSelected(TParams& list, int row) {
  if (TParam* s = At(list, row)) s->Selected = !s->Selected;
}

void SelectThrough(TParams& list, int row) {
  int first = -1;
  for (int i = 0; i < list.Count(); ++i)
    if (list.At(i) && list.At(i)->Selected) {
      first = i;
      break;
    }
  if (first < 0 || first > row) first = row;
  for (int i = first; i <= row && i < list.Count(); ++i)
    if (list.At(i)) list.At(i)->Selected = true;
}

void SelectAll(TParams& list) {
  for (TParam* s : list.Items)
    if (s) s->Selected = true;
}

bool AnySelected(const TParams& list) {
  for (const TParam* s : list.Items)
    if (s && s->Selected) return true;
  return false;
}

bool CanChangeType(const TParams& list, int row) {
  if (!Valid(list, row) || row + 1 >= list.Count()) return false;
  const TParam* s = list.At(row);
  const TParam* next = list.At(row + 1);
  if (s->Fixed || s->TSType == 2) return false;
  return !(next && next->TSType == 1);
}

void SetTSType(TParams& list, int row, int type) {
  if (!CanChangeType(list, row)) return;
  TParam* s = list.At(row);
  TParam* next = list.At(row + 1);
  s->TSType = type == 1 ? 1 : 0;
  if (!next) return;
  if (type == 1)
    next->TSType = 2;
  else if (next->TSType == 2)
    next->TSType = 0;
}

void ToggleInversion(TParams& list, int row) {
  TParam* s = At(list, row);
  if (!s || s->Fixed) return;
  s->Inverted = s->Inverted ? 0 : 4;
}

int TypeIcon(const TParams& list, int row) {
  if (!Valid(list, row)) return 0;
  const TParam* s = list.At(row);
  if (s->Fixed || s->TSType == 2) return 0;
  if (s->TSType == 1) return 2;
  if (row + 1 >= list.Count()) return 0;  // a single-point last row
  const TParam* next = list.At(row + 1);
  if (next && next->TSType == 1) return 0;
  return 1;
}

std::optional<std::string> CommitName(TParams& list, int row, const std::string& text) {
  TParam* s = At(list, row);
  if (!s || text.empty()) return std::nullopt;
  std::string name = s->Prefix.empty() ? text : s->Prefix + "." + text;
  name = Truncate(name, kMaxNameChars);
  if (name == s->Name()) return std::nullopt;

  static const std::string kRepeat = "_повтор";
  if (const std::size_t cut = name.find(kRepeat); cut != std::string::npos) name.erase(cut);
  TStorage& pool = list.Storage();
  std::string candidate = name;
  for (int n = 1; pool.FindByName(s->Kind, candidate) && n < 100000; ++n) {
    // The counter always fits: the base gives way to it within the 64 characters.
    const std::string suffix = Format("_повтор%d", n);
    candidate = Truncate(name, kMaxNameChars - CharCount(suffix)) + suffix;
  }
  s->SetName(candidate);
  return candidate;
}

std::string GainText(const TParam& s) {
  return s.Gain == 0 ? std::string() : Format("%.5g", s.Gain);
}

std::string BlockingText(const TParam& s) {
  return std::string(s.BlockOn ? "ТУ_В | " : "     | ") + (s.BlockOff ? "ТУ_О" : "     ");
}

void SetGroupOfSelected(TParams& list, const std::string& group) {
  for (TParam* s : list.Items)
    if (s && s->Selected) s->SetGroup(group);
}

TITemplate& SharedTITemplate() {
  static TITemplate t;
  return t;
}

void ApplyTemplateToSelected(TParams& list, const TITemplate& t) {
  for (TParam* s : list.Items)
    if (s && s->Selected) {
      s->Gain = t.Gain;
      s->Offset = t.Offset;
      s->SetGroup(t.Group);
      s->Selected = false;
    }
}

std::optional<double> ParseNumber(const std::string& text) {
  std::string t;
  for (char c : text) t += c == ',' ? '.' : c;
  const std::size_t a = t.find_first_not_of(" \t");
  if (a == std::string::npos) return std::nullopt;
  t = t.substr(a, t.find_last_not_of(" \t") - a + 1);
  if (t.find_first_not_of("0123456789+-.eE") != std::string::npos) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);  // only "." remains, whatever the locale says
  if (end != t.c_str() + t.size()) return std::nullopt;
  return v;
}

GainOffset ComputeGainOffset(const std::string& minQ, const std::string& maxQ,
                             const std::string& low, const std::string& high) {
  GainOffset r;
  if (minQ == maxQ) {
    r.Error = "Ошибка. Минимум и максимум квантов должны быть разными.";
    return r;
  }
  const auto mn = ParseNumber(minQ), mx = ParseNumber(maxQ), lo = ParseNumber(low),
             hi = ParseNumber(high);
  if (!mn || !mx || !lo || !hi) {
    r.Error = "Ошибка значения!";
    return r;
  }
  if (*mn == *mx) {
    r.Error = "Ошибка. Минимум и максимум квантов должны быть разными.";
    return r;
  }
  r.Gain = Format("%.6g", (*hi - *lo) / (*mx - *mn));
  const double shownGain = *ParseNumber(r.Gain);  // the offset uses the gain as written
  r.Offset = Format("%.6g", *lo - *mn * shownGain);
  return r;
}

void SetBlocking(TParams& list, int row, const std::string& onName, const std::string& offName) {
  TParam* s = At(list, row);
  if (!s) return;
  TStorage& pool = list.Storage();
  s->BlockOn = onName.empty() ? nullptr : pool.AcquireByName(kKindTS, onName);
  s->BlockOff = offName.empty() ? nullptr : pool.AcquireByName(kKindTS, offName);
}

int MoveSelected(TParams& list, int dropRow) {
  std::vector<TParam*> moved, stay;
  int above = 0;
  for (int i = 0; i < list.Count(); ++i) {
    TParam* s = list.At(i);
    if (s && s->Selected) {
      moved.push_back(s);
    } else {
      if (i < dropRow) ++above;
      stay.push_back(s);
    }
  }
  if (moved.empty()) return dropRow;
  stay.insert(stay.begin() + above, moved.begin(), moved.end());
  list.Items = std::move(stay);
  return above + static_cast<int>(moved.size());
}

namespace {
std::unordered_set<const TParam*> Holding(const TParams& list) {
  return std::unordered_set<const TParam*>(list.Items.begin(), list.Items.end());
}
}  // namespace

int AddFromPool(TParams& target, const TParams& pool, bool all) {
  auto held = Holding(target);
  int added = 0;
  for (TParam* s : pool.Items) {
    if (!s || (!all && !s->Selected) || held.count(s) || target.Count() >= kMaxSignals) continue;
    target.Append(SignalRef::Share(s));
    held.insert(s);
    ++added;
  }
  return added;
}

int InsertFromPool(TParams& target, const TParams& pool, int row) {
  auto held = Holding(target);
  row = std::clamp(row, 0, target.Count());
  int added = 0;
  for (TParam* s : pool.Items) {
    if (!s || !s->Selected || held.count(s) || target.Count() >= kMaxSignals) continue;
    target.Insert(row++, SignalRef::Share(s));
    held.insert(s);
    ++added;
  }
  return added;
}

void DeleteSelected(TParams& list, bool all) {
  list.RemoveIf([all](TParam* s) {
    if (s && (all || s->Selected)) {
      s->Selected = false;
      return true;
    }
    return !s && all;  // "Удалить все" takes the empty entries too
  });
}

void InsertPlaceholder(TParams& list, int row) {
  if (list.Count() >= kMaxSignals) return;
  row = std::clamp(row, 0, list.Count());
  list.Items.insert(list.Items.begin() + row, nullptr);
  list.MakePlaceholder(row);
}

void ReplaceSelectedWithPlaceholders(TParams& list) {
  for (int i = 0; i < list.Count(); ++i) {
    TParam* s = list.At(i);
    if (s && s->Selected) {
      s->Selected = false;
      list.MakePlaceholder(i);
    }
  }
}

namespace {
void SwapNames(TParam* a, TParam* b) {
  const std::string name = a->Name();
  a->SetName(b->Name());
  b->SetName(name);
}
}  // namespace

void MoveNamesUp(TParams& list) {
  for (int i = 1; i < list.Count(); ++i) {
    TParam *s = list.At(i), *prev = list.At(i - 1);
    if (s && prev && s->Selected && !prev->Selected) {
      SwapNames(s, prev);
      prev->Selected = true;
      s->Selected = false;
    }
  }
}

void MoveNamesDown(TParams& list) {
  for (int i = list.Count() - 2; i >= 0; --i) {
    TParam *s = list.At(i), *next = list.At(i + 1);
    if (s && next && s->Selected && !next->Selected) {
      SwapNames(s, next);
      next->Selected = true;
      s->Selected = false;
    }
  }
}

void RestoreDefaultNames(TParams& pool) {
  for (TParam* s : pool.Items)
    if (s && s->Selected) {
      s->SetName(s->DefaultName());
      s->Selected = false;
    }
}

}  // namespace vilk
