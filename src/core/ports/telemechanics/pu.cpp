#include "ports/telemechanics/pu.h"

#include "base/format.h"
#include "base/ini.h"
#include "base/messages.h"
#include "base/text.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/record.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyPlace = 77, kKeyNumber = 1, kKeyProtocol = 27, kKeyBoard = 30,
                        kKeySummaryTS = 35, kKeySummaryTI = 36, kKeySummaryTII = 73, kKeyTSRow = 45,
                        kKeyTIRow = 46, kKeyTIIRow = 107, kKeyLinkAddress = 109, kKeyAsdu = 108,
                        kKeyOptions = 78, kKeyBaseTS = 10, kKeyBaseMTS = 100, kKeyBaseTU = 12,
                        kKeyBaseTI = 11, kKeyBaseTII = 76, kKeyBaseTR = 51;
// The lists in tree and image order.
constexpr int kListOrder[] = {kKindTS, kKindTU, kKindTI, kKindTII, kKindTR, kKindMTS};

// The link and ASDU addresses of a new port: the controller's own address where it fits
// one byte.
std::uint8_t ControllerAddressByte(const Configuration& config) {
  const TProc* proc = config.Controller().Proc();
  const int address = proc ? proc->Address : 1;
  return static_cast<std::uint8_t>(address >= 1 && address <= 255 ? address : 1);
}

bool Timed(std::uint8_t format) {
  return format == 35 || format == 36;
}
}  // namespace

TPortPU::TPortPU(Configuration& config) : TPort(config) {
  Kind = kPortPU;
  SetName("ПУ");
  Number = 1;
  BoardMask = kMaskCom;
  ImageIndex = 0;
  SetIcon(0);
  Menu = PopupMenu::Delete;
  LinkAddress = AsduAddress = ControllerAddressByte(config);
  for (int kind : kListOrder) config.Append(this, MakeParams(config, kind, kRoleSelection, this));
  UpdateCaption();
}

std::uint8_t TPortPU::SummaryTI() const {
  if (TIFormat[2] == 0) return 0;
  return TIFormat[0] < 2 ? 1 : 2;
}

TParams* TPortPU::List(int kind) const {
  for (int i = 0; i < ChildCount(); ++i)
    if (TParams* list = Child(i)->AsParams();
        list && list->SignalKind == kind && list->ListRole == kRoleSelection && !list->IsKept())
      return list;
  return nullptr;
}

std::uint16_t TPortPU::Base(int kind) const {
  switch (kind) {
    case kKindTS:
      return BaseTS;
    case kKindTU:
      return BaseTU;
    case kKindTI:
      return BaseTI;
    case kKindTII:
      return BaseTII;
    case kKindTR:
      return BaseTR;
    case kKindMTS:
      return BaseMTS;
    default:
      return 0;
  }
}

std::string TPortPU::ChannelName(const TParams& list, int index) const {
  return Format("%d", Base(list.SignalKind) + index);
}

void TPortPU::LimitTimedTI(FormatRow& ti) {
  if ((Timed(ti[1]) || Timed(ti[2]) || Timed(ti[3])) && ti[0] > 16) ti[0] = 16;
}

std::string TPortPU::UpdatePeriodText() const {
  if (TIFormat[2] == 0) return "определяется периодом \"Опроса группы 2\"";
  const TParams* ti = List(kKindTI);
  const int count = ti ? ti->Count() : 0;
  const int perTelegram = TIFormat[0] ? TIFormat[0] : 1;
  return Format("%d запросов", (count + perTelegram - 1) / perTelegram);
}

void TPortPU::TakeFromStorage() {
  TStorage& pool = Storage();
  pool.ForceRebuild();
  for (int kind : kListOrder) {
    TParams* list = List(kind);
    if (!list || kind == kKindTII || kind == kKindMTS) continue;
    list->Clear();
    const TParams& from = pool.List(kind);
    auto take = [&](TParam* s) {
      list->Append(s ? Acquire(s) : SignalRef::Adopt(new TParam(static_cast<std::uint8_t>(kind))));
    };
    if (kind != kKindTI) {
      for (TParam* s : from.Items) take(s);
      continue;
    }
    // A two-word value takes two addresses of the panel: the one after it stays empty
    // (every pool signal is still passed on). Under IEC-101 the panel reads ТИ in groups
    // of eight: after a pool group that held a two-word value the selection goes on at
    // its next multiple of eight, so each pool group starts a group of its own.
    const bool groups = ProtocolCode == kIec101;
    int group = 0;
    bool twoWord = false;
    for (int p = 0; p < from.Count() && list->Count() < kMaxSignals; ++p) {
      if (groups && p / 8 != group) {
        if (twoWord)
          while (list->Count() % 8 != 0) take(nullptr);
        group = p / 8;
        twoWord = false;
      }
      TParam* s = from.At(p);
      take(s);
      if (s && s->ValueFormat == 4) {
        twoWord = true;
        take(nullptr);
      }
    }
  }
  pool.RebuildPool();
}

namespace {
IniDocument PanelIni(const TPortPU& pu) {
  static const std::pair<int, const char*> kKinds[] = {{kKindTS, "TS."},   {kKindMTS, "MTS."},
                                                       {kKindTU, "TU."},   {kKindTI, "TI."},
                                                       {kKindTII, "TII."}, {kKindTR, "TR."}};
  IniDocument ini;
  for (const auto& [kind, tag] : kKinds) {
    const TParams* list = pu.List(kind);
    if (!list) continue;
    for (int i = 0; i < list->Count(); ++i) {
      const TParam* s = list->At(i);
      const std::string name = s ? s->Name() : std::string();
      // "a.b.c": section "<tag>a.b", value "c".
      const std::size_t dot = name.rfind('.');
      std::string section = tag;
      if (dot != std::string::npos) section += name.substr(0, dot);
      ini.WriteString(section, pu.ChannelName(*list, i),
                      dot == std::string::npos ? name : name.substr(dot + 1));
    }
  }
  return ini;
}
}  // namespace

std::string TPortPU::IniText() const {
  return Cp1251ToUtf8(PanelIni(*this).ToBytes());
}

// The file is written whole: what it held before is not merged.
bool TPortPU::ExportIni(const std::string& path) const {
  std::string error;
  if (!PanelIni(*this).SaveFile(path, &error)) {
    Config().Messages().Error("Ошибка записи файла " + path);
    return false;
  }
  return true;
}

const RecordDesc* TPortPU::Record() const {
  auto summary = [](std::uint8_t (TPortPU::*get)() const) {
    return [get](const TItem& item) -> std::int64_t {
      return (static_cast<const TPortPU&>(item).*get)();
    };
  };
  static const RecordDesc record =
      RecordDesc()
          .Text(kKeyPlace, "place", &TPortPU::Place, kMaxNameChars)
          .Field(kKeyNumber, "number", &TPortPU::Number)
          .Field(kKeyProtocol, "protocol", &TPortPU::ProtocolCode)
          .Board(kKeyBoard)
          // What older controllers read in place of the rows, always derived from them.
          .Computed(kKeySummaryTS, "summary_ts", FieldType::U8, summary(&TPortPU::SummaryTS))
          .Computed(kKeySummaryTI, "summary_ti", FieldType::U8, summary(&TPortPU::SummaryTI))
          .Computed(kKeySummaryTII, "summary_tii", FieldType::U8, summary(&TPortPU::SummaryTII))
          .Bytes(kKeyTSRow, "ts_format", &TPortPU::TSFormat)
          .OnMissing([](TItem& item, TConfig& cfg) {
            // A record older than the rows: they are derived from the summary bytes.
            auto& pu = static_cast<TPortPU&>(item);
            std::uint8_t ts = 0, ti = 0, tii = 0;
            if (cfg.ReadScalar(kKeySummaryTS, ts)) {
              if (ts == 7) ts = 1;
              if (ts == 1 || ts == 30) pu.TSFormat[3] = ts;
            }
            if (cfg.ReadScalar(kKeySummaryTI, ti)) {
              if (ti == 0) {
                pu.TIFormat[0] = 8;
                pu.TIFormat[2] = 0;
              } else if (ti == 1) {
                pu.TIFormat[0] = 1;
              } else if (ti == 2) {
                pu.TIFormat[0] = 8;
              }
            }
            if (cfg.ReadScalar(kKeySummaryTII, tii))
              pu.TIIFormat[0] = tii == 1 || tii == 4 || tii == 8 ? tii : 4;
          })
          .Bytes(kKeyTIRow, "ti_format", &TPortPU::TIFormat)
          .Bytes(kKeyTIIRow, "tii_format", &TPortPU::TIIFormat)
          .Field(kKeyLinkAddress, "link_address", &TPortPU::LinkAddress)
          .Field(kKeyAsdu, "asdu_address", &TPortPU::AsduAddress)
          .Field(kKeyOptions, "options", &TPortPU::Options)
          .Field(kKeyBaseTS, "base_ts", &TPortPU::BaseTS)
          .Field(kKeyBaseMTS, "base_mts", &TPortPU::BaseMTS)
          .Field(kKeyBaseTU, "base_tu", &TPortPU::BaseTU)
          .Field(kKeyBaseTI, "base_ti", &TPortPU::BaseTI)
          .Field(kKeyBaseTII, "base_tii", &TPortPU::BaseTII)
          .Field(kKeyBaseTR, "base_tr", &TPortPU::BaseTR);
  return &record;
}

void TPortPU::SaveToImage(TConfig& cfg) {
  const std::size_t start = cfg.BeginBlock(BlockId());
  WriteVersion(cfg);
  Record()->Save(cfg, *this);
  for (int kind : kListOrder) {
    TParams* list = List(kind);
    if (list && (kind != kKindMTS || list->Count() > 0)) list->Save(cfg);
  }
  SaveKeptChildren(cfg);
  cfg.EndBlock(start);
}

void TPortPU::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  TSFormat = kDefaultTSRow;
  TIFormat = kDefaultTIRow;
  TIIFormat = kDefaultTIIRow;
  Record()->Load(cfg, *this);
  UpdateCaption();
  TController::LoadBoard(this, cfg, kKeyBoard);
  // The lists in whatever order they come, each once; any other block is kept.
  bool read[kSignalKinds + 1] = {};
  int id;
  while ((id = PeekChild(cfg, end)) != kNoBlock) {
    const int kind = SignalKindOfBlock(id);
    TParams* list = kind ? List(kind) : nullptr;
    if (list && !read[kind]) {
      read[kind] = true;
      LoadChild(cfg, list);
    } else {
      LoadOrKeepNextChild(cfg, nullptr);
    }
  }
}

}  // namespace vilk
