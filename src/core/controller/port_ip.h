#pragma once
// The IP port: always the first port; its children are the control-centre PCs and,
// while there are any, their link-state list.
#include <cstdint>
#include <string>

#include "model/item.h"

namespace vilk {

class TParams;

constexpr int kPortIP = 100;
constexpr int kPCKind = 202;

// Dotted text <-> the stored form (first octet in the most significant byte).
std::string IpToText(std::uint32_t ip);
bool IpFromText(const std::string& text, std::uint32_t* ip);
constexpr std::uint32_t Ip(int a, int b, int c, int d) {
  return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(b) << 16) |
         (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(d);
}

class TPortIP : public TPort {
 public:
  explicit TPortIP(Configuration& config);

  std::uint32_t Net1Ip = Ip(192, 168, 1, 222);
  std::uint32_t Net1Mask = Ip(255, 255, 255, 0);
  std::uint32_t Net1Gateway = 0;
  std::uint32_t Net2Ip = Ip(192, 168, 1, 222);
  std::uint32_t Net2Mask = Ip(255, 255, 255, 0);
  std::uint32_t Net2Gateway = 0;
  std::string GsmApn, GsmUser, GsmPassword;  // at most 16 characters each
  std::uint8_t GsmAuth = 1;                  // 0 нет, 1 PAP, 2 CHAP, 3 PAP или CHAP
  std::uint8_t GsmNetType = 0;               // 0 Авто, 2 2G, 4 4G
  std::uint8_t PcCount = 0;

  TParams* LinkStates() const;  // nullptr while there is no PC
  int PcTotal() const;          // children minus the link-state list
  // Creates, renames or removes the link-state list after the PCs.
  void UpdateLinkStateList();

  void UpdateCaption() override;  // the name alone
  void SetDefaults() override;
  TItem* AddChild(int kind) override;
  TItem* DuplicateChild(TItem* child) override;
  void ChildrenChanged() override;
  void UpdateSignalList() override { UpdateLinkStateList(); }
  void SaveToImage(TConfig& cfg) override;
  void LoadFromImage(TConfig& cfg) override;
};

}  // namespace vilk
