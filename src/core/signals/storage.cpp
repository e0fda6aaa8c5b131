#include "signals/storage.h"

#include "controller/controller.h"
#include "model/configuration.h"

namespace vilk {

TStorage::TStorage(Configuration& config) : config_(config) {
  for (int k = 1; k <= kSignalKinds; ++k) lists_[Slot(k)] = MakeParams(config, k, kRolePool);
}

TStorage::~TStorage() = default;

int TStorage::Lookup(int kind, const std::string& name, bool byDefault) {
  if (!SignalKindOf(kind)) return -1;
  NameIndex& index = (byDefault ? byDefault_ : byName_)[Slot(kind)];
  const std::uint64_t generation =
      byDefault ? TParam::DefaultNameGeneration() : TParam::NameGeneration();
  if (index.generation != generation || index.rebuild != rebuilds_) {
    // Built on demand and only after names or the pool changed, so that a rebuild of
    // the pool stays a plain walk and a series of lookups stays linear.
    index.map.clear();
    const auto& items = List(kind).Items;
    index.map.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i])
        index.map.emplace(byDefault ? items[i]->DefaultName() : items[i]->Name(),
                          static_cast<int>(i));
    index.generation = generation;
    index.rebuild = rebuilds_;
  }
  auto it = index.map.find(name);
  return it == index.map.end() ? -1 : it->second;
}

TParam* TStorage::FindByDefaultName(int kind, const std::string& name) {
  const int i = Lookup(kind, name, true);
  return i < 0 ? nullptr : List(kind).At(i);
}

TParam* TStorage::FindByName(int kind, const std::string& name) {
  const int i = Lookup(kind, name, false);
  return i < 0 ? nullptr : List(kind).At(i);
}

SignalRef TStorage::AcquireByName(int kind, const std::string& name) {
  return SignalRef::Share(FindByName(kind, name));
}

SignalRef TStorage::AcquireByIndex(int kind, int index) {
  if (!SignalKindOf(kind) || index < 0 || index >= Count(kind)) return nullptr;
  return SignalRef::Share(List(kind).At(index));
}

int TStorage::IndexOf(int kind, const TParam* signal) const {
  if (!signal || !SignalKindOf(kind)) return -1;
  const TParams& list = List(kind);
  const int i = signal->PoolIndex;
  return i >= 0 && i < list.Count() && list.At(i) == signal ? i : -1;
}

int TStorage::IndexOfHealing(int kind, TParam*& ref) {
  const int i = IndexOf(kind, ref);
  if (i >= 0 || !ref || ref->Name().empty()) return i;
  SignalRef found = AcquireByName(kind, ref->Name());
  if (!found) return -1;
  SignalRef::Drop(ref);  // the slot's old hold
  ref = found.Detach();
  return IndexOf(kind, ref);
}

int TStorage::SignalNumber(int kind, const TParam* signal) const {
  const int i = IndexOf(kind, signal);
  return i < 0 ? -1 : SignalKindOf(kind)->BaseNumber + i;
}

void TStorage::Forget(const TParam* signal) {
  if (!signal || !SignalKindOf(signal->Kind)) return;
  auto& items = List(signal->Kind).Items;
  const int i = signal->PoolIndex;
  if (i >= 0 && i < static_cast<int>(items.size()) &&
      items[static_cast<std::size_t>(i)] == signal) {
    items[static_cast<std::size_t>(i)] = nullptr;
    ++rebuilds_;  // the name indexes may point at the emptied entry
  }
}

void TStorage::Clear() {
  for (auto& list : lists_) list->Items.clear();
  overflow_.fill(false);
  ++rebuilds_;
}

void TStorage::RebuildPool() {
  if (!config_.PoolPageEnabled) return;
  ForceRebuild();
}

void TStorage::ForceRebuild() {
  TController& root = config_.Controller();
  if (root.ChildCount() == 0) return;
  Clear();
  for (int i = 1; i < root.ChildCount(); ++i) root.Child(i)->CollectSignals(*this);
  TItem* proc = root.Child(0);
  for (int i = 0; i < proc->ChildCount(); ++i) proc->Child(i)->CollectSignals(*this);
  for (int i = 0; i < proc->ChildCount(); ++i) proc->Child(i)->RelinkSignals();
  config_.NotifyPoolChanged();
}

void TStorage::Relink(TParams& selection) {
  if (selection.NeedsResolve) return;
  const int kind = selection.SignalKind;
  for (TParam*& s : selection.Items) {
    if (!s || s->DefaultName().empty()) continue;
    TParam* found = FindByDefaultName(kind, s->DefaultName());
    if (!found) {
      s->Unresolved = true;
      continue;
    }
    if (found == s) {
      s->Unresolved = false;
    } else if (s->Unresolved) {
      const bool renamed = s->Name() != s->DefaultName();
      const std::string name = s->Name();
      SignalRef::Drop(s);  // the slot's old hold
      s = SignalRef::Share(found).Detach();
      if (renamed) found->SetName(name);
    }
  }
}

}  // namespace vilk
