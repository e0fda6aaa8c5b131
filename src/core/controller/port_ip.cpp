#include "controller/port_ip.h"

#include <charconv>
#include <limits>

#include "base/format.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/records.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyNet1Ip = 49, kKeyNet1Mask = 50, kKeyNet1Gw = 68, kKeyNet2Ip = 103,
                        kKeyNet2Mask = 104, kKeyNet2Gw = 105, kKeyApn = 53, kKeyUser = 41,
                        kKeyPassword = 34, kKeyAuth = 8, kKeyNetType = 112, kKeyPcCount = 20;
constexpr std::size_t kGsmChars = 16;
}  // namespace

std::string IpToText(std::uint32_t ip) {
  return Format("%d.%d.%d.%d", ip >> 24, (ip >> 16) & 255, (ip >> 8) & 255, ip & 255);
}

bool IpFromText(const std::string& text, std::uint32_t* ip) {
  std::uint32_t value = 0;
  const char* p = text.data();
  const char* end = p + text.size();
  for (int i = 0; i < 4; ++i) {
    unsigned octet = 0;
    auto [next, ec] = std::from_chars(p, end, octet);
    if (ec != std::errc() || next == p || octet > 255) return false;
    value = (value << 8) | octet;
    p = next;
    if (i < 3) {
      if (p == end || *p != '.') return false;
      ++p;
    }
  }
  if (p != end) return false;
  *ip = value;
  return true;
}

TPortIP::TPortIP(Configuration& config) : TPort(config) {
  Kind = kPortIP;
  SetName("0_Порт_IP");
  Number = 255;
  BoardMask = kMaskIP;
  ImageIndex = 14;
  SetIcon(14);
  Menu = PopupMenu::Add;
  ListRole = kRoleSelection;
  UpdateCaption();
}

void TPortIP::UpdateCaption() {
  SetCaption(Name());
}

void TPortIP::SetDefaults() {
  Net1Ip = Ip(192, 168, 1, 222);
  Net1Mask = Ip(255, 255, 255, 0);
  Net1Gateway = 0;
  Net2Ip = Ip(192, 168, 2, 1);
  Net2Mask = Ip(255, 255, 255, 0);
  Net2Gateway = 0;
  GsmApn.clear();
  GsmUser.clear();
  GsmPassword.clear();
  GsmAuth = 1;
  GsmNetType = 0;
}

TParams* TPortIP::LinkStates() const {
  if (ChildCount() == 0) return nullptr;
  TParams* list = Child(0)->AsParams();
  return list && list->SignalKind == kKindTS ? list : nullptr;
}

int TPortIP::PcTotal() const {
  return ChildCount() - (LinkStates() ? 1 : 0);
}

void TPortIP::UpdateLinkStateList() {
  std::vector<TPort*> pcs;
  for (int i = 0; i < ChildCount(); ++i)
    if (TPort* pc = Child(i)->AsPort()) pcs.push_back(pc);
  TParams* list = LinkStates();
  if (pcs.empty()) {
    if (list) Config().Remove(list);
    return;
  }
  if (!list)
    list = static_cast<TParams*>(
        Config().Insert(this, 0, std::make_unique<TParamsTS>(Config(), kRoleOwn, this)));
  std::vector<std::string> names;
  for (std::size_t i = 0; i < pcs.size(); ++i) {
    std::string part = pcs[i]->LinkName();
    if (part.empty()) part = Format("%d", static_cast<int>(i) + 1);
    names.push_back("связь_" + pcs[i]->Caption() + "_" + part);
  }
  list->Rebuild(NameListSource(std::move(names)), 0, Caption());
}

TItem* TPortIP::AddChild(int kind) {
  auto device = MakeDevice(Config(), Kind, kind);
  if (!device) return nullptr;
  TItem* pc = Config().Append(this, std::move(device));
  pc->UpdateCaption();
  ChildrenChanged();
  return pc;
}

TItem* TPortIP::DuplicateChild(TItem* child) {
  TItem* copy = DuplicateByImage(child);
  if (!copy) return nullptr;
  ChildrenChanged();
  // The copy's link state joined the list after the copy's own rebuild of the pool.
  Storage().RebuildPool();
  return copy;
}

void TPortIP::ChildrenChanged() {
  // PCs are numbered by their place under the port, so that their captions and link
  // names tell them apart (the number is not stored).
  int number = 0;
  for (int i = 0; i < ChildCount(); ++i)
    if (TPort* pc = Child(i)->AsPort()) {
      pc->Number = static_cast<std::uint8_t>(++number);
      pc->UpdateCaption();
    }
  UpdateLinkStateList();
  PcCount = static_cast<std::uint8_t>(PcTotal());
}

void TPortIP::SaveToImage(TConfig& cfg) {
  const std::size_t start = cfg.BeginBlock(BlockId());
  WriteVersion(cfg);
  cfg.WriteScalar(kKeyNet1Ip, Net1Ip);
  cfg.WriteScalar(kKeyNet1Mask, Net1Mask);
  cfg.WriteScalar(kKeyNet1Gw, Net1Gateway);
  cfg.WriteScalar(kKeyNet2Ip, Net2Ip);
  cfg.WriteScalar(kKeyNet2Mask, Net2Mask);
  cfg.WriteScalar(kKeyNet2Gw, Net2Gateway);
  WriteShortString(cfg, kKeyApn, GsmApn, kGsmChars);
  WriteShortString(cfg, kKeyUser, GsmUser, kGsmChars);
  WriteShortString(cfg, kKeyPassword, GsmPassword, kGsmChars);
  cfg.WriteScalar(kKeyAuth, GsmAuth);
  cfg.WriteScalar(kKeyNetType, GsmNetType);
  cfg.WriteScalar<std::uint8_t>(kKeyPcCount, static_cast<std::uint8_t>(PcTotal()));
  for (int i = 0; i < ChildCount(); ++i) Child(i)->SaveToImage(cfg);
  cfg.EndBlock(start);
}

void TPortIP::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  cfg.ReadScalar(kKeyNet1Ip, Net1Ip);
  cfg.ReadScalar(kKeyNet1Mask, Net1Mask);
  cfg.ReadScalar(kKeyNet1Gw, Net1Gateway);
  cfg.ReadScalar(kKeyNet2Ip, Net2Ip);
  cfg.ReadScalar(kKeyNet2Mask, Net2Mask);
  cfg.ReadScalar(kKeyNet2Gw, Net2Gateway);
  ReadShortString(cfg, kKeyApn, kGsmChars, GsmApn);
  ReadShortString(cfg, kKeyUser, kGsmChars, GsmUser);
  ReadShortString(cfg, kKeyPassword, kGsmChars, GsmPassword);
  cfg.ReadScalar(kKeyAuth, GsmAuth);
  cfg.ReadScalar(kKeyNetType, GsmNetType);
  cfg.ReadScalar(kKeyPcCount, PcCount);

  LoadDevicesThenLinkStates(
      cfg, end, std::numeric_limits<int>::max(), [this] { ChildrenChanged(); },
      [this] { return LinkStates(); });
}

}  // namespace vilk
