#include "csv_commands.h"

#include <memory>
#include <ostream>

#include "base/files.h"
#include "controller/controller.h"
#include "model/configuration.h"
#include "model/image.h"
#include "model/image_ops.h"
#include "model/show.h"
#include "signals/csv.h"
#include "signals/params.h"
#include "signals/storage.h"
#include "stream_messages.h"

namespace vilk::cli {

namespace {

int Usage(std::ostream& err, const std::string& why) {
  err << "vilkcfg: " << why << "\nTry 'vilkcfg --help'.\n";
  return 2;
}

TParams* FindList(Configuration& config, const std::string& path, IMessages& messages) {
  const TItem* item = FindByCaptionPath(config.Controller(), path);
  if (!item) {
    messages.Error("Нет узла " + path);
    return nullptr;
  }
  auto* list = dynamic_cast<TParams*>(const_cast<TItem*>(item));
  if (!list) messages.Error("Узел " + path + " не список сигналов.");
  return list;
}

}  // namespace

int RunCsv(const std::string& command, const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err) {
  bool dryRun = false, skipErrors = false;
  std::vector<std::string> files;
  for (const std::string& a : args) {
    if (command == "csv-import" && a == "--dry-run")
      dryRun = true;
    else if (command == "csv-import" && a == "--skip-errors")
      skipErrors = true;
    else if (a.size() > 2 && a.compare(0, 2, "--") == 0)
      return Usage(err, "unknown option " + a);
    else
      files.push_back(a);
  }
  const bool import = command == "csv-import";
  if (!import && files.size() != 3) return Usage(err, "csv-export needs FILE.cfg PATH OUT.csv");
  if (import && files.size() != (dryRun ? 3u : 4u) && files.size() != 4)
    return Usage(err, "csv-import needs FILE.cfg PATH IN.csv OUT.cfg");

  StreamMessages messages(err);
  Configuration config(messages);
  auto image = std::make_unique<ConfigImage>();
  if (!OpenConfigFile(config, *image, files[0])) return 1;
  TParams* list = FindList(config, files[1], messages);
  if (!list) return 1;

  if (!import) {
    const std::string text = ExportListCsv(*list);
    std::string error;
    if (!WriteFileAtomic(files[2], text.data(), text.size(), &error)) {
      messages.Error("Ошибка записи файла " + files[2] + ": " + error);
      return 1;
    }
    return 0;
  }

  const CsvImportPlan plan = PlanListImportFile(*list, files[2]);
  if (!plan.Error.empty()) {
    messages.Error(plan.Error);
    return 1;
  }
  if (dryRun) {
    out << DescribePlan(plan);
    return plan.Errors && !skipErrors ? 1 : 0;
  }
  // Without --skip-errors one bad row keeps the whole file out, and says which.
  for (const CsvRowPlan& row : plan.Rows)
    if (row.Result == CsvRowResult::Error) err << DescribeRow(row) << '\n';
  if (plan.Errors && !skipErrors) {
    messages.Error(files[2] + ": строк с ошибками: " + std::to_string(plan.Errors) +
                   ", ничего не изменено.");
    return 1;
  }
  ApplyListImport(*list, plan, skipErrors);
  config.Storage().ForceRebuild();
  if (!BuildImage(config, *image, files[3], "")) return 1;
  std::string error;
  if (!WriteFileAtomic(files[3], image->Data(), image->TotalSize, &error)) {
    messages.Error("Ошибка записи файла " + files[3] + ": " + error);
    return 1;
  }
  out << "Изменено строк: " << plan.Changed << (plan.Errors ? ", пропущено с ошибками: " : "")
      << (plan.Errors ? std::to_string(plan.Errors) : std::string()) << '\n';
  return 0;
}

}  // namespace vilk::cli
