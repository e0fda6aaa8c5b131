// I/O modules and pairing ports at their largest: a DORO port with 255 ZUZ-24 modules
// loaded and saved, and a two-position TS port of 4,096 pair records saved (each record's
// two pool numbers are looked up through the pool's index, not searched).
#include <benchmark/benchmark.h>

#include <memory>

#include "base/messages.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/image_ops.h"
#include "model/kinds.h"
#include "ports/modules/modules.h"
#include "ports/modules/pairing.h"
#include "ports/modules/port_doro.h"
#include "signals/storage.h"

namespace vilk {
namespace {

TPortDoro* AddDoro(Configuration& config) {
  return static_cast<TPortDoro*>(
      config.Append(config.Controller().Proc(), MakePort(config, kPortDoro)));
}

// 255 ZUZ-24 in mode 3: 24 commands, two status inputs and an output selection each.
std::unique_ptr<ConfigImage> DoroImage() {
  SilentMessages quiet;
  Configuration config(quiet);
  TPortDoro* port = AddDoro(config);
  for (int i = 0; i < kMaxModules; ++i) {
    auto* zuz = static_cast<TMDK24*>(port->AddChild(kModuleZUZ24));
    zuz->Mode = kModuleOutputMode;
    zuz->UpdateSignalList();
  }
  config.Storage().ForceRebuild();
  for (TModule* m : port->Modules())
    for (int k = 0; k < 2; ++k) m->Outputs()->Append(SignalRef::Share(m->Inputs()->At(k)));
  auto image = std::make_unique<ConfigImage>();
  if (!BuildImage(config, *image, "bench.cfg", "", BuildTime{1, 1, 2026, 0, 0, 0})) return nullptr;
  return image;
}

void BM_Doro255ZuzLoadAndSave(benchmark::State& state) {
  const std::unique_ptr<ConfigImage> image = DoroImage();
  if (!image) {
    state.SkipWithError("the image was not built");
    return;
  }
  SilentMessages quiet;
  auto out = std::make_unique<ConfigImage>();
  std::size_t size = 0;
  for (auto _ : state) {
    Configuration config(quiet);
    if (!LoadImage(config, *image, "bench.cfg")) state.SkipWithError("not loaded");
    if (!BuildImage(config, *out, "bench.cfg", "", BuildTime{1, 1, 2026, 0, 0, 0}))
      state.SkipWithError("not saved");
    size = out->TotalSize;
  }
  state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_Doro255ZuzLoadAndSave)->Unit(benchmark::kMillisecond);

// 160 RIV-24 give 3,840 inputs; 4,096 pairs read them, and the port's own 4,096 signals
// keep the ТС pool within 8,192.
void BM_Save4096Pairs(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  TPortDoro* doro = AddDoro(config);
  for (int i = 0; i < 160; ++i) doro->AddChild(kModuleRIV24);
  auto* ts2 =
      static_cast<TPortTS2*>(config.Append(config.Controller().Proc(), MakePort(config, kPortTS2)));
  ts2->SetCount(4096);
  config.Storage().ForceRebuild();
  std::vector<TParam*> inputs;
  for (TModule* m : doro->Modules())
    for (TParam* s : m->Inputs()->Items) inputs.push_back(s);
  for (int i = 0; i < 4096; ++i) {
    ts2->SetChannel(i, false, inputs[static_cast<std::size_t>(i) % inputs.size()]);
    ts2->SetChannel(i, true, inputs[static_cast<std::size_t>(i + 1) % inputs.size()]);
  }
  config.Storage().ForceRebuild();
  auto image = std::make_unique<ConfigImage>();
  std::size_t size = 0;
  for (auto _ : state) {
    TConfig cfg(*image);
    cfg.StartWrite(0);
    ts2->SaveToImage(cfg);
    size = cfg.Cursor();
  }
  state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_Save4096Pairs)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vilk
