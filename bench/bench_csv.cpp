// Signal lists to and from CSV at their largest: 8,192 measurements of one SNMP device
// written out, and a file renaming every one of them checked and applied.
#include <benchmark/benchmark.h>

#include "base/format.h"
#include "base/messages.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "signals/csv.h"
#include "signals/storage.h"
#include "snmp/port_snmp.h"

namespace vilk {
namespace {

TParams* MeasurementsOf(TItem* item) {
  for (int i = 0; i < item->ChildCount(); ++i)
    if (TParams* list = item->Child(i)->AsParams(); list && list->SignalKind == kKindTI)
      return list;
  return nullptr;
}

struct Station {
  SilentMessages quiet;
  Configuration config{quiet};
  TParams* list = nullptr;
  explicit Station(int tags) {
    auto* port = static_cast<TPortSNMP*>(
        config.Append(config.Controller().Proc(), MakePort(config, kPortSNMP)));
    auto* device = static_cast<TSNMP*>(port->AddChild(kSNMPDevice));
    TSNMP_TagList list8192(static_cast<std::size_t>(tags));
    for (std::size_t i = 0; i < list8192.size(); ++i)
      list8192[i].Name = Format("ifInOctets%d", static_cast<int>(i));
    device->SetTags(list8192);
    config.Storage().ForceRebuild();
    list = MeasurementsOf(device);
  }
};

void BM_CsvExport8192(benchmark::State& state) {
  Station station(8192);
  if (!station.list || station.list->Count() != 8192) state.SkipWithError("no 8,192-row list");
  for (auto _ : state) benchmark::DoNotOptimize(ExportListCsv(*station.list));
}
BENCHMARK(BM_CsvExport8192)->Unit(benchmark::kMillisecond);

// Every name changed, gains and offsets given with decimal commas: the plan and its apply.
void BM_CsvImport8192(benchmark::State& state) {
  Station station(8192);
  if (!station.list || station.list->Count() != 8192) state.SkipWithError("no 8,192-row list");
  // Two files that rename every row, applied in turn, so that every pass changes 8,192 rows.
  std::string files[2];
  for (int f = 0; f < 2; ++f) {
    std::vector<CsvRecord> records = ListToRecords(*station.list);
    for (std::size_t i = 1; i < records.size(); ++i) {
      records[i][1] = f ? "0,5" : "1,25";
      records[i].back() = Format(f ? "Канал %d" : "Сигнал %d", static_cast<int>(i));
    }
    files[f] = WriteCsv(records);
  }
  int f = 0;
  for (auto _ : state) {
    CsvImportPlan plan = PlanListImport(*station.list, files[f]);
    if (!plan.Ok() || plan.Changed != 8192) state.SkipWithError("the import does not change all");
    ApplyListImport(*station.list, plan, false);
    station.config.Storage().ForceRebuild();
    f = 1 - f;
  }
}
BENCHMARK(BM_CsvImport8192)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vilk
