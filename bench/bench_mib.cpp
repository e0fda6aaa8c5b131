// Reading MIB modules: IF-MIB with the five modules it imports, as the MIB dialog loads it,
// with and without building the dialog's tree; and the largest module of the test data.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "snmp/mib.h"
#include "snmp/mib_tree.h"

namespace {

const std::string kMibs =
    (std::filesystem::path(__FILE__).parent_path().parent_path() / "tests" / "data" / "mibs")
        .string();

void BM_LoadIfMib(benchmark::State& state) {
  vilk::TMib mib;
  mib.MibFolder = kMibs;
  for (auto _ : state) {
    if (!mib.LoadMib(kMibs + "/IF-MIB") || !mib.Errors().empty())
      state.SkipWithError("IF-MIB did not load");
    benchmark::DoNotOptimize(mib.Oids().size());
  }
  state.counters["names"] = static_cast<double>(mib.Oids().size());
}
BENCHMARK(BM_LoadIfMib)->Unit(benchmark::kMillisecond);

void BM_LoadIfMibAndBuildTree(benchmark::State& state) {
  vilk::TMib mib;
  mib.MibFolder = kMibs;
  for (auto _ : state) {
    mib.LoadMib(kMibs + "/IF-MIB");
    vilk::TMibTree tree;
    tree.Build(mib, "IF-MIB");
    benchmark::DoNotOptimize(tree.Root());
  }
}
BENCHMARK(BM_LoadIfMibAndBuildTree)->Unit(benchmark::kMillisecond);

void BM_LoadUcdSnmpMib(benchmark::State& state) {
  vilk::TMib mib;
  mib.MibFolder = kMibs;
  for (auto _ : state) {
    mib.LoadMib(kMibs + "/UCD-SNMP-MIB");
    benchmark::DoNotOptimize(mib.Oids().size());
  }
  state.counters["names"] = static_cast<double>(mib.Oids().size());
}
BENCHMARK(BM_LoadUcdSnmpMib)->Unit(benchmark::kMillisecond);

}  // namespace
