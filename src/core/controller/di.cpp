#include "controller/di.h"

#include "base/format.h"
#include "controller/controller.h"
#include "model/configuration.h"
#include "model/record.h"
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

const RecordDesc* TDI::Record() const {
  static const RecordDesc record =
      RecordDesc().Field(kKeyDebounce, "debounce", &TDI::Debounce, 1, "мс");
  return &record;
}

void TDI::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  TParams* list = Inputs();
  if (list && PeekChild(cfg, end) == list->BlockId()) LoadChild(cfg, list);
}

}  // namespace vilk
