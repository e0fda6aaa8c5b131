// The naming rules at their largest: repeats marked over 8,192 names (ordinary and crafted),
// and an SNMP device of 8,192 tags read and named, alone and as a whole image.
#include <benchmark/benchmark.h>

#include "base/format.h"
#include "base/messages.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/image_ops.h"
#include "model/kinds.h"
#include "signals/names.h"
#include "snmp/port_snmp.h"

namespace vilk {
namespace {

// Half crafted "a_повтор…" names in the way, half repeats of "a".
std::vector<std::string> Crafted(int n) {
  std::vector<std::string> names;
  for (int i = 0; i < n / 2; ++i) names.push_back(Format("a_повтор%d", n / 2 + i));
  for (int i = 0; i < n / 2; ++i) names.push_back("a");
  return names;
}

void BM_MarkRepeatsCrafted(benchmark::State& state) {
  const std::vector<std::string> names = Crafted(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::vector<std::string> copy = names;
    MarkRepeats(copy);
    benchmark::DoNotOptimize(copy);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_MarkRepeatsCrafted)
    ->Arg(2048)
    ->Arg(4096)
    ->Arg(8192)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// Tag names: 0 all distinct, 1 all one name (every one a repeat), 2 crafted (half
// "a_повтор…" in the way of the other half's repeats of "a").
TSNMP_TagList Tags(std::int64_t count, std::int64_t names) {
  TSNMP_TagList tags(static_cast<std::size_t>(count));
  const std::vector<std::string> crafted = Crafted(static_cast<int>(count));
  for (std::size_t i = 0; i < tags.size(); ++i)
    tags[i].Name = names == 0   ? Format("ifInOctets%d", static_cast<int>(i))
                   : names == 1 ? std::string("a")
                                : crafted[i];
  return tags;
}

TSNMP* AddSnmpDevice(Configuration& config) {
  auto* port = static_cast<TPortSNMP*>(
      config.Append(config.Controller().Proc(), MakePort(config, kPortSNMP)));
  return static_cast<TSNMP*>(port->AddChild(kSNMPDevice));
}

// An SNMP device's tags set and named, with its measurement list.
void BM_SnmpDeviceOf8192Tags(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  TSNMP* device = AddSnmpDevice(config);
  const TSNMP_TagList tags = Tags(state.range(0), state.range(1));
  for (auto _ : state) device->SetTags(tags);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SnmpDeviceOf8192Tags)
    ->Args({2048, 0})
    ->Args({8192, 0})
    ->Args({8192, 1})
    ->Args({8192, 2})
    ->Unit(benchmark::kMillisecond);

// The same device as a file: the whole image loaded, replacing the loaded one.
void BM_LoadSnmpImage(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  AddSnmpDevice(config)->SetTags(Tags(state.range(0), state.range(1)));
  ConfigImage image;
  if (!BuildImage(config, image, "snmp.cfg", "")) {
    state.SkipWithError("build refused");
    return;
  }
  for (auto _ : state)
    if (!LoadImage(config, image, "snmp.cfg")) state.SkipWithError("load refused");
  state.counters["bytes"] = static_cast<double>(image.TotalSize);
}
BENCHMARK(BM_LoadSnmpImage)
    ->Args({8192, 0})
    ->Args({8192, 1})
    ->Args({8192, 2})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vilk
