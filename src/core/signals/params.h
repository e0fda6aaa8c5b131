#pragma once
// Signal lists: a device's own signals, a port's selection from the pool, or a pool list.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/item.h"
#include "signals/param.h"

namespace vilk {

// What an owner sizes its own list from: a number of parameters and their names.
class IParamSource {
 public:
  virtual ~IParamSource() = default;
  virtual int ParamCount() const = 0;
  virtual std::string ParamName(int index) const = 0;
};

// A parameter source over a list of names (convenience for owners and tests).
class NameListSource : public IParamSource {
 public:
  explicit NameListSource(std::vector<std::string> names) : names_(std::move(names)) {}
  int ParamCount() const override { return static_cast<int>(names_.size()); }
  std::string ParamName(int index) const override {
    return names_[static_cast<std::size_t>(index)];
  }

 private:
  std::vector<std::string> names_;
};

class TParams : public TItem {
 public:
  TParams(Configuration& config, int kind, std::uint8_t role = kRoleOwn, TItem* owner = nullptr);
  ~TParams() override;

  TItem* Owner = nullptr;
  bool NeedsResolve = false;
  std::uint16_t BaseNumber = 0;
  std::vector<TParam*> Items;  // Count = Items.size(); entries may be null

  int Count() const { return static_cast<int>(Items.size()); }
  TParam* At(int i) const { return Items[static_cast<std::size_t>(i)]; }
  const SignalKindInfo& Info() const { return *SignalKindOf(SignalKind); }

  virtual TParam* NewSignal() const;
  // Sizes an own list to `count` signals named "<prefix>.Пр<i+1>"; 0 keeps the count.
  virtual void Resize(int count, const std::string& prefix);
  // Rebuilds an own list from the owner's parameters, keeping signals whose parameter
  // kept its name.
  virtual void Rebuild(const IParamSource& source, std::uint8_t kindCode,
                       const std::string& prefix);
  virtual void MakePlaceholder(int index);

  // Names.
  static void SplitPrefix(TParam& s, const std::string& ownerPrefix);
  static std::string Reprefix(const std::string& name, const std::string& oldPrefix,
                              const std::string& newPrefix);
  static std::string ShortName(const TParam& s);
  static void SetShortName(TParam& s, std::string_view text);
  // Sets the default name and carries the user's name along (rules of Resize/Rebuild).
  static void SetNames(TParam& s, const std::string& defaultName, const std::string& prefix);

  void Resolve();
  void MarkAllFixed();
  // Appends the signals to the pool list of the same kind; false when they did not all
  // fit in its 8192 entries (the rest is left out).
  bool AppendTo(TParams& poolList) const;
  // Releases every signal and empties the list.
  void Clear();
  // Puts `signal` at the end, or before entry `row` (the list takes the handle's hold);
  // a full list lets it go.
  void Append(SignalRef signal);
  void Insert(int row, SignalRef signal);
  // Removes entry `index`, releasing the signal.
  void RemoveAt(int index);
  // Removes every entry `drop` says so of, releasing those signals; keeps the order.
  template <typename Pred>
  void RemoveIf(Pred drop) {
    std::size_t kept = 0;
    for (TParam* s : Items) {
      if (drop(s))
        Let(s);
      else
        Items[kept++] = s;
    }
    Items.resize(kept);
  }

  void UpdateCaption() override;
  void LoadFromImage(TConfig& cfg) override;
  void SaveToImage(TConfig& cfg) override;

  // Loaded references, kept until Resolve.
  std::vector<std::int16_t> LoadedIndexes;
  std::vector<std::string> LoadedNames;  // names of selections, where a port stores them
  std::vector<std::int16_t> LoadedBlockOn, LoadedBlockOff;

 protected:
  // Lets a signal of this list go (own lists also take it out of the pool).
  void Let(TParam* signal);
  // Kind-specific records of an own list.
  virtual void SaveKindValues(TConfig& /*cfg*/) {}
  virtual void LoadKindValues(TConfig& /*cfg*/) {}
};

class TParamsTS : public TParams {
 public:
  explicit TParamsTS(Configuration& c, std::uint8_t role = kRoleOwn, TItem* owner = nullptr)
      : TParams(c, kKindTS, role, owner) {}

 protected:
  void SaveKindValues(TConfig& cfg) override;
  void LoadKindValues(TConfig& cfg) override;
};

class TParamsTU : public TParams {
 public:
  explicit TParamsTU(Configuration& c, std::uint8_t role = kRoleOwn, TItem* owner = nullptr)
      : TParams(c, kKindTU, role, owner) {}

 protected:
  void SaveKindValues(TConfig& cfg) override;
  void LoadKindValues(TConfig& cfg) override;
};

class TParamsTI : public TParams {
 public:
  explicit TParamsTI(Configuration& c, std::uint8_t role = kRoleOwn, TItem* owner = nullptr)
      : TParams(c, kKindTI, role, owner) {}

 protected:
  void SaveKindValues(TConfig& cfg) override;
  void LoadKindValues(TConfig& cfg) override;
};

class TParamsTII : public TParams {
 public:
  explicit TParamsTII(Configuration& c, std::uint8_t role = kRoleOwn, TItem* owner = nullptr)
      : TParams(c, kKindTII, role, owner) {}
};

class TParamsTR : public TParams {
 public:
  explicit TParamsTR(Configuration& c, std::uint8_t role = kRoleOwn, TItem* owner = nullptr)
      : TParams(c, kKindTR, role, owner) {}
};

class TParamsMTS : public TParams {
 public:
  explicit TParamsMTS(Configuration& c, std::uint8_t role = kRoleOwn, TItem* owner = nullptr)
      : TParams(c, kKindMTS, role, owner) {}
};

// A list of the given kind (1..6).
std::unique_ptr<TParams> MakeParams(Configuration& config, int kind, std::uint8_t role = kRoleOwn,
                                    TItem* owner = nullptr);

}  // namespace vilk
