#pragma once
// The signal pool: six lists, one per kind, concatenating every own list of the tree in
// tree order. A signal's controller-wide number is its kind's base number plus its
// position here.
#include <array>
#include <memory>
#include <string>
#include <unordered_map>

#include "signals/params.h"

namespace vilk {

class TStorage {
 public:
  explicit TStorage(Configuration& config);
  ~TStorage();

  TParams& List(int kind) const { return *lists_[Slot(kind)]; }
  int Count(int kind) const { return List(kind).Count(); }
  // True when the own lists of this kind did not fit into 8192 entries at the last rebuild.
  bool Overflow(int kind) const { return overflow_[Slot(kind)]; }

  TParam* FindByDefaultName(int kind, const std::string& name);
  TParam* FindByName(int kind, const std::string& name);
  SignalRef AcquireByName(int kind, const std::string& name);
  SignalRef AcquireByIndex(int kind, int index);
  int IndexOf(int kind, const TParam* signal) const;
  int IndexOfHealing(int kind, TParam*& ref);
  // Controller-wide number of a pool signal, or -1.
  int SignalNumber(int kind, const TParam* signal) const;

  // Rebuilds the six lists from the tree (nothing while the pool page is disabled or
  // the tree holds only its root), relinks the ports' selections, tells observers.
  void RebuildPool();
  // The same without the page check (saving and loading need a current pool).
  void ForceRebuild();
  void Relink(TParams& selection);
  void Clear();
  // An own list let `signal` go: its pool entry is emptied at once, so that the pool
  // never points at a freed signal between two rebuilds.
  void Forget(const TParam* signal);
  // Called by AppendTo when a list did not fit.
  void MarkOverflow(int kind) { overflow_[Slot(kind)] = true; }

 private:
  static std::size_t Slot(int kind) { return static_cast<std::size_t>(kind - 1); }
  struct NameIndex {
    std::unordered_map<std::string, int> map;
    std::uint64_t generation = ~0ull;
    std::uint64_t rebuild = ~0ull;
  };
  int Lookup(int kind, const std::string& name, bool byDefault);

  Configuration& config_;
  std::array<std::unique_ptr<TParams>, kSignalKinds> lists_;
  std::array<bool, kSignalKinds> overflow_{};
  std::array<NameIndex, kSignalKinds> byName_, byDefault_;
  std::uint64_t rebuilds_ = 0;
};

}  // namespace vilk
