#pragma once
// The discrete-input board of the models that have one: one "ТС%d" input per input.
#include "model/item.h"

namespace vilk {

class TParams;

class TDI : public TBlock {
 public:
  explicit TDI(Configuration& config);

  std::uint16_t Debounce = 40;  // 40, 120, 400 or 1200 ms

  TParams* Inputs() const;
  void ApplyModel() override;  // sizes the input list for the model
  void SetDefaults() override;
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;
};

}  // namespace vilk
