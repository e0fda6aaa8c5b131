#include "ports/telemechanics/pc.h"

#include "base/format.h"
#include "controller/controller.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/record.h"
#include "model/records.h"
#include "signals/params.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyPlace = 77, kKeyIp = 49, kKeyGateway = 68, kKeyAsdu = 108,
                        kKeyLegacyTS = 35, kKeyLegacyTI = 36, kKeyLegacyTII = 73, kKeyTSRow = 45,
                        kKeyTIRow = 46, kKeyTIIRow = 107, kKeyCyclic = 18, kKeyT1 = 63, kKeyT2 = 64,
                        kKeyT3 = 65, kKeyK = 66, kKeyW = 67, kKeyPermissions = 78, kKeyBaseTS = 10,
                        kKeyBaseMTS = 100, kKeyBaseTU = 12, kKeyBaseTI = 11, kKeyBaseTII = 76,
                        kKeyBaseTR = 51;
// The lists in tree and image order.
constexpr int kListOrder[] = {kKindTS, kKindTU, kKindTI, kKindTII, kKindTR, kKindMTS};
}  // namespace

TPC::TPC(Configuration& config) : TPort(config) {
  Kind = kPCKind;
  SetName("ПЭВМ");
  ImageIndex = 15;
  SetIcon(15);
  ListRole = kRoleSelection;
  Number = 1;
  Menu = PopupMenu::DuplicateDelete;
  if (const TProc* proc = config.Controller().Proc()) AsduAddress = proc->Address;
  for (int kind : kListOrder) config.Append(this, MakeParams(config, kind, kRoleSelection, this));
  UpdateCaption();
}

TParams* TPC::List(int kind) const {
  for (int i = 0; i < ChildCount(); ++i)
    if (TParams* list = Child(i)->AsParams(); list && list->SignalKind == kind) return list;
  return nullptr;
}

std::uint16_t TPC::Base(int kind) const {
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

std::string TPC::ChannelName(const TParams& list, int index) const {
  return Format("%d", Base(list.SignalKind) + index);
}

void TPC::NormalizeFormats() {
  if (TSFormat[3] == 30 && TSFormat[0] > 16) TSFormat[0] = 16;
  const bool timed = TIFormat[1] == 35 || TIFormat[1] == 36 || TIFormat[2] == 35 ||
                     TIFormat[2] == 36 || TIFormat[3] == 35 || TIFormat[3] == 36;
  if (timed && TIFormat[0] > 16) TIFormat[0] = 16;
}

std::string TPC::UpdatePeriodText() const {
  if (TIFormat[2] == 0) return "определяется периодом \"Опроса группы 2\"";
  const TParams* ti = List(kKindTI);
  const int count = ti ? ti->Count() : 0;
  const int perMessage = TIFormat[0] ? TIFormat[0] : 1;
  return Format("%d с", static_cast<int>(CyclicInterval) * count / 1000 / perMessage);
}

const RecordDesc* TPC::Record() const {
  auto computed = [](std::uint8_t (*get)(const TPC&)) {
    return [get](const TItem& item) -> std::int64_t { return get(static_cast<const TPC&>(item)); };
  };
  static const RecordDesc record =
      RecordDesc()
          .Text(kKeyPlace, "place", &TPC::Place, kMaxNameChars)
          .Ip(kKeyIp, "pc_ip", &TPC::PcIp)
          .Ip(kKeyGateway, "gateway", &TPC::Gateway)
          .Field(kKeyAsdu, "asdu_address", &TPC::AsduAddress)
          // The single bytes older controllers read; newer ones read the rows below.
          .Computed(kKeyLegacyTS, "legacy_ts_interrogation", FieldType::U8,
                    computed([](const TPC& pc) { return pc.TSFormat[3]; }))
          .Computed(kKeyLegacyTI, "legacy_ti_count", FieldType::U8,
                    computed([](const TPC& pc) { return pc.TIFormat[0]; }))
          .Computed(kKeyLegacyTII, "legacy_tii_count", FieldType::U8,
                    computed([](const TPC& pc) { return pc.TIIFormat[0]; }))
          .Bytes(kKeyTSRow, "ts_format", &TPC::TSFormat)
          .OnMissing([](TItem& item, TConfig& cfg) {
            // Older files: the counts and the interrogation format come from the legacy bytes.
            auto& pc = static_cast<TPC&>(item);
            std::uint8_t ti = 8, tii = 8, ts = pc.TSFormat[3];
            if (cfg.ReadScalar(kKeyLegacyTI, ti) && ti != 1 && ti != 8 && ti != 16 && ti != 24)
              ti = 8;
            if (cfg.ReadScalar(kKeyLegacyTII, tii) && tii != 1 && tii != 4 && tii != 8) tii = 8;
            if (cfg.ReadScalar(kKeyLegacyTS, ts) && (ts == 1 || ts == 30)) pc.TSFormat[3] = ts;
            pc.TSFormat[0] = ti;
            pc.TIFormat[0] = ti;
            pc.TIIFormat[0] = tii;
          })
          .Bytes(kKeyTIRow, "ti_format", &TPC::TIFormat)
          .Bytes(kKeyTIIRow, "tii_format", &TPC::TIIFormat)
          .Field(kKeyCyclic, "cyclic_interval", &TPC::CyclicInterval, 1, "мс")
          .Field(kKeyT1, "t1", &TPC::T1, 1000, "с")
          .Field(kKeyT2, "t2", &TPC::T2, 1000, "с")
          .Field(kKeyT3, "t3", &TPC::T3, 1000, "с")
          .Field(kKeyK, "k", &TPC::K)
          .Field(kKeyW, "w", &TPC::W)
          .Field(kKeyPermissions, "permissions", &TPC::Permissions)
          .Field(kKeyBaseTS, "base_ts", &TPC::BaseTS)
          .Field(kKeyBaseMTS, "base_mts", &TPC::BaseMTS)
          .Field(kKeyBaseTU, "base_tu", &TPC::BaseTU)
          .Field(kKeyBaseTI, "base_ti", &TPC::BaseTI)
          .Field(kKeyBaseTII, "base_tii", &TPC::BaseTII)
          .Field(kKeyBaseTR, "base_tr", &TPC::BaseTR);
  return &record;
}

void TPC::SaveToImage(TConfig& cfg) {
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

void TPC::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  // The lists follow in whatever order they come; any other block is kept as it was.
  int id;
  while ((id = PeekChild(cfg, end)) != kNoBlock) {
    const int kind = SignalKindOfBlock(id);
    if (kind && List(kind) && !List(kind)->IsKept())
      LoadChild(cfg, List(kind));
    else
      LoadOrKeepNextChild(cfg, nullptr);
  }
}

}  // namespace vilk
