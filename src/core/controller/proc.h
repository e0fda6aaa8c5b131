#pragma once
// The processor board: owns all ports and the controller-wide settings.
#include <array>
#include <vector>

#include "model/item.h"

namespace vilk {

struct SporadicGroup {
  float AbsAperture = 0;
  float RelAperture = 0;  // percent
  float Upper = 0;
  float Lower = 0;
  std::string Name;  // at most 64 characters
  static constexpr std::size_t kPackedSize = 81;
};

constexpr int kMaxSporadicGroups = 100;

class TProc : public TBlock {
 public:
  explicit TProc(Configuration& config);

  std::string Place;          // "Место установки", at most 64 characters
  std::uint16_t Address = 1;  // the controller address (key 1)
  std::vector<SporadicGroup> Groups;
  std::array<std::uint8_t, 4> PasswordFlags{0, 1, 0, 0};

  // 1-based number of the group named `name`, 0 for none.
  int GroupNumber(const std::string& name) const;

  void UpdateCaption() override;
  void SetDefaults() override;
  const RecordDesc* Record() const override;
  // Its own values only: the ports are written by the controller after the boards.
  void SaveToImage(TConfig& cfg) override;
  void LoadFromImage(TConfig& cfg) override;
};

}  // namespace vilk
