// The discrete-logic program at its largest: a configuration whose program has 20,000
// elements loaded with its layout, and one scan of 1,000 tasks.
#include <benchmark/benchmark.h>

#include <memory>

#include "base/messages.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/image.h"
#include "model/image_ops.h"
#include "model/kinds.h"
#include "ports/logic/ladder_sim.h"
#include "ports/logic/port_ld.h"
#include "ports/modules/modules.h"
#include "ports/modules/port_doro.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {
namespace {

// Tasks of `series` contacts followed by `groups` groups of two one-contact branches,
// reading the RIV-24's inputs in turn.
TPortLD* MakeProgram(Configuration& config, int tasks, int series, int groups) {
  TItem* proc = config.Controller().Proc();
  auto* doro = static_cast<TPortDoro*>(config.Append(proc, MakePort(config, kPortDoro)));
  doro->Renumber(3);  // the logic port keeps number 1
  auto* riv = static_cast<TMDS24*>(doro->AddChild(kModuleRIV24));
  config.Storage().ForceRebuild();
  auto* port = static_cast<TPortLD*>(config.Append(proc, MakePort(config, kPortLD)));
  int n = 0;
  auto contact = [&](TLine& line) {
    auto c = std::make_unique<TLD>(&line);
    c->Signal = SignalRef::Share(riv->Inputs()->At(n++ % 24));
    c->Inverse = n % 3 == 0;
    line.Elements.push_back(std::move(c));
  };
  for (int t = 0; t < tasks; ++t) {
    auto task = std::make_unique<TTaskLD>(port->GridWidth);
    TLine& line = *task->Line;
    for (int i = 0; i < series; ++i) contact(line);
    for (int g = 0; g < groups; ++g) {
      auto stack = std::make_unique<TStack>(&line);
      for (int b = 0; b < 2; ++b) {
        auto branch = std::make_unique<TLine>(stack.get());
        contact(*branch);
        stack->Branches.push_back(std::move(branch));
      }
      line.Elements.push_back(std::move(stack));
    }
    port->Tasks.push_back(std::move(task));
    port->OutputNames.push_back("Пр_" + std::to_string(t));
  }
  port->UpdateSignalList();
  port->Layout();
  return port;
}

// 125 tasks of 80 contacts and 16 groups of two branches: 20,000 elements (14,000
// contacts, 2,000 groups, 4,000 branches) on 97 x 250 cells.
void BM_LoadProgramOf20000Elements(benchmark::State& state) {
  RecordingMessages said;
  Configuration config(said);
  TPortLD* made = MakeProgram(config, 125, 80, 16);
  auto image = std::make_unique<ConfigImage>();
  BuildTime time{1, 1, 2026, 0, 0, 0};
  if (!BuildImage(config, *image, "bench.cfg", "", time)) {
    state.SkipWithError(said.Errors.empty() ? "build failed" : said.Errors.front().c_str());
    return;
  }
  const std::vector<std::uint8_t> bytes(image->Data(), image->Data() + image->TotalSize);
  const int rows = made->GridRows, width = made->GridWidth;
  SilentMessages quiet;
  for (auto _ : state) {
    Configuration loaded(quiet);
    auto in = std::make_unique<ConfigImage>();
    in->Assign(bytes);
    if (!LoadImage(loaded, *in, "bench.cfg")) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(loaded.Controller().Proc());
  }
  state.counters["rows"] = rows;
  state.counters["columns"] = width;
  state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_LoadProgramOf20000Elements)->Unit(benchmark::kMillisecond);

// One scan of 1,000 tasks of 4 contacts and 2 groups (8 contacts each).
void BM_ScanOf1000Tasks(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  TPortLD* port = MakeProgram(config, 1000, 4, 2);
  TLadderSim sim(*port);
  const TParams& pool = config.Storage().List(kKindTS);
  for (int i = 0; i < pool.Count(); i += 2) sim.SetInput(pool.At(i), true);
  for (auto _ : state) sim.Scan();
  state.counters["tasks"] = port->TaskCount();
}
BENCHMARK(BM_ScanOf1000Tasks)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vilk
