#include "signals/params.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <unordered_map>

#include "base/format.h"
#include "base/text.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/records.h"
#include "model/show.h"
#include "signals/storage.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyIndexes = 1;
constexpr std::uint16_t kKeyNames = 41;
constexpr std::uint16_t kKeyGain = 21;
constexpr std::uint16_t kKeyOffset = 42;
constexpr std::uint16_t kKeyUpper = 96;
constexpr std::uint16_t kKeyLower = 97;
constexpr std::uint16_t kKeyRelative = 98;
constexpr std::uint16_t kKeyGroup = 46;
constexpr std::uint16_t kKeyTSType = 78;
constexpr std::uint16_t kKeyBlockOn = 110;
constexpr std::uint16_t kKeyBlockOff = 111;
constexpr std::size_t kNameBytes = kMaxNameChars + 1;

bool StartsWithWord(const std::string& name, const std::string& prefix) {
  return name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
         name[prefix.size()] == '.';
}

// DefaultName without its Prefix and the "." after it: the parameter's own name.
std::string_view ParamPart(const TParam& s) {
  const std::string& d = s.DefaultName();
  if (!s.Prefix.empty() && StartsWithWord(d, s.Prefix))
    return std::string_view(d).substr(s.Prefix.size() + 1);
  return d;
}

TProc* ProcOf(const TItem& item) {
  return item.Config().Controller().Proc();
}
}  // namespace

TParams::TParams(Configuration& config, int kind, std::uint8_t role, TItem* owner)
    : TItem(config), Owner(owner) {
  const SignalKindInfo* info = SignalKindOf(kind);
  SignalKind = static_cast<std::uint8_t>(kind);
  Kind = static_cast<std::uint8_t>(info->BlockId);
  ListRole = role;
  BaseNumber = info->BaseNumber;
  ImageIndex = info->TreeImage;
  SetName(info->Caption);
  SetIcon(info->TreeImage);
  UpdateCaption();
}

TParams::~TParams() {
  Clear();
}

void TParams::Let(TParam* signal) {
  if (!signal || ListRole == kRolePool) return;
  if (ListRole == kRoleOwn) Storage().Forget(signal);
  SignalRef::Drop(signal);
}

void TParams::Clear() {
  for (TParam* s : Items) Let(s);
  Items.clear();
}

void TParams::Append(SignalRef signal) {
  Insert(Count(), std::move(signal));
}

void TParams::Insert(int row, SignalRef signal) {
  if (Count() >= kMaxSignals) return;  // the handle lets the signal go
  row = std::clamp(row, 0, Count());
  Items.insert(Items.begin() + row, signal.Detach());
}

void TParams::RemoveAt(int index) {
  if (index < 0 || index >= Count()) return;
  Let(Items[static_cast<std::size_t>(index)]);
  Items.erase(Items.begin() + index);
}

TParam* TParams::NewSignal() const {
  auto* s = new TParam(SignalKind);
  if (SignalKind == kKindTI) s->ValueFormat = 2;
  return s;
}

void TParams::UpdateCaption() {
  SetCaption(Name());
}

std::string TParams::Reprefix(const std::string& name, const std::string& oldPrefix,
                              const std::string& newPrefix) {
  if (oldPrefix == newPrefix) return name;
  std::string rest;
  if (oldPrefix.empty()) {
    rest = name.size() && name[0] == '.' ? name.substr(1) : name;
  } else if (StartsWithWord(name, oldPrefix)) {
    rest = name.substr(oldPrefix.size() + 1);
  } else if (name == oldPrefix) {
    rest.clear();
  } else {
    return name;  // the name carries no owner part: all of it is the user's
  }
  if (newPrefix.empty()) return rest;
  return rest.empty() ? newPrefix : newPrefix + "." + rest;
}

void TParams::SetNames(TParam& s, const std::string& defaultName, const std::string& prefix) {
  // A name that followed the old default follows the new one; a user's name keeps its own
  // part under the new prefix.
  const bool followsDefault = s.Name().empty() || s.Name() == s.DefaultName();
  s.SetDefaultName(defaultName);
  if (followsDefault)
    s.SetName(s.DefaultName());
  else if (s.Name() != s.DefaultName())
    s.SetName(Reprefix(s.Name(), s.Prefix, prefix));
  if (s.Prefix != prefix) s.Prefix = TParam::Cut(prefix);
}

void TParams::SplitPrefix(TParam& s, const std::string& ownerPrefix) {
  // The owner part is what the owner named the list after; the user's part of a name may
  // hold points of its own and is never taken for an owner part.
  s.Prefix = ownerPrefix;
}

std::string TParams::ShortName(const TParam& s) {
  if (!s.Prefix.empty() && StartsWithWord(s.Name(), s.Prefix))
    return s.Name().substr(s.Prefix.size() + 1);
  return s.Name();
}

void TParams::SetShortName(TParam& s, std::string_view text) {
  if (s.Prefix.empty())
    s.SetName(text);
  else
    s.SetName(s.Prefix + "." + std::string(text));
}

void TParams::Resize(int count, const std::string& prefix) {
  count = std::min(count, kMaxSignals);
  if (count > 0) {
    for (int i = count; i < Count(); ++i) Let(Items[static_cast<std::size_t>(i)]);
    Items.resize(static_cast<std::size_t>(count), nullptr);
  }
  std::string name = prefix + ".Пр";  // one buffer: only the number changes
  const std::size_t stem = name.size();
  for (int i = 0; i < Count(); ++i) {
    TParam*& s = Items[static_cast<std::size_t>(i)];
    if (!s) s = NewSignal();
    s->Number = static_cast<std::int16_t>(i);
    name.resize(stem);
    name += std::to_string(i + 1);
    SetNames(*s, name, prefix);
  }
}

void TParams::Rebuild(const IParamSource& source, std::uint8_t kindCode,
                      const std::string& prefix) {
  std::vector<TParam*> aside = std::move(Items);
  const int n = std::min(source.ParamCount(), kMaxSignals);
  Items.assign(static_cast<std::size_t>(std::max(n, 0)), nullptr);

  // Parameter name -> the first set-aside signal carrying it, the others chained behind it.
  // The keys are views into one copy of all the names: a signal taken over gets its new
  // default name while the map is still in use.
  std::size_t total = 0;
  for (const TParam* s : aside)
    if (s) total += ParamPart(*s).size();
  std::string keys;
  keys.reserve(total);  // never grows past this, so the views stay valid
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> nextSame(aside.size(), kNone);
  std::unordered_map<std::string_view, std::size_t> firstOf;
  firstOf.reserve(aside.size());
  for (std::size_t j = aside.size(); j-- > 0;) {
    if (!aside[j]) continue;
    const std::string_view part = ParamPart(*aside[j]);
    const std::size_t at = keys.size();
    keys += part;
    auto [it, added] = firstOf.try_emplace(std::string_view(keys).substr(at, part.size()), j);
    if (!added) {
      nextSame[j] = it->second;
      it->second = j;
    }
  }

  std::string name;  // one buffer for every default name
  for (int i = 0; i < n; ++i) {
    const std::string param = source.ParamName(i);
    TParam* s = nullptr;
    auto it = firstOf.find(param);
    if (it != firstOf.end() && it->second != kNone) {
      s = aside[it->second];
      aside[it->second] = nullptr;
      it->second = nextSame[it->second];
    } else {
      s = NewSignal();
    }
    s->Number = static_cast<std::int16_t>(i);
    s->ValueFormat = kindCode;
    name.assign(prefix);
    if (!prefix.empty()) name += '.';
    name += param;
    SetNames(*s, name, prefix);
    Items[static_cast<std::size_t>(i)] = s;
  }
  for (TParam* s : aside) Let(s);
}

void TParams::MakePlaceholder(int index) {
  if (index < 0 || index >= Count()) return;
  TParam*& slot = Items[static_cast<std::size_t>(index)];
  Let(slot);
  slot = new TParam(SignalKind);
}

void TParams::MarkAllFixed() {
  for (TParam* s : Items)
    if (s) s->Fixed = true;
}

bool TParams::AppendTo(TParams& pool) const {
  const int room = kMaxSignals - pool.Count();
  const int n = std::min(Count(), std::max(room, 0));
  for (int i = 0; i < n; ++i) {
    TParam* s = Items[static_cast<std::size_t>(i)];
    if (s) s->PoolIndex = pool.Count();
    pool.Items.push_back(s);
  }
  return n == Count();
}

void TParams::Resolve() {
  TStorage& pool = Storage();
  if (ListRole == kRoleSelection) {
    int outside = 0;  // references past the pool: placeholders, said once per list
    for (int i = 0; i < Count(); ++i) {
      const int index = i < static_cast<int>(LoadedIndexes.size())
                            ? static_cast<std::uint16_t>(LoadedIndexes[static_cast<std::size_t>(i)])
                            : 0xFFFF;
      TParam*& slot = Items[static_cast<std::size_t>(i)];
      SignalRef::Drop(slot);  // the slot's old hold
      slot = pool.AcquireByIndex(SignalKind, index).Detach();
      if (!slot && index != 0xFFFF) ++outside;
      if (!slot) {
        slot = new TParam(SignalKind);
        if (i < static_cast<int>(LoadedNames.size()) &&
            !LoadedNames[static_cast<std::size_t>(i)].empty()) {
          slot->SetDefaultName(LoadedNames[static_cast<std::size_t>(i)]);
          slot->SetName(LoadedNames[static_cast<std::size_t>(i)]);
          slot->Unresolved = true;
        }
      }
    }
    if (outside)
      Config().Messages().Error(Format("Список %s: ссылок вне списка сигналов: %d, они пусты.",
                                       CaptionPath(*this), outside));
  } else if (ListRole == kRoleOwn && SignalKind == kKindTU) {
    auto at = [](const std::vector<std::int16_t>& v, int i) {
      return i < static_cast<int>(v.size())
                 ? static_cast<std::uint16_t>(v[static_cast<std::size_t>(i)])
                 : 0xFFFF;
    };
    for (int i = 0; i < Count(); ++i) {
      TParam* s = Items[static_cast<std::size_t>(i)];
      if (!s) continue;
      s->BlockOn = pool.AcquireByIndex(kKindTS, at(LoadedBlockOn, i));
      s->BlockOff = pool.AcquireByIndex(kKindTS, at(LoadedBlockOff, i));
    }
  }
  NeedsResolve = false;
  LoadedIndexes.clear();
  LoadedNames.clear();
  LoadedBlockOn.clear();
  LoadedBlockOff.clear();
}

void TParams::SaveToImage(TConfig& cfg) {
  const std::size_t start = cfg.BeginBlock(BlockId());
  WriteVersion(cfg);
  cfg.WriteScalar<std::uint16_t>(Info().CountKey, static_cast<std::uint16_t>(Count()));
  if (ListRole == kRoleSelection) {
    std::vector<std::int16_t> indexes(Items.size());
    for (std::size_t i = 0; i < Items.size(); ++i)
      indexes[i] = static_cast<std::int16_t>(Storage().IndexOfHealing(SignalKind, Items[i]));
    WriteArray(cfg, kKeyIndexes, indexes);
  } else if (ListRole == kRoleOwn) {
    std::vector<std::uint8_t> names(Items.size() * kNameBytes, 0);
    for (std::size_t i = 0; i < Items.size(); ++i)
      if (Items[i]) PackShortString(Items[i]->Name(), kMaxNameChars, &names[i * kNameBytes]);
    WriteArray(cfg, kKeyNames, names);
    SaveKindValues(cfg);
  }
  cfg.EndBlock(start);
}

void TParams::LoadFromImage(TConfig& cfg) {
  if (!ReadVersion(cfg)) return;
  const int kept = Count();
  std::uint16_t stored = 0;
  cfg.ReadScalar(Info().CountKey, stored);
  const int count = std::min<int>(stored, kMaxSignals);

  // A count beyond the entries the block holds is a damaged block, not a longer list.
  auto holds = [&](std::uint16_t key, std::size_t entrySize) {
    const std::uint8_t* data;
    std::size_t size;
    if (cfg.FindValue(key, &data, &size) && size / entrySize < static_cast<std::size_t>(stored))
      Config().ReportLoadFault(Format("список %s хранит %d записей из %d", Caption(),
                                      static_cast<int>(size / entrySize),
                                      static_cast<int>(stored)));
  };
  if (ListRole == kRoleSelection) {
    holds(kKeyIndexes, 2);
    Clear();
    Items.assign(static_cast<std::size_t>(count), nullptr);
    ReadArray(cfg, kKeyIndexes, static_cast<std::size_t>(count), LoadedIndexes);
    NeedsResolve = true;
    return;
  }
  if (ListRole != kRoleOwn) return;
  holds(kKeyNames, kNameBytes);

  // An owner's own sizing wins over the stored count. Signals the owner did not create
  // are created here, so that a stored name is never dropped.
  const int target = kept ? kept : count;
  for (int i = target; i < Count(); ++i) Let(Items[static_cast<std::size_t>(i)]);
  Items.resize(static_cast<std::size_t>(target), nullptr);
  for (int i = 0; i < target; ++i) {
    TParam*& s = Items[static_cast<std::size_t>(i)];
    if (!s) s = NewSignal();
    s->Number = static_cast<std::int16_t>(i);  // own lists store no numbers: keep the position
  }

  const std::uint8_t* names;
  std::size_t size;
  if (cfg.FindValue(kKeyNames, &names, &size)) {
    const int n = std::min<int>(std::min(count, target), static_cast<int>(size / kNameBytes));
    std::string name;  // one buffer for every name of the list
    for (int i = 0; i < n; ++i) {
      TParam& s = *Items[static_cast<std::size_t>(i)];
      const std::uint8_t* at = names + static_cast<std::size_t>(i) * kNameBytes;
      Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(at + 1),
                                    std::min<std::size_t>(at[0], kMaxNameChars)),
                   name);
      s.SetName(name);
      if (s.DefaultName().empty()) s.SetDefaultName(s.Name());
      SplitPrefix(s, s.Prefix);
    }
  }
  LoadKindValues(cfg);
}

// --- discrete inputs ---

void TParamsTS::SaveKindValues(TConfig& cfg) {
  std::vector<std::uint8_t> types(Items.size(), 0);
  for (std::size_t i = 0; i < Items.size(); ++i)
    if (Items[i])
      types[i] = static_cast<std::uint8_t>((Items[i]->TSType & 3) | (Items[i]->Inverted & 4));
  WriteArray(cfg, kKeyTSType, types);
}

void TParamsTS::LoadKindValues(TConfig& cfg) {
  std::vector<std::uint8_t> types;
  ReadArray(cfg, kKeyTSType, Items.size(), types);
  for (std::size_t i = 0; i < types.size(); ++i) {
    Items[i]->TSType = types[i] & 3;
    Items[i]->Inverted = types[i] & 4;
  }
}

// --- commands ---

void TParamsTU::SaveKindValues(TConfig& cfg) {
  const bool any = std::any_of(Items.begin(), Items.end(),
                               [](const TParam* s) { return s && (s->BlockOn || s->BlockOff); });
  if (!any) return;
  std::vector<std::int16_t> on(Items.size(), -1), off(Items.size(), -1);
  for (std::size_t i = 0; i < Items.size(); ++i) {
    if (!Items[i]) continue;
    if (Items[i]->BlockOn)
      on[i] = static_cast<std::int16_t>(Storage().IndexOf(kKindTS, Items[i]->BlockOn.get()));
    if (Items[i]->BlockOff)
      off[i] = static_cast<std::int16_t>(Storage().IndexOf(kKindTS, Items[i]->BlockOff.get()));
  }
  WriteArray(cfg, kKeyBlockOn, on);
  WriteArray(cfg, kKeyBlockOff, off);
}

void TParamsTU::LoadKindValues(TConfig& cfg) {
  ReadArray(cfg, kKeyBlockOn, Items.size(), LoadedBlockOn);
  ReadArray(cfg, kKeyBlockOff, Items.size(), LoadedBlockOff);
  NeedsResolve = true;
}

// --- measurements ---

void TParamsTI::SaveKindValues(TConfig& cfg) {
  const std::size_t n = Items.size();
  std::vector<float> gain(n, 0), offset(n, 0), upper(n, 0), lower(n, 0);
  std::vector<std::uint8_t> relative(n, 0), group(n, 0);
  bool anyGain = false, anyUpper = false, anyLower = false, anyRelative = false;

  const TProc* proc = ProcOf(*this);
  std::unordered_map<std::string, int> groupIndex;  // name -> 1-based number, first wins
  if (proc)
    for (std::size_t g = 0; g < proc->Groups.size(); ++g)
      groupIndex.emplace(proc->Groups[g].Name, static_cast<int>(g) + 1);

  const int savedRounding = std::fegetround();
  std::fesetround(FE_TONEAREST);  // halves to even
  for (std::size_t i = 0; i < n; ++i) {
    const TParam* s = Items[i];
    if (!s) continue;
    gain[i] = s->Gain;
    offset[i] = s->Offset;
    anyGain |= s->Gain != 0;
    if (s->Group.empty()) continue;
    auto it = groupIndex.find(s->Group);
    if (it == groupIndex.end()) continue;
    const SporadicGroup& g = proc->Groups[static_cast<std::size_t>(it->second - 1)];
    group[i] = static_cast<std::uint8_t>(it->second);
    upper[i] = g.Upper;
    lower[i] = g.Lower;
    const float rel = std::nearbyint(g.RelAperture);
    relative[i] = static_cast<std::uint8_t>(std::isnan(rel) ? 0 : std::clamp(rel, 0.0f, 255.0f));
    anyUpper |= upper[i] != 0;
    anyLower |= lower[i] != 0;
    anyRelative |= relative[i] != 0;
  }
  std::fesetround(savedRounding);

  if (anyGain) {
    WriteArray(cfg, kKeyGain, gain);
    WriteArray(cfg, kKeyOffset, offset);
  }
  if (anyUpper) WriteArray(cfg, kKeyUpper, upper);
  if (anyLower) WriteArray(cfg, kKeyLower, lower);
  if (anyRelative) WriteArray(cfg, kKeyRelative, relative);
  WriteArray(cfg, kKeyGroup, group);
}

void TParamsTI::LoadKindValues(TConfig& cfg) {
  const std::size_t n = Items.size();
  std::vector<float> gain, offset, upper, lower;
  std::vector<std::uint8_t> relative, group;
  ReadArray(cfg, kKeyGain, n, gain);
  ReadArray(cfg, kKeyOffset, n, offset);
  const bool hasGroups = ReadArray(cfg, kKeyGroup, n, group);
  ReadArray(cfg, kKeyUpper, n, upper);
  ReadArray(cfg, kKeyLower, n, lower);
  ReadArray(cfg, kKeyRelative, n, relative);
  TProc* proc = ProcOf(*this);

  auto value = [](const auto& v, std::size_t i) {
    return i < v.size() ? static_cast<float>(v[i]) : 0.0f;
  };
  for (std::size_t i = 0; i < n; ++i) {
    TParam& s = *Items[i];
    s.Gain = value(gain, i);
    s.Offset = value(offset, i);
    s.Group.clear();
    if (!proc) continue;
    if (hasGroups) {
      const int number = i < group.size() ? group[i] : 0;
      if (number > 0 && number <= static_cast<int>(proc->Groups.size()))
        s.Group = proc->Groups[static_cast<std::size_t>(number - 1)].Name;
      continue;
    }
    // Older files carry the group's values instead of its number.
    const float up = value(upper, i), low = value(lower, i), rel = value(relative, i);
    if (up == 0 && low == 0 && rel == 0) continue;
    auto& groups = proc->Groups;
    auto it = std::find_if(groups.begin(), groups.end(), [&](const SporadicGroup& g) {
      return g.Upper == up && g.Lower == low && g.RelAperture == rel;
    });
    if (it != groups.end()) {
      s.Group = it->Name;
    } else if (static_cast<int>(groups.size()) < kMaxSporadicGroups) {
      SporadicGroup g;
      g.Upper = up;
      g.Lower = low;
      g.RelAperture = rel;
      g.Name = Format("Group%d", static_cast<int>(groups.size()));
      groups.push_back(g);
      s.Group = g.Name;
    }
  }
}

std::unique_ptr<TParams> MakeParams(Configuration& config, int kind, std::uint8_t role,
                                    TItem* owner) {
  switch (kind) {
    case kKindTS:
      return std::make_unique<TParamsTS>(config, role, owner);
    case kKindTU:
      return std::make_unique<TParamsTU>(config, role, owner);
    case kKindTI:
      return std::make_unique<TParamsTI>(config, role, owner);
    case kKindTII:
      return std::make_unique<TParamsTII>(config, role, owner);
    case kKindTR:
      return std::make_unique<TParamsTR>(config, role, owner);
    case kKindMTS:
      return std::make_unique<TParamsMTS>(config, role, owner);
    default:
      return nullptr;
  }
}

}  // namespace vilk
