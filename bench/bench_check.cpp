// The validation report, the comparison and the commissioning report at the pool's
// capacity: 8,192 signals of each of the six kinds, all of them selected by one PC.
// (Six full lists do not fit into one image, so the trees are compared in memory.)
#include <benchmark/benchmark.h>

#include "base/format.h"
#include "controller/controller.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/diff.h"
#include "model/kinds.h"
#include "model/report.h"
#include "model/validate.h"
#include "ports/telemechanics/pc.h"
#include "signals/storage.h"

namespace {

using namespace vilk;

constexpr int kSignalPort = 248;  // a stand-in port kind on a code no real kind uses

// A port with one own list of each kind, on no board and needing none.
class SignalPort : public TPort {
 public:
  explicit SignalPort(Configuration& c) : TPort(c) {
    SetName("Сигналы");
    for (int k = 1; k <= kSignalKinds; ++k) c.Append(this, MakeParams(c, k, kRoleOwn, this));
  }
};

struct Full {
  SilentMessages messages;
  Configuration config{messages};

  Full() {
    RegisterTestKind(
        {0, kSignalPort, "SignalPort", "", 0, 0, [](Configuration& c) -> std::unique_ptr<TItem> {
           return std::make_unique<SignalPort>(c);
         }});
    config.Controller().ApplyModel();
    TProc* proc = config.Controller().Proc();
    for (int p = 0; p < 8; ++p) {
      auto port = std::make_unique<SignalPort>(config);
      port->Kind = kSignalPort;
      port->Number = static_cast<std::uint8_t>(p + 1);
      auto* raw = config.Append(proc, std::move(port));
      raw->UpdateCaption();
      for (int i = 0; i < raw->ChildCount(); ++i)
        raw->Child(i)->AsParams()->Resize(kMaxSignals / 8, raw->Caption());
    }
    config.Storage().ForceRebuild();
    auto* pc = static_cast<TPC*>(config.Controller().PortIP()->AddChild(202));
    for (int k = 1; k <= kSignalKinds; ++k) {
      TParams& pool = config.Storage().List(k);
      for (int i = 0; i < pool.Count(); ++i) pc->List(k)->Append(Acquire(pool.At(i)));
    }
  }
};

void BM_ValidateFullPool(benchmark::State& state) {
  Full f;
  for (auto _ : state) benchmark::DoNotOptimize(Validate(f.config));
  state.counters["signals"] = kSignalKinds * kMaxSignals;
}
BENCHMARK(BM_ValidateFullPool)->Unit(benchmark::kMillisecond);

void BM_CommissioningReportFullPool(benchmark::State& state) {
  Full f;
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string html = CommissioningReportHtml(f.config, "bench.cfg");
    bytes = html.size();
    benchmark::DoNotOptimize(html.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_CommissioningReportFullPool)->Unit(benchmark::kMillisecond);

// Two such configurations that differ in one signal name (shown in its own list and in the
// PC's selection).
void BM_CompareFullPools(benchmark::State& state) {
  Full a, b;
  b.config.Storage().List(kKindTI).At(4000)->SetName("другое имя");
  std::size_t found = 0;
  for (auto _ : state) found = CompareTrees(a.config.Controller(), b.config.Controller()).size();
  if (found != 2) state.SkipWithError("the one name was not found alone");
}
BENCHMARK(BM_CompareFullPools)->Unit(benchmark::kMillisecond);

}  // namespace
