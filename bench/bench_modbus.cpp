// Modbus devices at their largest: the naming of one device's signals, and a port with a
// device at every address (link states and the pool rebuilt).
#include <benchmark/benchmark.h>

#include "base/messages.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "ports/fieldbus/modbus.h"
#include "ports/fieldbus/templates.h"
#include "signals/storage.h"

namespace vilk {
namespace {

TPortMODBUS* AddPort(Configuration& config) {
  SetTemplateHome("");
  return static_cast<TPortMODBUS*>(
      config.Append(config.Controller().Proc(), MakePort(config, kPortMODBUS)));
}

// Eight ТС rows of 255 bits (2,040 inputs) and 512 events in the ТС list.
void BM_DeviceUpdateSignalList(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  TRTU* d = AddPort(config)->AddDevice(1, "");
  for (int r = 0; r < kModbusRows; ++r)
    d->TS[static_cast<std::size_t>(r)] = {1, static_cast<std::uint16_t>(r * 255), 255};
  d->MultiTS = 0;
  for (int e = 0; e < kMaxLogEvents; ++e)
    d->EventLog.Selected.push_back(static_cast<std::uint16_t>(e));
  d->Fresh = false;
  d->UpdateSignalList();
  for (auto _ : state) d->UpdateSignalList();
  state.counters["signals"] = d->List(kKindTS)->Count();
}
BENCHMARK(BM_DeviceUpdateSignalList)->Unit(benchmark::kMillisecond);

// A port with 255 devices, each with one input: renaming the port rebuilds every name.
void BM_PortOf255Devices(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  TPortMODBUS* port = AddPort(config);
  std::vector<std::pair<int, std::string>> all;
  for (int a = 1; a <= 255; ++a) all.push_back({a, ""});
  port->AddDevices(all);
  for (TRTU* d : port->ModbusDevices()) {
    d->TS[0] = {1, 0, 1};
    d->Fresh = false;
    d->UpdateSignalList();
  }
  for (auto _ : state) port->ChildrenChanged();
  state.counters["devices"] = port->DeviceCount;
}
BENCHMARK(BM_PortOf255Devices)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vilk
