// Opening the frame of an IEC-103 device whose three tables hold 255 entries each (and
// leaving it for its port), offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include "controller/controller.h"
#include "controller/proc.h"
#include "main_window.h"
#include "model/kinds.h"
#include "ports/fieldbus/iec103.h"
#include "ports/fieldbus/templates.h"

namespace {

using namespace vilk;

void BM_OpenIec103FrameWith3x255Rows(benchmark::State& state) {
  QTemporaryDir home;
  SilentMessages messages;
  ui::TForm1 form(home.path(), &messages);
  SetTemplateHome("");
  Configuration& config = form.Config();
  auto* port =
      static_cast<TPort103*>(config.Append(config.Controller().Proc(), MakePort(config, kPort103)));
  TRTU103* d = port->AddDevice(1, "");
  for (int i = 0; i < kMax103Entries; ++i) {
    d->TS.push_back({160, static_cast<std::uint8_t>(i), 0});
    d->TU.push_back({20, static_cast<std::uint8_t>(i), 0});
    d->TI.push_back({128, static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(1 + i % 32)});
  }
  d->Fresh = false;
  d->UpdateSignalList();
  form.show();
  QApplication::processEvents();
  for (auto _ : state) {
    form.Editor()->Select(d);
    QApplication::processEvents();
    state.PauseTiming();
    form.Editor()->Select(port);
    QApplication::processEvents();
    state.ResumeTiming();
  }
  state.counters["rows"] = 3.0 * kMax103Entries;
}
BENCHMARK(BM_OpenIec103FrameWith3x255Rows)->Unit(benchmark::kMillisecond);

}  // namespace
