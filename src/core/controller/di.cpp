#include "controller/di.h"

#include "base/format.h"
#include "controller/controller.h"
#include "model/configuration.h"
#include "signals/params.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyDebounce = 17;
}

TDI::TDI(Configuration& config) : TBlock(config) {
  Kind = 121;
  SetName("Узел сигнализации");
  Number = 0;
  BoardMask = kMaskDI;
  ImageIndex = 9;
  SetIcon(9);
  NumberSet.set(0);
  config.Append(this, std::make_unique<TParamsTS>(config, kRoleOwn, this));
  UpdateCaption();
}

TParams* TDI::Inputs() const {
  return ChildCount() ? Child(0)->AsParams() : nullptr;
}

void TDI::ApplyModel() {
  TParams* list = Inputs();
  if (!list) return;
  std::vector<std::string> names;
  const int n = Config().Controller().Desc.DiscreteInputs;
  for (int i = 1; i <= n; ++i) names.push_back(Format("ТС%d", i));
  list->Rebuild(NameListSource(std::move(names)), 0, "");
}

void TDI::SetDefaults() {
  Debounce = 40;
}

void TDI::SaveToImage(TConfig& cfg) {
  const std::size_t start = cfg.BeginBlock(BlockId());
  WriteVersion(cfg);
  cfg.WriteScalar<std::uint16_t>(kKeyDebounce, Debounce);
  if (TParams* list = Inputs()) list->SaveToImage(cfg);
  cfg.EndBlock(start);
}

void TDI::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  cfg.ReadScalar(kKeyDebounce, Debounce);
  TParams* list = Inputs();
  if (list && PeekChild(cfg, end) == list->BlockId()) LoadChild(cfg, list);
}

}  // namespace vilk
