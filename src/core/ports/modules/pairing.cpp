#include "ports/modules/pairing.h"

#include <algorithm>
#include <unordered_set>

#include "base/format.h"
#include "model/configuration.h"
#include "model/record.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyNumber = 1, kKeyFlags = 43, kKeyOff = 111, kKeyOn = 110,
                        kKeyTransition = 17;

// The number of a record name "Пр<n>", or 0 when the name has another form.
int PairNumber(const std::string& name) {
  static const std::string stem = "Пр";
  if (name.size() <= stem.size() || name.compare(0, stem.size(), stem) != 0) return 0;
  int n = 0;
  for (std::size_t i = stem.size(); i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || n > kMaxPairs) return 0;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}
}  // namespace

TPairPort::TPairPort(Configuration& config, int kind, const char* name, int signalKind, int icon)
    : TPort(config) {
  Kind = static_cast<std::uint8_t>(kind);
  SetName(name);
  Number = 1;
  SignalKind = static_cast<std::uint8_t>(signalKind);
  ListRole = kRolePairing;
  ImageIndex = icon;
  SetIcon(icon);
  Menu = PopupMenu::Delete;
  UpdateCaption();
}

TParams* TPairPort::OwnList() const {
  for (int i = 0; i < ChildCount(); ++i)
    if (TParams* l = Child(i)->AsParams();
        l && l->SignalKind == SignalKind && l->ListRole == kRoleOwn && !l->IsKept())
      return l;
  return nullptr;
}

std::string TPairPort::PortText() const {
  return Format("%d_Порт", Number);
}

void TPairPort::UpdateCaption() {
  SetCaption(Format("%d_Порт %s", Number, Name()));
}

std::vector<std::string> TPairPort::FreshNames(int count) const {
  std::unordered_set<int> used;
  used.reserve(Pairs.size());
  for (const TPair& p : Pairs)
    if (const int n = PairNumber(p.Name)) used.insert(n);
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int n = 1; static_cast<int>(names.size()) < count; ++n)
    if (!used.count(n)) names.push_back(Format("Пр%d", n));
  return names;
}

void TPairPort::SetCount(int count) {
  if (count > kMaxPairs) {
    Config().Messages().Error(Format("Порт %s: записей пар не может быть больше %d, задано %d",
                                     Caption(), kMaxPairs, count));
    count = kMaxPairs;
  }
  count = std::max(count, 0);
  if (count < PairCount()) {
    Pairs.resize(static_cast<std::size_t>(count));
  } else if (count > PairCount()) {
    for (std::string& name : FreshNames(count - PairCount())) {
      TPair pair;
      pair.Name = std::move(name);
      if (SignalKind == kKindTU) pair.OffFlag = pair.OnFlag = 1;
      Pairs.push_back(std::move(pair));
    }
  }
  UpdateSignalList();
}

void TPairPort::RemovePair(int index) {
  if (index < 0 || index >= PairCount()) return;
  Pairs.erase(Pairs.begin() + index);
  UpdateSignalList();
}

bool TPairPort::SetChannel(int index, bool on, TParam* signal) {
  if (index < 0 || index >= PairCount() || !Pairs[static_cast<std::size_t>(index)].Kept.empty())
    return false;
  if (signal && signal->Kind != SignalKind) {
    Config().Messages().Error(Format("Порт %s принимает только сигналы %s", Caption(),
                                     SignalKindOf(SignalKind)->Caption));
    return false;
  }
  if (const TParams* own = OwnList();
      signal && own &&
      std::find(own->Items.begin(), own->Items.end(), signal) != own->Items.end()) {
    Config().Messages().Error(Format("Сигнал %s создан самим портом %s и не может входить в пару",
                                     signal->Name(), Caption()));
    return false;
  }
  TPair& pair = Pairs[static_cast<std::size_t>(index)];
  (on ? pair.On : pair.Off) = SignalRef::Share(signal);  // the replaced hold goes here
  return true;
}

int TPairPort::PoolIndex(const SignalRef& channel) const {
  return channel ? Storage().IndexOf(SignalKind, channel.get()) : -1;
}

std::string TPairPort::PairName(int index) const {
  const TParams* list = OwnList();
  if (list && index < list->Count())
    if (const TParam* s = list->At(index)) return TParams::ShortName(*s);
  return Pairs[static_cast<std::size_t>(index)].Name;
}

void TPairPort::UpdateSignalList() {
  UpdateCaption();
  TParams* list = OwnList();
  if (Pairs.empty()) {
    if (list) Config().Remove(list);
  } else {
    if (!list)
      list = Config().Append(this, MakeParams(Config(), SignalKind, kRoleOwn, this))->AsParams();
    std::vector<std::string> names;
    names.reserve(Pairs.size());
    for (const TPair& p : Pairs) names.push_back(p.Name);
    list->Rebuild(NameListSource(std::move(names)), 0, PortText());
  }
  Storage().RebuildPool();
}

void TPairPort::AfterLoad() {
  TPort::AfterLoad();
  int missing = 0;
  auto resolve = [&](std::int16_t& loaded, SignalRef& ref) {
    if (loaded != -1) {
      ref = Storage().AcquireByIndex(SignalKind, loaded);
      if (!ref) ++missing;
    }
    loaded = -1;
  };
  for (TPair& p : Pairs) {
    if (!p.Kept.empty()) continue;
    resolve(p.LoadedOff, p.Off);
    resolve(p.LoadedOn, p.On);
  }
  if (missing)
    Config().Messages().Error(
        Format("Порт %s: ссылок на сигналы, которых нет в списке сигналов: %d; они сохранятся "
               "пустыми (-1)",
               Caption(), missing));
}

void TPairPort::SavePair(TConfig& cfg, const TPair& pair) const {
  if (!pair.Kept.empty()) {
    cfg.WriteRaw(pair.Kept);
    return;
  }
  // References not yet resolved (AfterLoad has not run) are written as they were read.
  auto index = [&](const SignalRef& ref, std::int16_t loaded) -> std::int16_t {
    return static_cast<std::int16_t>(ref ? PoolIndex(ref) : loaded);
  };
  const std::size_t start = cfg.BeginBlock(PairBlockId());
  cfg.WriteScalar<std::uint8_t>(kVersionKey, 1);
  cfg.WriteScalar<std::uint16_t>(kKeyFlags,
                                 static_cast<std::uint16_t>(pair.OffFlag | (pair.OnFlag << 8)));
  cfg.WriteScalar<std::int16_t>(kKeyOff, index(pair.Off, pair.LoadedOff));
  cfg.WriteScalar<std::int16_t>(kKeyOn, index(pair.On, pair.LoadedOn));
  if (HasTransitionTime()) cfg.WriteScalar<std::uint16_t>(kKeyTransition, pair.TransitionTime);
  cfg.EndBlock(start);
}

void TPairPort::LoadPair(TConfig& cfg, std::size_t header, TPair& pair) const {
  std::uint8_t version = 1;
  if (cfg.ReadScalar(kVersionKey, version) && version > 1) {
    Config().Messages().Error(NewerVersionText());
    pair.Kept = cfg.BlockBytes(header);
    return;
  }
  std::uint16_t flags = static_cast<std::uint16_t>(pair.OffFlag | (pair.OnFlag << 8));
  cfg.ReadScalar(kKeyFlags, flags);
  pair.OffFlag = static_cast<std::uint8_t>(flags & 0xFF);
  pair.OnFlag = static_cast<std::uint8_t>(flags >> 8);
  cfg.ReadScalar(kKeyOff, pair.LoadedOff);
  cfg.ReadScalar(kKeyOn, pair.LoadedOn);
  if (HasTransitionTime()) cfg.ReadScalar(kKeyTransition, pair.TransitionTime);
}

void TPairPort::SaveToImage(TConfig& cfg) {
  const std::size_t start = cfg.BeginBlock(BlockId());
  WriteVersion(cfg);
  Record()->Save(cfg, *this);
  for (const TPair& pair : Pairs) SavePair(cfg, pair);
  if (TParams* list = OwnList()) list->Save(cfg);
  SaveKeptChildren(cfg);
  cfg.EndBlock(start);
}

void TPairPort::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  std::uint16_t count = 0;
  cfg.ReadScalar(CountKey(), count);
  // Everything comes from the block: records and the own list start anew.
  Pairs.clear();
  if (TParams* old = OwnList()) Config().Remove(old);
  UpdateCaption();

  // The pair records first, then the own list, which is named after them.
  std::vector<TPair> read;
  bool tooMany = false;
  bool haveList = false;
  std::size_t listHeader = 0;
  const int listId = SignalKindOf(SignalKind)->BlockId;
  int id;
  while ((id = PeekChild(cfg, end)) != kNoBlock) {
    if (id == PairBlockId()) {
      cfg.NextBlock();
      const std::size_t header = cfg.Cursor() - 8;
      if (static_cast<int>(read.size()) < kMaxPairs) {
        read.emplace_back();
        if (SignalKind == kKindTU) read.back().OffFlag = read.back().OnFlag = 1;
        LoadPair(cfg, header, read.back());
      } else {
        tooMany = true;
      }
      cfg.SkipBlockAt(header);
    } else if (id == listId && !haveList) {
      cfg.NextBlock();
      listHeader = cfg.Cursor() - 8;
      haveList = true;
      cfg.SkipBlockAt(listHeader);
    } else {
      LoadOrKeepNextChild(cfg, nullptr);
    }
  }
  const std::size_t after = cfg.Cursor();

  // The records present are the port's records (a count can be damaged; a record cannot
  // be made up): a count that disagrees is named, and so are records past the list's size.
  const int records = static_cast<int>(read.size());
  if (tooMany)
    Config().Messages().Error(
        Format("Порт %s: записей пар больше %d; читаются первые %d, остальные не сохранятся",
               Caption(), kMaxPairs, kMaxPairs));
  else if (count != records)
    Config().Messages().Error(
        Format("Порт %s: количество записей пар %d, а записей в блоке %d; приняты записи блока",
               Caption(), static_cast<int>(count), records));
  // Records are named by position, which the own list's default names follow; the names
  // the list stores are the user's.
  for (int i = 0; i < records; ++i) read[static_cast<std::size_t>(i)].Name = Format("Пр%d", i + 1);
  Pairs = std::move(read);
  UpdateSignalList();
  if (TParams* list = haveList ? OwnList() : nullptr) {
    cfg.Seek(listHeader);
    LoadChild(cfg, list);
  }
  cfg.Seek(after);
}

std::vector<ShownField> TPairPort::ShowPairs(const TItem& item) {
  const auto& port = static_cast<const TPairPort&>(item);
  std::vector<ShownField> shown;
  const bool ts = port.HasTransitionTime();
  auto channel = [&](const SignalRef& ref, std::int16_t loaded) -> std::string {
    if (!ref) return loaded >= 0 ? Format("#%d", loaded) : "none";
    const int i = port.PoolIndex(ref);
    if (i < 0) return "unresolved: " + ref->Name();
    return Format("%s (%d)", ref->Name(), SignalKindOf(port.SignalKind)->BaseNumber + i);
  };
  for (int i = 0; i < port.PairCount(); ++i) {
    const TPair& p = port.Pairs[static_cast<std::size_t>(i)];
    const std::string at = Format("pair%d_", i + 1);
    shown.push_back({at + "name", port.PairName(i), "", 0, true});
    if (!p.Kept.empty()) {
      shown.push_back(
          {at + "kept_bytes", Format("%d", static_cast<int>(p.Kept.size())), "", 0, false});
      continue;
    }
    shown.push_back({at + "off", channel(p.Off, p.LoadedOff), "", kKeyOff, true});
    shown.push_back({at + "on", channel(p.On, p.LoadedOn), "", kKeyOn, true});
    const char* flag = ts ? "invert" : "command";
    shown.push_back({at + "off_" + flag, Format("%d", p.OffFlag), "", kKeyFlags, false});
    shown.push_back({at + "on_" + flag, Format("%d", p.OnFlag), "", kKeyFlags, false});
    if (ts)
      shown.push_back(
          {at + "transition_time", Format("%d", p.TransitionTime), "мс", kKeyTransition, false});
  }
  return shown;
}

namespace {
// The port's own values; the pairs are shown from here and written as blocks of their own.
RecordDesc PairPortRecord(std::uint16_t countKey) {
  RecordDesc record;
  record.Field(kKeyNumber, "number", &TPairPort::Number)
      .Computed(countKey, "pair_count", FieldType::U16,
                [](const TItem& item) { return static_cast<const TPairPort&>(item).PairCount(); })
      .Custom(
          0, "pairs", [](const TItem&) { return std::vector<std::uint8_t>{}; }, nullptr,
          [](const TItem& item) { return static_cast<const TPairPort&>(item).ShowPairs(item); })
      .When([](const TItem&) { return false; });
  return record;
}
}  // namespace

TPortTS2::TPortTS2(Configuration& config) : TPairPort(config, kPortTS2, "ТС-2", kKindTS, 5) {}

const RecordDesc* TPortTS2::Record() const {
  static const RecordDesc record = PairPortRecord(13);
  return &record;
}

TPortTU2::TPortTU2(Configuration& config) : TPairPort(config, kPortTU2, "ТУ-2", kKindTU, 6) {}

const RecordDesc* TPortTU2::Record() const {
  static const RecordDesc record = PairPortRecord(15);
  return &record;
}

}  // namespace vilk
