// Energy meters at their largest: a tick on one meter of a port with a meter at every
// address, with the meter's lists, the port's link states and the pool rebuilt, as the
// meter frame does on every tick.
#include <benchmark/benchmark.h>

#include "base/messages.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "ports/meters/meters.h"
#include "signals/storage.h"

namespace vilk {
namespace {

void BM_TickOnAPortOf255Meters(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  auto* port = static_cast<TMeterPort*>(
      config.Append(config.Controller().Proc(), MakePort(config, kPortCE303)));
  for (int a = 1; a <= 255; ++a) {
    auto* meter = static_cast<TMeter*>(port->AddChild(kMeterCE303));
    meter->SetAddress(static_cast<std::uint32_t>(a));
    meter->Place = "Ввод";
    for (int i = 0; i < 11; ++i) meter->SetTicked(i, i != 2);
    meter->UpdateSignalList();
  }
  TMeter* meter = port->Meters()[127];
  bool on = false;
  for (auto _ : state) {
    on = !on;
    meter->SetTicked(2, on);
    meter->UpdateSignalList();  // the lists, the link states and the pool
  }
  state.counters["meters"] = port->MeterCount;
  state.counters["ti"] = config.Storage().Count(kKindTI);
  state.counters["tii"] = config.Storage().Count(kKindTII);
}
BENCHMARK(BM_TickOnAPortOf255Meters)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vilk
