// Stations at their largest: a Сириус station with every group of eight measurements
// (2,040 ТИ), a count change with the list and pool rebuild, and loading four such stations.
#include <benchmark/benchmark.h>

#include "base/messages.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/image_ops.h"
#include "model/kinds.h"
#include "ports/telemechanics/kp.h"
#include "signals/storage.h"

namespace vilk {
namespace {

// `stations` Сириус stations with 255 groups of type ТИ_11 and 800 ТС each.
TPortKP* AddFullStations(Configuration& config, int stations) {
  auto* port =
      static_cast<TPortKP*>(config.Append(config.Controller().Proc(), MakePort(config, kPortKP)));
  for (int a = 1; a <= stations; ++a) {
    auto* s = static_cast<TKP*>(port->AddChild(kKPDevice));
    s->Number = static_cast<std::uint8_t>(a);
    s->Protocol = kProtocolSirius;
    for (int g = 1; g < kKPGroups; ++g) s->GroupTypes[static_cast<std::size_t>(g)] = kGroupTI11;
    s->ApplyCounts({800, 0, 0, 0, 0, 0});
  }
  config.Storage().ForceRebuild();
  return port;
}

// The discrete-input count changes (800 <-> 801) as the frame commits it: the station's
// lists are rebuilt (2,040 ТИ named by group), then the pool.
void BM_StationCountChange(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  TKP* s = AddFullStations(config, 1)->Stations()[0];
  int ts = 800;
  for (auto _ : state) {
    ts = ts == 800 ? 801 : 800;
    if (!s->ApplyCounts({ts, 0, 0, 0, 0, 0})) state.SkipWithError("refused");
    config.Storage().ForceRebuild();
  }
  state.counters["ti"] = s->List(kKindTI)->Count();
}
BENCHMARK(BM_StationCountChange)->Unit(benchmark::kMillisecond);

// Four full stations (8,160 ТИ) read from an image.
void BM_LoadFourStations(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  AddFullStations(config, 4);
  ConfigImage image;
  if (!BuildImage(config, image, "bench.cfg", "")) {
    state.SkipWithError("build refused");
    return;
  }
  for (auto _ : state)
    if (!LoadImage(config, image, "bench.cfg")) state.SkipWithError("load refused");
  state.counters["bytes"] = static_cast<double>(image.TotalSize);
}
BENCHMARK(BM_LoadFourStations)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vilk
