#include "ladder_command.h"

#include <memory>
#include <ostream>
#include <unordered_set>

#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/image.h"
#include "model/image_ops.h"
#include "ports/logic/ladder_sim.h"
#include "ports/logic/ladder_text.h"
#include "ports/logic/port_ld.h"
#include "signals/params.h"
#include "signals/storage.h"
#include "stream_messages.h"

namespace vilk::cli {

namespace {

constexpr long kMaxScans = 1000000;

int Usage(std::ostream& err, const std::string& why) {
  err << "vilkcfg: " << why << "\nTry 'vilkcfg --help'.\n";
  return 2;
}

TPortLD* FindLogicPort(Configuration& config) {
  TItem* proc = config.Controller().Proc();
  if (!proc) return nullptr;
  for (int i = 0; i < proc->ChildCount(); ++i)
    if (auto* port = dynamic_cast<TPortLD*>(proc->Child(i))) return port;
  return nullptr;
}

struct Assignment {
  std::string name;
  bool value;
};

}  // namespace

int RunLadder(const std::string& cmd, const std::vector<std::string>& args, std::ostream& out,
              std::ostream& err) {
  const bool sim = cmd == "ladder-sim";
  std::string file;
  bool layout = false;
  long scans = 1;
  std::vector<Assignment> inputs;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!sim && a == "--layout") {
      layout = true;
    } else if (sim && a == "--scans") {
      if (i + 1 >= args.size()) return Usage(err, "--scans needs a number");
      const std::string& v = args[++i];
      scans = 0;
      for (char c : v) {
        if (c < '0' || c > '9' || scans > kMaxScans) {
          scans = -1;
          break;
        }
        scans = scans * 10 + (c - '0');
      }
      if (v.empty() || scans < 1 || scans > kMaxScans)
        return Usage(err, "--scans takes 1.." + std::to_string(kMaxScans) + ", not " + v);
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      return Usage(err, "unknown option " + a);
    } else if (file.empty()) {
      file = a;
    } else if (sim) {
      const std::size_t eq = a.rfind('=');
      if (eq == std::string::npos || eq == 0 || eq + 2 != a.size() ||
          (a[eq + 1] != '0' && a[eq + 1] != '1'))
        return Usage(err, "an input is NAME=0 or NAME=1, not " + a);
      inputs.push_back({a.substr(0, eq), a[eq + 1] == '1'});
    } else {
      return Usage(err, "ladder needs one file");
    }
  }
  if (file.empty()) return Usage(err, cmd + " needs FILE.cfg");

  StreamMessages messages(err);
  Configuration config(messages);
  auto image = std::make_unique<ConfigImage>();
  if (!OpenConfigFile(config, *image, file)) return 1;
  TPortLD* port = FindLogicPort(config);
  if (!port) {
    messages.Error("В конфигурации нет порта дискретной логики");
    return 1;
  }
  if (!sim) {
    out << (layout ? LadderLayoutText(*port) : LadderText(*port));
    return 0;
  }

  config.Storage().ForceRebuild();
  std::unordered_set<const TParam*> outputs;
  for (int i = 0; i < port->TaskCount(); ++i) outputs.insert(port->OutputSignal(i));
  TLadderSim run(*port);
  std::unordered_set<std::string> given;
  for (const Assignment& in : inputs) {
    if (!given.insert(in.name).second) return Usage(err, "input " + in.name + " given twice");
    TParam* s = config.Storage().FindByName(kKindTS, in.name);
    if (!s) {
      messages.Error("Нет сигнала ТС " + in.name);
      return 1;
    }
    if (outputs.count(s)) {
      messages.Error("Сигнал " + in.name + " — выход программы; выходы начинают с 0");
      return 1;
    }
    run.SetInput(s, in.value);
  }
  for (long i = 0; i < scans; ++i) run.Scan();
  for (int i = 0; i < port->TaskCount(); ++i) {
    const TParam* s = port->OutputSignal(i);
    out << (s ? s->Name() : port->OutputNames[static_cast<std::size_t>(i)]) << " = "
        << (run.Output(i) ? 1 : 0) << '\n';
  }
  return 0;
}

}  // namespace vilk::cli
