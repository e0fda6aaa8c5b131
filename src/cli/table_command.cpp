#include "table_command.h"

#include <memory>
#include <ostream>

#include "base/files.h"
#include "controller/controller.h"
#include "home.h"
#include "model/configuration.h"
#include "model/image.h"
#include "model/image_ops.h"
#include "model/show.h"
#include "ports/fieldbus/iec103.h"
#include "ports/fieldbus/templates.h"
#include "signals/param.h"
#include "stream_messages.h"

namespace vilk::cli {

namespace {

int Usage(std::ostream& err, const std::string& why) {
  err << "vilkcfg: " << why << "\nTry 'vilkcfg --help'.\n";
  return 2;
}

// "ТС", "ТУ", "ТИ" (or ts, tu, ti); 0 for anything else.
int TableKind(const std::string& name) {
  if (name == "ТС" || name == "ts" || name == "TS") return kKindTS;
  if (name == "ТУ" || name == "tu" || name == "TU") return kKindTU;
  if (name == "ТИ" || name == "ti" || name == "TI") return kKindTI;
  return 0;
}

}  // namespace

int RunTable(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
  if (args.size() < 5)
    return Usage(err,
                 "table needs FILE.cfg PATH KIND --export OUT.txt or "
                 "FILE.cfg PATH KIND --import IN.txt OUT.cfg");
  const int kind = TableKind(args[2]);
  if (!kind) return Usage(err, "table kind must be ТС, ТУ or ТИ, not " + args[2]);
  const bool import = args[3] == "--import";
  if (!import && args[3] != "--export") return Usage(err, "unknown option " + args[3]);
  if (args.size() != (import ? 6u : 5u))
    return Usage(err,
                 import ? "table --import needs IN.txt OUT.cfg" : "table --export needs OUT.txt");

  // Devices name their signals from the template library, as in the window.
  SetTemplateHome(DefaultHome());
  StreamMessages messages(err);
  Configuration config(messages);
  auto image = std::make_unique<ConfigImage>();
  if (!OpenConfigFile(config, *image, args[0])) return 1;
  const TItem* item = FindByCaptionPath(config.Controller(), args[1]);
  if (!item) {
    messages.Error("Нет узла " + args[1]);
    return 1;
  }
  auto* device = dynamic_cast<TRTU103*>(const_cast<TItem*>(item));
  if (!device || device->IsReadOnly()) {
    messages.Error("Узел " + args[1] + " не устройство МЭК 870-5-103.");
    return 1;
  }

  TableModel model = Iec103TableModel(kind);
  if (!import) {
    Iec103TableToModel(device->Table(kind), kind, model);
    std::string error;
    if (!model.ExportFile(args[4], &error)) {
      messages.Error("Ошибка записи файла " + args[4] + ": " + error);
      return 1;
    }
    return 0;
  }

  std::string error;
  if (!model.ImportFile(args[4], &error)) {
    messages.Error(error);
    return 1;
  }
  // No one to answer Ignore here: the first bad cell refuses the file.
  Iec103Table table;
  Iec103CellFault fault;
  if (!Iec103TableFromModel(model, kind, table, nullptr, &fault)) {
    messages.Error("Файл " + args[4] + ": " + fault.Text);
    return 1;
  }
  device->Table(kind) = std::move(table);
  device->Fresh = false;
  device->UpdateSignalList();
  if (!BuildImage(config, *image, args[5], "")) return 1;
  if (!WriteFileAtomic(args[5], image->Data(), image->TotalSize, &error)) {
    messages.Error("Ошибка записи файла " + args[5] + ": " + error);
    return 1;
  }
  return 0;
}

}  // namespace vilk::cli
