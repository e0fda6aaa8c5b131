// Undo and search at their largest: a port of 8,192 signals deleted and brought back, and
// a keystroke's search over six kinds of 8,192 names.
#include <benchmark/benchmark.h>

#include "base/format.h"
#include "base/messages.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/history.h"
#include "model/kinds.h"
#include "model/search.h"
#include "signals/storage.h"
#include "snmp/port_snmp.h"

namespace vilk {
namespace {

TItem* AddSnmpPort(Configuration& config, int tags, const char* stem) {
  auto* port = static_cast<TPortSNMP*>(
      config.Append(config.Controller().Proc(), MakePort(config, kPortSNMP)));
  auto* device = static_cast<TSNMP*>(port->AddChild(kSNMPDevice));
  TSNMP_TagList list(static_cast<std::size_t>(tags));
  for (std::size_t i = 0; i < list.size(); ++i)
    list[i].Name = Format("%s%d", stem, static_cast<int>(i));
  device->SetTags(list);
  return port;
}

// The step is taken (delete, commit) outside the timing; the undo that loads the state
// with the port back, and the redo, are timed.
void BM_UndoDeleteOfAPortWith8192Signals(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  AddSnmpPort(config, 8192, "ifInOctets");
  config.Storage().ForceRebuild();
  History history(config);
  history.Reset();
  config.Remove(config.Controller().Proc()->Child(1));
  if (!history.Commit("Удаление")) state.SkipWithError("no step");
  for (auto _ : state) {
    if (!history.Undo() || !history.Redo()) state.SkipWithError("undo failed");
  }
  state.SetLabel("one undo and one redo per iteration");
}
BENCHMARK(BM_UndoDeleteOfAPortWith8192Signals)->Unit(benchmark::kMillisecond);

// The cost of a step: the state after an edit of a configuration of 8,192 signals.
void BM_CommitAStepOf8192Signals(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  TItem* port = AddSnmpPort(config, 8192, "ifInOctets");
  config.Storage().ForceRebuild();
  History history(config);
  history.Reset();
  TParams* list = static_cast<TSNMP*>(port->Child(port->ChildCount() - 1))->Measurements();
  int n = 0;
  for (auto _ : state) {
    list->At(0)->SetName(Format("x%d", ++n));
    if (!history.Commit("Изменение")) state.SkipWithError("no step");
  }
}
BENCHMARK(BM_CommitAStepOf8192Signals)->Unit(benchmark::kMillisecond);

void BM_SearchOver6x8192Names(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  // Six ports of 8,192 measurement names each: the size of six full kinds.
  for (int p = 0; p < 6; ++p) AddSnmpPort(config, 8192, p % 2 ? "ifOutOctets" : "ifInErrors");
  SearchIndex index;
  index.Build(config.Controller());
  if (index.Size() < 6 * 8192) state.SkipWithError("index too small");
  std::size_t total = 0;
  for (auto _ : state) benchmark::DoNotOptimize(index.Find("octets409", 1000, &total));
  state.SetLabel(Format("%d hits", static_cast<int>(total)));
}
BENCHMARK(BM_SearchOver6x8192Names)->Unit(benchmark::kMillisecond);

void BM_SearchIndexBuild6x8192(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  for (int p = 0; p < 6; ++p) AddSnmpPort(config, 8192, "ifInOctets");
  for (auto _ : state) {
    SearchIndex index;
    index.Build(config.Controller());
    benchmark::DoNotOptimize(index.Size());
  }
}
BENCHMARK(BM_SearchIndexBuild6x8192)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vilk
