// Build, load and pool-rebuild times on generated configurations. The port kind here is
// made for the benchmark: a port with one own list of each signal kind.
#include <benchmark/benchmark.h>

#include "base/format.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/image_ops.h"
#include "model/kinds.h"
#include "signals/storage.h"

namespace {

using namespace vilk;

constexpr int kBenchPort = 247;  // a stand-in port kind on a code no real kind uses
constexpr std::uint16_t kKeyNumber = 1, kKeySignals = 2;

class BenchPort : public TPort {
 public:
  explicit BenchPort(Configuration& c) : TPort(c) {
    SetName("Bench");
    for (int k = 1; k <= kSignalKinds; ++k) c.Append(this, MakeParams(c, k, kRoleOwn, this));
  }
  void Size(int perKind) {
    signals = perKind;
    for (int i = 0; i < ChildCount(); ++i) Child(i)->AsParams()->Resize(perKind, Caption());
  }
  void SaveToImage(TConfig& cfg) override {
    const std::size_t start = cfg.BeginBlock(BlockId());
    WriteVersion(cfg);
    cfg.WriteScalar<std::uint8_t>(kKeyNumber, Number);
    cfg.WriteScalar<std::int32_t>(kKeySignals, signals);
    for (int i = 0; i < ChildCount(); ++i) Child(i)->SaveToImage(cfg);
    cfg.EndBlock(start);
  }
  void LoadFromImage(TConfig& cfg) override {
    const std::size_t end = OwnBlockEnd(cfg);
    if (!ReadVersion(cfg)) return;
    cfg.ReadScalar(kKeyNumber, Number);
    std::int32_t n = 0;
    cfg.ReadScalar(kKeySignals, n);
    UpdateCaption();
    Size(n);
    for (int i = 0; i < ChildCount(); ++i)
      if (PeekChild(cfg, end) == Child(i)->BlockId()) LoadChild(cfg, Child(i));
  }
  int signals = 0;
};

struct Fixture {
  SilentMessages messages;
  Configuration config{messages};
  ConfigImage image;

  // `ports` ports with `perKind` signals of each kind each.
  Fixture(int ports, int perKind) {
    RegisterTestKind(
        {0, kBenchPort, "BenchPort", "", 0, 0, [](Configuration& c) -> std::unique_ptr<TItem> {
           return std::make_unique<BenchPort>(c);
         }});
    TProc* proc = config.Controller().Proc();
    for (int p = 0; p < ports; ++p) {
      auto port = std::make_unique<BenchPort>(config);
      port->Kind = kBenchPort;
      port->Number = static_cast<std::uint8_t>(p + 1);
      auto* raw = static_cast<BenchPort*>(config.Append(proc, std::move(port)));
      raw->UpdateCaption();
      raw->Size(perKind);
    }
    config.Storage().ForceRebuild();
  }
};

// 8192 signals of each kind: the pool at its capacity.
void BM_RebuildPool(benchmark::State& state) {
  Fixture f(8, static_cast<int>(state.range(0)) / 8);
  for (auto _ : state) f.config.Storage().ForceRebuild();
  state.counters["signals"] = static_cast<double>(state.range(0) * kSignalKinds);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RebuildPool)
    ->Arg(2048)
    ->Arg(4096)
    ->Arg(8192)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity();

// Signals of each kind per image. Names take 65 bytes each, so six full lists of 8192
// (3 MB) cannot fit into the 1 MiB image: 2048 of each kind is near the largest that does.
void BM_BuildImage(benchmark::State& state) {
  Fixture f(8, static_cast<int>(state.range(0)) / 8);
  for (auto _ : state) {
    if (!BuildImage(f.config, f.image, "bench.cfg", "")) state.SkipWithError("build refused");
  }
  state.counters["bytes"] = static_cast<double>(f.image.TotalSize);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_BuildImage)
    ->Arg(512)
    ->Arg(1024)
    ->Arg(2048)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_LoadImage(benchmark::State& state) {
  Fixture f(8, static_cast<int>(state.range(0)) / 8);
  if (!BuildImage(f.config, f.image, "bench.cfg", "")) {
    state.SkipWithError("build refused");
    return;
  }
  for (auto _ : state) {
    if (!LoadImage(f.config, f.image, "bench.cfg")) state.SkipWithError("load refused");
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadImage)
    ->Arg(512)
    ->Arg(1024)
    ->Arg(2048)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// Ports of a kind this build does not know, each with its own lists: every one is kept
// with its bytes and its lists join the pool (no copy of the image per block).
void BM_LoadUnknownPorts(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)), 4);
  if (!BuildImage(f.config, f.image, "bench.cfg", "")) {
    state.SkipWithError("build refused");
    return;
  }
  UnregisterTestKind({0, kBenchPort});
  SilentMessages quiet;
  for (auto _ : state) {
    Configuration target(quiet);
    if (!LoadImage(target, f.image, "bench.cfg")) state.SkipWithError("load refused");
  }
  ResetKindRegistry();
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadUnknownPorts)
    ->Arg(64)
    ->Arg(128)
    ->Arg(250)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// The largest single list: 8192 discrete inputs in one image.
void BM_BuildLoad8192TS(benchmark::State& state) {
  Fixture f(1, 0);
  auto* port = static_cast<BenchPort*>(f.config.Controller().Proc()->Child(1));
  port->Child(0)->AsParams()->Resize(8192, port->Caption());
  for (auto _ : state) {
    if (!BuildImage(f.config, f.image, "bench.cfg", "") ||
        !LoadImage(f.config, f.image, "bench.cfg"))
      state.SkipWithError("refused");
  }
}
BENCHMARK(BM_BuildLoad8192TS)->Unit(benchmark::kMillisecond);

}  // namespace
