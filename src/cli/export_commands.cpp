#include "export_commands.h"
#include "stream_messages.h"

#include <ostream>

#include "base/files.h"
#include "controller/controller.h"
#include "controller/port_ip.h"
#include "model/image_ops.h"
#include "ports/telemechanics/pc.h"
#include "ports/telemechanics/pc_export.h"

namespace vilk::cli {

int RunExport(const std::string& command, const std::vector<std::string>& args, std::ostream&,
              std::ostream& err) {
  if (args.size() != 3) {
    err << "vilkcfg: " << command << " needs FILE.cfg N OUT\nTry 'vilkcfg --help'.\n";
    return 2;
  }
  int number = 0;
  try {
    std::size_t used = 0;
    number = std::stoi(args[1], &used);
    if (used != args[1].size()) number = 0;  // "2x" is no number
  } catch (...) {
    number = 0;
  }
  if (number < 1) {
    err << "vilkcfg: N counts the PCs from 1\nTry 'vilkcfg --help'.\n";
    return 2;
  }
  StreamMessages messages(err);
  Configuration config(messages);
  auto image = std::make_unique<ConfigImage>();
  if (!OpenConfigFile(config, *image, args[0])) return 1;

  const TPC* pc = nullptr;
  int seen = 0;
  if (const TPortIP* ip = config.Controller().PortIP())
    for (int i = 0; i < ip->ChildCount() && !pc; ++i)
      if (const auto* candidate = dynamic_cast<const TPC*>(ip->Child(i));
          candidate && ++seen == number)
        pc = candidate;
  if (!pc) {
    messages.Error("В конфигурации нет ПЭВМ номер " + args[1] + ".");
    return 1;
  }
  const bool ok = command == "export-xml" ? ExportPcXml(*pc, args[2], messages)
                                          : ExportPcIni(*pc, args[2], messages);
  return ok ? 0 : 1;
}

}  // namespace vilk::cli
