#include "ports/devices/auto_port.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>

#include "base/format.h"
#include "base/ini.h"
#include "model/configuration.h"
#include "model/record.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyNumber = 1, kKeyEnabled = 4, kKeyTSCount = 13, kKeyTUCount = 15;

// A stored count of names, bounded by what a list holds: refused beyond it with a
// message naming the count, never taken as a size to allocate.
int CheckedCount(IMessages& messages, const char* kind, std::int32_t stored) {
  if (stored >= 0 && stored <= kMaxSignals) return stored;
  const int taken = stored < 0 ? 0 : kMaxSignals;
  messages.Error(Format("Порт автоматики: число имён %s %d вне пределов 0..%d, принято %d.", kind,
                        static_cast<int>(stored), kMaxSignals, taken));
  return taken;
}
}  // namespace

TPortAuto::TPortAuto(Configuration& config) : TPort(config) {
  Kind = kPortAuto;
  SetName("Автоматики");
  Number = 1;
  ImageIndex = 11;
  SetIcon(11);
  Menu = PopupMenu::Delete;
  UpdateCaption();
}

TParams* TPortAuto::List(int kind) const {
  for (int i = 0; i < ChildCount(); ++i)
    if (TParams* list = Child(i)->AsParams();
        list && list->SignalKind == kind && list->ListRole == kRoleOwn && !list->IsKept())
      return list;
  return nullptr;
}

TParams* TPortAuto::TSList() const {
  return List(kKindTS);
}
TParams* TPortAuto::TUList() const {
  return List(kKindTU);
}

void TPortAuto::UpdateSignalList() {
  Configuration& config = Config();
  if (TSNames.empty())
    if (TParams* ts = TSList()) config.Remove(ts);
  if (TUNames.empty())
    if (TParams* tu = TUList()) config.Remove(tu);
  // ТУ first, then ТС, each in front: the ТС list ends up the first child.
  if (!TUNames.empty() && !TUList())
    config.Insert(this, 0, MakeParams(config, kKindTU, kRoleOwn, this));
  if (!TSNames.empty() && !TSList())
    config.Insert(this, 0, MakeParams(config, kKindTS, kRoleOwn, this));
  if (TParams* ts = TSList()) {
    ts->Rebuild(NameListSource(TSNames), 0, "");
    ts->MarkAllFixed();
  }
  if (TParams* tu = TUList()) {
    tu->Rebuild(NameListSource(TUNames), 0, "");
    tu->MarkAllFixed();
  }
  Storage().RebuildPool();
}

bool TPortAuto::ExportInputs(const std::string& path) const {
  IMessages& messages = Config().Messages();
  IniDocument ini;
  std::error_code ec;
  std::string error;
  if (std::filesystem::exists(path, ec) && !ini.LoadFile(path, &error)) {
    messages.Error(error.empty() ? "Ошибка чтения файла " + path : error);
    return false;
  }
  Storage().ForceRebuild();
  static const std::pair<int, const char*> kSections[] = {
      {kKindTS, "TS_in"}, {kKindTU, "TU_in"}, {kKindTI, "TI_in"}, {kKindTR, "TR_in"}};
  for (const auto& [kind, section] : kSections) {
    ini.EraseSection(section);
    const TParams& pool = Storage().List(kind);
    for (int i = 0; i < pool.Count(); ++i) {
      const TParam* s = pool.At(i);
      ini.WriteString(section, Format("%d", i), s ? s->Name() : std::string());
    }
  }
  if (!ini.SaveFile(path, &error)) {
    messages.Error("Ошибка записи файла " + path);
    return false;
  }
  return true;
}

bool TPortAuto::ImportOutputs(const std::string& path) {
  IMessages& messages = Config().Messages();
  IniDocument ini;
  std::string error;
  if (!ini.LoadFile(path, &error)) {
    messages.Error(error.empty() ? "Ошибка чтения файла " + path : error);
    return false;
  }
  std::vector<std::string> ts, tu;
  for (const auto& [key, value] : ini.SectionValues("TS_out")) ts.push_back(value);
  std::unordered_set<std::string> seen;
  for (const auto& [key, value] : ini.SectionValues("TU_out"))
    if (seen.insert(value).second) tu.push_back(value);
  for (const auto& [names, section] : {std::pair{&ts, "TS_out"}, std::pair{&tu, "TU_out"}})
    if (names->size() > static_cast<std::size_t>(kMaxSignals)) {
      messages.Error(Format("Файл %s: в разделе %s %d имён, список вмещает %d.", path, section,
                            static_cast<int>(names->size()), kMaxSignals));
      return false;
    }
  TSNames = std::move(ts);
  TUNames = std::move(tu);
  UpdateSignalList();
  return true;
}

const RecordDesc* TPortAuto::Record() const {
  auto count = [](bool tsList) {
    return [tsList](const TItem& item) -> std::int64_t {
      const auto& port = static_cast<const TPortAuto&>(item);
      return static_cast<std::int64_t>(tsList ? port.TSNames.size() : port.TUNames.size());
    };
  };
  static const RecordDesc record =
      RecordDesc()
          .Field(kKeyNumber, "number", &TPortAuto::Number)
          .Field(kKeyEnabled, "enabled", &TPortAuto::Enabled)
          .Computed(kKeyTSCount, "ts_names", FieldType::I32, count(true))
          .Computed(kKeyTUCount, "tu_names", FieldType::I32, count(false));
  return &record;
}

void TPortAuto::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  TSNames.clear();
  TUNames.clear();
  Record()->Load(cfg, *this);
  std::int32_t tsCount = 0, tuCount = 0;
  cfg.ReadScalar(kKeyTSCount, tsCount);
  cfg.ReadScalar(kKeyTUCount, tuCount);
  TSNames.assign(static_cast<std::size_t>(CheckedCount(Config().Messages(), "ТС", tsCount)), {});
  TUNames.assign(static_cast<std::size_t>(CheckedCount(Config().Messages(), "ТУ", tuCount)), {});
  UpdateSignalList();
  UpdateCaption();
  // The list blocks carry the names. A list block whose count in the record said no
  // names is read all the same (its names are the outputs); a second block of a kind, or
  // any other, is kept as it was.
  bool tsRead = false, tuRead = false;
  int id;
  while ((id = PeekChild(cfg, end)) != kNoBlock) {
    const int kind = SignalKindOfBlock(id);
    bool* read = kind == kKindTS ? &tsRead : kind == kKindTU ? &tuRead : nullptr;
    if (!read || *read) {
      LoadOrKeepNextChild(cfg, nullptr);
      continue;
    }
    *read = true;
    TParams* list = kind == kKindTS ? TSList() : TUList();
    if (!list) {
      const int row = kind == kKindTS || !TSList() ? 0 : 1;  // ТС first
      list = Config().Insert(this, row, MakeParams(Config(), kind, kRoleOwn, this))->AsParams();
    }
    LoadChild(cfg, list);
    std::vector<std::string>& names = kind == kKindTS ? TSNames : TUNames;
    if (!list->IsKept() && static_cast<int>(names.size()) != list->Count()) {
      Config().Messages().Error(
          Format("Порт автоматики: число имён %s %d, а список хранит %d; "
                 "принято %d.",
                 kind == kKindTS ? "ТС" : "ТУ", static_cast<int>(names.size()), list->Count(),
                 list->Count()));
      names.resize(static_cast<std::size_t>(list->Count()));
    }
  }
  // The names are the program's outputs: a later rebuild must find them again.
  for (auto [list, names] : {std::pair{TSList(), &TSNames}, std::pair{TUList(), &TUNames}}) {
    if (!list) continue;
    for (int i = 0; i < list->Count() && i < static_cast<int>(names->size()); ++i)
      if (const TParam* s = list->At(i)) (*names)[static_cast<std::size_t>(i)] = s->Name();
    list->MarkAllFixed();
  }
}

}  // namespace vilk
