// IEC-103 tables at their largest: a 255-row text file read into the table editor's model
// (text and file), and a device of 3 × 255 entries naming its signals.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/files.h"
#include "base/messages.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "ports/fieldbus/iec103.h"
#include "ports/fieldbus/templates.h"
#include "signals/param.h"

namespace vilk {
namespace {

// 255 ТИ rows as the editor saves them.
std::string TiText() {
  TableModel model = Iec103TableModel(kKindTI);
  Iec103Table table;
  for (int i = 0; i < kMax103Entries; ++i)
    table.push_back({static_cast<std::uint8_t>(128 + i % 8), static_cast<std::uint8_t>(i),
                     static_cast<std::uint8_t>(1 + i % 32)});
  Iec103TableToModel(table, kKindTI, model);
  return model.ExportText();
}

void BM_ImportTableText255Rows(benchmark::State& state) {
  const std::string text = TiText();
  TableModel model = Iec103TableModel(kKindTI);
  std::string error;
  for (auto _ : state) {
    if (!model.ImportText(text, &error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(model.RowCount());
  }
  state.counters["rows"] = model.RowCount();
}
BENCHMARK(BM_ImportTableText255Rows)->Unit(benchmark::kMicrosecond);

// The same through the file, then read into the device's table (what "Читать таблицу из
// текстового файла" and the next GetFromFrame do).
void BM_ImportTableFile255Rows(benchmark::State& state) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "vilk_bench_iec103_ti.txt").string();
  const std::string text = TiText();
  std::string error;
  if (!WriteFileAtomic(path, text.data(), text.size(), &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  TableModel model = Iec103TableModel(kKindTI);
  Iec103Table table;
  for (auto _ : state) {
    if (!model.ImportFile(path, &error) ||
        !Iec103TableFromModel(model, kKindTI, table, nullptr, nullptr))
      state.SkipWithError("import failed");
    benchmark::DoNotOptimize(table.size());
  }
  std::remove(path.c_str());
  state.counters["entries"] = static_cast<double>(table.size());
}
BENCHMARK(BM_ImportTableFile255Rows)->Unit(benchmark::kMicrosecond);

void BM_DeviceUpdateSignalList3x255(benchmark::State& state) {
  SetTemplateHome("");
  SilentMessages quiet;
  Configuration config(quiet);
  auto* port =
      static_cast<TPort103*>(config.Append(config.Controller().Proc(), MakePort(config, kPort103)));
  TRTU103* d = port->AddDevice(1, "");
  for (int i = 0; i < kMax103Entries; ++i) {
    // Every entry repeats one address: the repeat rule at its busiest.
    d->TS.push_back({1, 1, 0});
    d->TU.push_back({20, static_cast<std::uint8_t>(i), 0});
    d->TI.push_back({128, static_cast<std::uint8_t>(i), 1});
  }
  d->Fresh = false;
  d->UpdateSignalList();
  for (auto _ : state) d->UpdateSignalList();
  state.counters["signals"] = 3.0 * kMax103Entries;
}
BENCHMARK(BM_DeviceUpdateSignalList3x255)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vilk
