#include "ports/telemechanics/pc.h"

#include "base/format.h"
#include "controller/controller.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/kinds.h"
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

void TPC::SaveToImage(TConfig& cfg) {
  const std::size_t start = cfg.BeginBlock(BlockId());
  WriteVersion(cfg);
  WriteShortString(cfg, kKeyPlace, Place, kMaxNameChars);
  cfg.WriteScalar(kKeyIp, PcIp);
  cfg.WriteScalar(kKeyGateway, Gateway);
  cfg.WriteScalar(kKeyAsdu, AsduAddress);
  cfg.WriteScalar(kKeyLegacyTS, TSFormat[3]);
  cfg.WriteScalar(kKeyLegacyTI, TIFormat[0]);
  cfg.WriteScalar(kKeyLegacyTII, TIIFormat[0]);
  cfg.WriteValue(kKeyTSRow, TSFormat.data(), TSFormat.size());
  cfg.WriteValue(kKeyTIRow, TIFormat.data(), TIFormat.size());
  cfg.WriteValue(kKeyTIIRow, TIIFormat.data(), TIIFormat.size());
  cfg.WriteScalar(kKeyCyclic, CyclicInterval);
  cfg.WriteScalar(kKeyT1, T1);
  cfg.WriteScalar(kKeyT2, T2);
  cfg.WriteScalar(kKeyT3, T3);
  cfg.WriteScalar(kKeyK, K);
  cfg.WriteScalar(kKeyW, W);
  cfg.WriteScalar(kKeyPermissions, Permissions);
  cfg.WriteScalar(kKeyBaseTS, BaseTS);
  cfg.WriteScalar(kKeyBaseMTS, BaseMTS);
  cfg.WriteScalar(kKeyBaseTU, BaseTU);
  cfg.WriteScalar(kKeyBaseTI, BaseTI);
  cfg.WriteScalar(kKeyBaseTII, BaseTII);
  cfg.WriteScalar(kKeyBaseTR, BaseTR);
  for (int kind : kListOrder) {
    TParams* list = List(kind);
    if (list && (kind != kKindMTS || list->Count() > 0)) list->SaveToImage(cfg);
  }
  cfg.EndBlock(start);
}

void TPC::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  ReadShortString(cfg, kKeyPlace, kMaxNameChars, Place);
  cfg.ReadScalar(kKeyIp, PcIp);
  cfg.ReadScalar(kKeyGateway, Gateway);
  cfg.ReadScalar(kKeyAsdu, AsduAddress);
  if (!cfg.ReadValue(kKeyTSRow, TSFormat.data(), TSFormat.size())) {
    // Older files: the counts and the interrogation format come from the legacy bytes.
    std::uint8_t ti = 8, tii = 8, ts = TSFormat[3];
    if (cfg.ReadScalar(kKeyLegacyTI, ti) && ti != 1 && ti != 8 && ti != 16 && ti != 24) ti = 8;
    if (cfg.ReadScalar(kKeyLegacyTII, tii) && tii != 1 && tii != 4 && tii != 8) tii = 8;
    if (cfg.ReadScalar(kKeyLegacyTS, ts) && (ts == 1 || ts == 30)) TSFormat[3] = ts;
    TSFormat[0] = ti;
    TIFormat[0] = ti;
    TIIFormat[0] = tii;
  }
  cfg.ReadValue(kKeyTIRow, TIFormat.data(), TIFormat.size());
  cfg.ReadValue(kKeyTIIRow, TIIFormat.data(), TIIFormat.size());
  cfg.ReadScalar(kKeyCyclic, CyclicInterval);
  cfg.ReadScalar(kKeyT1, T1);
  cfg.ReadScalar(kKeyT2, T2);
  cfg.ReadScalar(kKeyT3, T3);
  cfg.ReadScalar(kKeyK, K);
  cfg.ReadScalar(kKeyW, W);
  cfg.ReadScalar(kKeyPermissions, Permissions);
  cfg.ReadScalar(kKeyBaseTS, BaseTS);
  cfg.ReadScalar(kKeyBaseMTS, BaseMTS);
  cfg.ReadScalar(kKeyBaseTU, BaseTU);
  cfg.ReadScalar(kKeyBaseTI, BaseTI);
  cfg.ReadScalar(kKeyBaseTII, BaseTII);
  cfg.ReadScalar(kKeyBaseTR, BaseTR);
  // The lists follow in whatever order they come; the first other block ends them.
  int id;
  while ((id = PeekChild(cfg, end)) != kNoBlock) {
    const int kind = SignalKindOfBlock(id);
    if (!kind) break;
    LoadChild(cfg, List(kind));
  }
}


}  // namespace vilk
