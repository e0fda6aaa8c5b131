#include "controller/port_ip.h"

#include <charconv>
#include <limits>

#include "base/format.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/record.h"
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

TPortIP::TPortIP(Configuration& config) : TDevicePort(config) {
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

const RecordDesc* TPortIP::Record() const {
  static const RecordDesc record =
      RecordDesc()
          .Ip(kKeyNet1Ip, "net1_ip", &TPortIP::Net1Ip)
          .Ip(kKeyNet1Mask, "net1_mask", &TPortIP::Net1Mask)
          .Ip(kKeyNet1Gw, "net1_gateway", &TPortIP::Net1Gateway)
          .Ip(kKeyNet2Ip, "net2_ip", &TPortIP::Net2Ip)
          .Ip(kKeyNet2Mask, "net2_mask", &TPortIP::Net2Mask)
          .Ip(kKeyNet2Gw, "net2_gateway", &TPortIP::Net2Gateway)
          .Text(kKeyApn, "gsm_apn", &TPortIP::GsmApn, kGsmChars)
          .Text(kKeyUser, "gsm_user", &TPortIP::GsmUser, kGsmChars)
          .Text(kKeyPassword, "gsm_password", &TPortIP::GsmPassword, kGsmChars)
          .Field(kKeyAuth, "gsm_auth", &TPortIP::GsmAuth)
          .Field(kKeyNetType, "gsm_net_type", &TPortIP::GsmNetType)
          .Computed(kKeyPcCount, "pc_count", FieldType::U8,
                    [](const TItem& item) { return static_cast<const TPortIP&>(item).PcTotal(); });
  return &record;
}

std::string TPortIP::LinkStateName(const TPort& pc, int index) const {
  std::string part = pc.LinkName();
  if (part.empty()) part = Format("%d", index + 1);
  return "связь_" + pc.Caption() + "_" + part;
}

void TPortIP::RenumberDevices() {
  int number = 0;
  for (TPort* pc : Devices()) {
    pc->Number = static_cast<std::uint8_t>(++number);
    pc->UpdateCaption();
  }
}

void TPortIP::LinkStatesChanged() {
  PcCount = static_cast<std::uint8_t>(PcTotal());
}

void TPortIP::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  cfg.ReadScalar(kKeyPcCount, PcCount);
  LoadDevices(cfg, end);
}

}  // namespace vilk
