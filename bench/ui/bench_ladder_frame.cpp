// Repainting the visible part of the discrete-logic grid, with a program of about 20,000
// contacts behind it (offscreen).
#include <benchmark/benchmark.h>

#include <QApplication>

#include "base/messages.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "frames/logic/ladder_frame.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "ports/logic/port_ld.h"
#include "ports/modules/modules.h"
#include "ports/modules/port_doro.h"
#include "signals/storage.h"

namespace {

using namespace vilk;

int Program(Configuration& config, TPortLD& port) {
  TItem* proc = config.Controller().Proc();
  auto* doro = static_cast<TPortDoro*>(config.Append(proc, MakePort(config, kPortDoro)));
  doro->Renumber(3);  // the logic port keeps number 1
  auto* riv = static_cast<TMDS24*>(doro->AddChild(kModuleRIV24));
  config.Storage().ForceRebuild();
  int n = 0;
  for (int t = 0; t < 125; ++t) {
    auto task = std::make_unique<TTaskLD>(port.GridWidth);
    TLine& line = *task->Line;
    for (int i = 0; i < 130; ++i) {
      if (i % 4 == 3) {
        auto stack = std::make_unique<TStack>(&line);
        for (int b = 0; b < 2; ++b) {
          auto branch = std::make_unique<TLine>(stack.get());
          auto c = std::make_unique<TLD>(branch.get());
          c->Signal = SignalRef::Share(riv->Inputs()->At(n++ % 24));
          branch->Elements.push_back(std::move(c));
          stack->Branches.push_back(std::move(branch));
        }
        line.Elements.push_back(std::move(stack));
      } else {
        auto c = std::make_unique<TLD>(&line);
        c->Signal = SignalRef::Share(riv->Inputs()->At(n++ % 24));
        c->Inverse = n % 5 == 0;
        line.Elements.push_back(std::move(c));
      }
    }
    port.Tasks.push_back(std::move(task));
    port.OutputNames.push_back("Пр_" + std::to_string(t));
  }
  port.UpdateSignalList();
  port.Layout();
  return n;
}

void BM_RepaintVisibleGrid(benchmark::State& state) {
  SilentMessages quiet;
  Configuration config(quiet);
  auto* port =
      static_cast<TPortLD*>(config.Append(config.Controller().Proc(), MakePort(config, kPortLD)));
  const int contacts = Program(config, *port);
  ui::TPortLDFrame frame(port, nullptr);
  frame.resize(1280, 800);
  frame.SetToFrame();
  frame.show();
  QApplication::processEvents();
  // Somewhere in the middle of the program, selected contact bold labels included.
  frame.View()->SetCursor(port->GridWidth / 2, port->GridRows / 2);
  frame.ClickCell(port->GridWidth / 2, port->GridRows / 2, Qt::NoModifier);
  if (state.range(0)) frame.SetSimulation(true);
  QApplication::processEvents();
  for (auto _ : state) frame.View()->viewport()->repaint();
  state.counters["contacts"] = contacts;
  state.counters["cells shown"] =
      (frame.View()->viewport()->width() / 64 + 1) * (frame.View()->viewport()->height() / 64 + 1);
}
BENCHMARK(BM_RepaintVisibleGrid)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
