// Selecting a node and opening its frame on a configuration with 8192 signals of each
// kind (owners made for the benchmark), offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include "controller/controller.h"
#include "controller/proc.h"
#include "main_window.h"
#include "model/kinds.h"
#include "signals/storage.h"

namespace {

using namespace vilk;

class BenchPort : public TPort {
 public:
  explicit BenchPort(Configuration& c) : TPort(c) {
    SetName("Bench");
    for (int k = 1; k <= kSignalKinds; ++k) c.Append(this, MakeParams(c, k, kRoleOwn, this));
  }
};

struct Window {
  QTemporaryDir home;
  SilentMessages messages;
  ui::TForm1 form{home.path(), &messages};
  std::vector<TItem*> nodes;

  // `ports` ports with `perPort` signals of each kind each.
  Window(int ports, int perPort) {
    RegisterTestKind(
        {0, 247, "BenchPort", "", 0, 0, [](Configuration& c) -> std::unique_ptr<TItem> {
           return std::make_unique<BenchPort>(c);
         }});
    Configuration& config = form.Config();
    for (int p = 0; p < ports; ++p) {
      TItem* port = config.Append(config.Controller().Proc(), MakePort(config, 247));
      port->Number = static_cast<std::uint8_t>(p + 1);
      port->UpdateCaption();
      for (int i = 0; i < port->ChildCount(); ++i)
        port->Child(i)->AsParams()->Resize(perPort, port->Caption());
    }
    config.Storage().ForceRebuild();
    form.show();
    TItem* proc = config.Controller().Proc();
    nodes = {proc, proc->Child(1), proc->Child(1)->Child(0), config.Controller().Child(1),
             proc->Child(0)};
  }
};

void BM_SelectNodeAndOpenFrame(benchmark::State& state) {
  static Window w(8, 1024);
  std::size_t i = 0;
  for (auto _ : state) {
    w.form.Editor()->Select(w.nodes[i++ % w.nodes.size()]);
    QApplication::processEvents();
  }
  state.counters["pool signals"] = 8192.0 * kSignalKinds;
}
BENCHMARK(BM_SelectNodeAndOpenFrame)->Unit(benchmark::kMillisecond);

// Opening the editor of a list of 8192 signals (and leaving it for the processor board).
void BM_OpenFrameOf8192SignalList(benchmark::State& state) {
  static Window w(1, 8192);
  TItem* proc = w.form.Config().Controller().Proc();
  TItem* list = proc->Child(1)->Child(0);
  for (auto _ : state) {
    w.form.Editor()->Select(list);
    QApplication::processEvents();
    state.PauseTiming();
    w.form.Editor()->Select(proc);
    QApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenFrameOf8192SignalList)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
