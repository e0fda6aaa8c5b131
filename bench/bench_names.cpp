// The naming rules at their largest: repeats marked over 8,192 names (ordinary and crafted),
// and an SNMP device of 8,192 tags read and named.
#include <benchmark/benchmark.h>

#include "base/format.h"
#include "base/messages.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
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

// An SNMP device whose 8,192 tags all carry one name: every one a repeat.
void BM_SnmpDeviceOf8192Tags(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  auto* port = static_cast<TPortSNMP*>(
      config.Append(config.Controller().Proc(), MakePort(config, kPortSNMP)));
  auto* device = static_cast<TSNMP*>(port->AddChild(kSNMPDevice));
  TSNMP_TagList tags(static_cast<std::size_t>(state.range(0)));
  for (TSNMP_Tag& t : tags) t.Name = state.range(1) ? "a" : "ifInOctets";
  for (std::size_t i = 0; i < tags.size() && state.range(1) == 0; ++i)
    tags[i].Name = Format("ifInOctets%d", static_cast<int>(i));
  for (auto _ : state) device->SetTags(tags);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SnmpDeviceOf8192Tags)
    ->Args({2048, 0})
    ->Args({8192, 0})
    ->Args({8192, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vilk
